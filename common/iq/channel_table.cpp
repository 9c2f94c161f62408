#include "iq/channel_table.h"

#include <cmath>

namespace sonde::iq {

namespace {

uint64_t samples_of(const ChannelTable& t, double s) { return static_cast<uint64_t>(s * t.rate); }

bool live(const ChannelSlot& s) { return s.state != ChannelState::closed; }

}  // namespace

void table_init(ChannelTable& t, const TableConfig& cfg, double rate) {
    t.cfg = cfg;
    if (t.cfg.max_channels < 1 || t.cfg.max_channels > kMaxChannels) t.cfg.max_channels = kMaxChannels;
    t.rate = rate;
    for (ChannelSlot& s : t.slot) s = ChannelSlot{};
    for (BlockedCarrier& b : t.blocked) b = BlockedCarrier{};
    t.blocked_at = 0;
    t.next_id = 1;
}

int table_place(const ChannelTable& t, double offset_hz, uint64_t now) {
    for (int i = 0; i < t.cfg.max_channels; i++)
        if (live(t.slot[i]) && std::fabs(t.slot[i].offset_hz - offset_hz) < t.cfg.busy_hz) return -1;
    for (const BlockedCarrier& b : t.blocked)
        if (b.until > now && std::fabs(b.offset_hz - offset_hz) < t.cfg.busy_hz) return -1;
    for (int i = 0; i < t.cfg.max_channels; i++)
        if (!live(t.slot[i])) return i;
    return -1;
}

void table_open(ChannelTable& t, int i, double offset_hz, unsigned kinds, bool forced, uint64_t now) {
    ChannelSlot& s = t.slot[i];
    s = ChannelSlot{};
    s.state = ChannelState::open;
    s.id = t.next_id++;
    s.kinds = kinds;
    s.forced = forced;
    s.opened = s.last_frame = now;
    s.offset_hz = offset_hz;
}

void table_close(ChannelTable& t, int i, uint64_t now) {
    ChannelSlot& s = t.slot[i];
    if (s.frames == 0) {
        t.blocked[t.blocked_at] = BlockedCarrier{s.offset_hz, now + samples_of(t, t.cfg.retry_s)};
        t.blocked_at = (t.blocked_at + 1) % kMaxBlocked;
    }
    s.state = ChannelState::closed;
    s.kinds = 0;
}

int table_due(const ChannelTable& t, uint64_t now) {
    const uint64_t silence = samples_of(t, t.cfg.silence_s);
    for (int i = 0; i < t.cfg.max_channels; i++) {
        const ChannelSlot& s = t.slot[i];
        if (!live(s)) continue;
        if (!s.forced && now > s.last_frame + silence) return i;
        for (int j = 0; j < t.cfg.max_channels; j++) {
            const ChannelSlot& o = t.slot[j];
            if (j == i || !live(o) || std::fabs(o.offset_hz - s.offset_hz) >= t.cfg.merge_hz) continue;
            // The younger of two on one carrier goes, unless only it is confirmed or forced.
            const bool keep_me =
                (s.forced && !o.forced) || (s.state == ChannelState::confirmed && o.state != ChannelState::confirmed);
            const bool keep_other =
                (o.forced && !s.forced) || (o.state == ChannelState::confirmed && s.state != ChannelState::confirmed);
            if (keep_other || (!keep_me && s.id > o.id)) return i;
        }
    }
    return -1;
}

bool table_frame(ChannelTable& t, int i, Kind kind, uint64_t identity, uint64_t now) {
    ChannelSlot& s = t.slot[i];
    if (!live(s)) return false;
    s.state = ChannelState::confirmed;
    s.kind = static_cast<int>(kind);
    s.kinds = kind_bit(kind);
    s.last_frame = now;
    s.frames++;
    const uint64_t dup = samples_of(t, t.cfg.duplicate_s);
    bool report = true;
    for (int j = 0; j < t.cfg.max_channels && report; j++) {
        const ChannelSlot& o = t.slot[j];
        if (j == i || o.state != ChannelState::confirmed || o.kind != s.kind) continue;
        const bool recent = o.identity != 0 && o.identity_at + dup >= now;
        // The image of a far stronger sonde: the mirrored carrier decodes the same sonde.
        const bool mirror = std::fabs(o.offset_hz + s.offset_hz) < t.cfg.mirror_hz &&
                            o.level_dbfs >= s.level_dbfs + t.cfg.image_margin_db;
        if (mirror && recent && (identity == 0 || identity == o.identity)) report = false;
        if (identity != 0 && recent && o.identity == identity) report = false;
    }
    if (report && identity != 0) {
        s.identity = identity;
        s.identity_at = now;
    }
    return report;
}

}  // namespace sonde::iq
