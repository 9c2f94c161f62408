#include "vardo/frame_layer.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "frame/big_endian.h"
#include "vardo/biphase.h"
#include "vardo/check_m10.h"
#include "vardo/frame_fields.h"
#include "vardo/json_lines.h"
#include "vardo/report_lines.h"

namespace sonde::vardo {

namespace {

// The capture's channel bits (or, in the symbol mode, data bits) to bytes.
void capture_to_bytes(VardoFrame& f, FrameBitSource source) {
    const FrameLayout& l = f.layout;
    if (source != FrameBitSource::symbols) {
        // Always the nominal length, whatever the capture holds.
        const int n = l.RAWBITFRAME_LEN + kCaptureExtraRawbits;
        dpsk_bpm(f.frame_rawbits, f.frame_bits, n);
        f.bits_count = n / 2;
    }
    const int nbytes = l.FRAME_LEN + kCaptureExtraBytes;
    bits2bytes(f.frame_bits, f.frame_bytes, nbytes);
    f.decoded_bytes = f.bits_count / 8 < nbytes ? f.bits_count / 8 : nbytes;
}

// Length extension, type and check of a capture's bytes, decoded of them
// delivered by it.
FrameRecord check_frame(FrameLayout& l, const uint8_t* bytes, int decoded) {
    set_auxlen(l, bytes[0]);
    l.type = get_type(l, bytes);

    FrameRecord r;
    r.bytes = bytes;
    r.layout = l;
    r.type_bytes = be_u16(bytes);
    const int p = check_pos(l);
    if (check_field_inside(l, decoded)) {
        r.check_stored = static_cast<uint16_t>(bytes[p] << 8 | bytes[p + 1]);
        r.check_computed = checkM10(bytes, p);
        r.check_ok = r.check_stored == r.check_computed;
    } else {
        // The check field is not in this capture: the frame is bad.
        r.check_computed = checkM10(bytes, p < 0 ? 0 : p);
        r.check_ok = false;
    }
    return r;
}

// In the order of OutputForm.
const sonde::FormatTable<FrameRecord> kFormats = {report_plain,   report_color,      report_csv, hex_line_plain,
                                                  hex_line_color, channel_bits_line, report_json};

sonde::OutputForm output_form(const VardoOptions& o) {
    return sonde::choose_form({.bits = o.option_rawbits != 0,
                               .json = o.option_json != 0,
                               .hex = o.option_raw != 0,
                               .color = o.option_color != 0,
                               .csv = o.option_csv != 0});
}

// Whether a record is written in a report form: the fields, and the
// position filter, which follows every frame that passes -g, also those
// that are not written.
bool report_passes(PositionFilter& filter, bool good_only, FrameRecord& r) {
    if (good_only && !r.check_ok) return false;
    const bool known = decode_frame_fields(r);
    const bool jump = position_filter_jump(filter, r.datum.latitude, r.datum.longitude);
    r.ok = r.check_ok && !jump;
    if (!known || (!r.ok && good_only)) return false;
    if (r.ok) position_filter_confirm(filter);
    return true;
}

// Appends the record's FRAME_LEN bytes to the file of the first 11
// characters of its ID and ".bin"; counts the frame only when it was written.
void save_frame(int& saved, const FrameRecord& r) {
    if (saved >= kMaxSavedFrames) return;
    // A 12-character ID loses its last character here.
    char name[21];
    std::snprintf(name, sizeof name, "%.11s.bin", r.datum.sonde_id);
    int fd = ::open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    bool written = write_all(fd, r.bytes, static_cast<std::size_t>(r.layout.FRAME_LEN));
    ::close(fd);
    if (written) saved++;
}

}  // namespace

FrameRecord decode_frame(VardoFrame& f, FrameBitSource source) {
    capture_to_bytes(f, source);
    return check_frame(f.layout, f.frame_bytes, f.decoded_bytes);
}

void print_frame(VardoFrame& f, const VardoOptions& opt, int out_fd) {
    FrameRecord r = decode_frame(f, opt.option_b);
    r.channel_bits = f.frame_rawbits;
    print_record(f, opt, r, out_fd);
}

void print_record(VardoFrame& f, const VardoOptions& opt, FrameRecord& r, int out_fd) {
    using sonde::OutputForm;
    const OutputForm form = output_form(opt);
    if (form == OutputForm::hex || form == OutputForm::hex_color) {
        // A frame of no known type has no hexadecimal line.
        if (r.layout.type == 0 || (opt.option_good && !r.check_ok)) return;
    } else if (form != OutputForm::bits && !report_passes(f.filter, opt.option_good != 0, r)) {
        return;
    }
    write_line(kFormats, form, f.line, r,
               {.verbose = static_cast<int>(opt.option_verbose), .with_raw = opt.option_raw != 0}, out_fd);
    // r.ok is set in the report forms only.
    if (opt.option_saveframes && r.ok) save_frame(f.saved_frames, r);
}

void soft_frame_state_init(SoftFrameState& s) {
    robust_syndromes_init(s.syndromes);
    s.layout = FrameLayout{};
    std::memset(s.bytes, 0, sizeof s.bytes);
}

FrameRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f) {
    const bool known = f.kind == sonde::SondeKind::vardo && f.type >= 0 && f.type < kRobustTypeCount &&
                       f.soft != nullptr && f.count >= 8 * kRobustTypes[f.type].len;
    FrameRecord unknown;
    unknown.channel_bits = f.raw;
    unknown.bytes = s.bytes;
    if (!known) return unknown;
    const RobustDecision d = robust_decide(f.soft, f.type, s.syndromes, kRobustCandidates);
    std::memcpy(s.bytes, d.bytes, static_cast<std::size_t>(d.len));
    // The frame's own type sets the layout, so its length byte is taken as
    // announced (no extension against an earlier frame's length).
    get_type(s.layout, s.bytes);
    FrameRecord r = check_frame(s.layout, s.bytes, d.len);
    r.channel_bits = f.raw;
    r.quality = {.present = true, .corrected = d.corrected, .snr_db = f.snr_db, .dc = f.dc};
    return r;
}

}  // namespace sonde::vardo
