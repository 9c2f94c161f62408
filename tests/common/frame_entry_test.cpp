// The frame layers' ways in for other receive paths: bytes (vardo, pelkin)
// or groups (ostrel) with a receive-quality block give the line the default
// path gives, and the quality keys appear in JSON only when present.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "captured_output.h"
#include "ostrel/ostrel_synth.h"
#include "ostrel/frame_layer.h"
#include "pelkin/frame_layer.h"
#include "pelkin/pelkin_synth.h"
#include "vardo/frame_layer.h"
#include "vardo/vardo_synth.h"

using namespace sonde;

namespace {

RxQuality quality() {
    RxQuality q;
    q.present = true;
    q.corrected = 3;
    q.snr_db = 7.5;
    q.dc = 0.125;
    return q;
}

const std::string kQualityKeys = ",\"corrected\":3,\"snr_db\":7.5,\"dc\":0.125}\n";

}  // namespace

TEST(FrameEntry, VardoBytesGiveTheReportWithTheirQuality) {
    CapturedOutput out;
    auto v = std::make_unique<vardo::VardoDecoder>();
    vardo::vardo_decoder_init(*v);
    v->out_fd = out.fd();
    v->opt.option_verbose = 1;
    VardoFrameFields f;
    f.frame_counter = 7;
    const std::vector<uint8_t> bytes = vardo_frame_bytes(f);
    vardo::frame_bytes_in(*v, bytes.data(), static_cast<int>(bytes.size()), RxQuality{});
    const std::string report = out.take();
    EXPECT_NE(report.find("ID: 312-A-10837 frame:   7 "), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - 7), "  # OK\n");

    v->opt.option_json = 1;
    vardo::frame_bytes_in(*v, bytes.data(), static_cast<int>(bytes.size()), quality());
    const std::string json = out.take();
    EXPECT_EQ(json.substr(0, 48), "{\"decoder\":\"vardo\",\"ok\":true,\"check_ok\":true,\"fr");
    EXPECT_EQ(json.substr(json.size() - kQualityKeys.size()), kQualityKeys);
    // A frame cut before its check is bad, whatever the receive path says.
    vardo::frame_bytes_in(*v, bytes.data(), 100, quality());
    EXPECT_NE(out.take().find("\"check_ok\":false"), std::string::npos);
}

TEST(FrameEntry, PelkinBytesGiveTheLineOfTheBits) {
    CapturedOutput out;
    pelkin::PelkinFrame frame;
    pelkin::pelkin_frame_init(frame);
    pelkin::PelkinOptions opt;
    opt.option_json = 1;
    const PelkinFrameBytes b = pelkin_frame_bytes(PelkinFields{});
    const std::string bits = pelkin_air_bits(b, 0).substr(20, 500);
    std::copy(bits.begin(), bits.end(), frame.frame_bits);
    pelkin::print_frame(frame, opt, out.fd());
    const std::string from_bits = out.take();
    ASSERT_EQ(from_bits.substr(0, 30), "{\"decoder\":\"pelkin\",\"ok\":true,");

    pelkin::pelkin_frame_init(frame);
    frame.quality = quality();
    pelkin::frame_bytes_in(frame, opt, b.data() + 3, 47, out.fd());
    EXPECT_EQ(out.take(), from_bits.substr(0, from_bits.size() - 2) + kQualityKeys);
    pelkin::frame_bytes_in(frame, opt, b.data() + 3, 46, out.fd());  // the CRC's last byte missing
    EXPECT_NE(out.take().find("\"ok\":false"), std::string::npos);
}

TEST(FrameEntry, OstrelGroupsCarryTheirQuality) {
    CapturedOutput out;
    auto po = std::make_unique<ostrel::PacketOutput>();
    ostrel::OstrelOptions opt;
    opt.option_json = 1;
    OstrelGps g;
    g.lat = 48.1f;
    g.alt_raw = 6000;
    const auto packet = ostrel_gps_packet(g);
    const std::string chars = ostrel_group_bits(ostrel_transmission({packet.begin(), packet.end()}, 1));
    unsigned char bits[1000];
    for (int i = 0; i < 1000; i++) bits[i] = chars[static_cast<std::size_t>(i)] == '1' ? 1 : 0;
    ostrel::print_frame(*po, opt, bits, 100, out.fd());
    const std::string plain = out.take();
    char crc[8];
    std::snprintf(crc, sizeof crc, "%04x", ostrel_synth_crc16(packet.data(), 16));
    EXPECT_EQ(
        plain,
        "{\"decoder\":\"ostrel\",\"ok\":true,\"time\":\"00:00:00\",\"lat\":48.1,\"lon\":0,\"alt\":1000,\"crc\":\"" +
            std::string(crc) + "\",\"crc_calc\":\"" + crc + "\"}\n");
    po->quality = quality();
    ostrel::print_frame(*po, opt, bits, 100, out.fd());
    EXPECT_EQ(out.take(), plain.substr(0, plain.size() - 2) + kQualityKeys);
}
