// The frame layers' way in for the receivers: a SoftFrame becomes the
// record the default path makes of the same frame, corrected where the check
// asks, with its receive quality, whose keys appear in JSON only then.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "captured_output.h"
#include "ostrel/ostrel_synth.h"
#include "ostrel/frame_layer.h"
#include "pelkin/frame_layer.h"
#include "pelkin/pelkin_synth.h"
#include "vardo/frame_layer.h"
#include "vardo/vardo_synth.h"

using namespace sonde;

namespace {

// A frame as a receiver hands it on: reliabilities 1, except one wrong
// decision at `wrong` that the check-guided correction takes back.
struct Soft {
    std::vector<unsigned char> hard;
    std::vector<float> soft;
    SoftFrame frame(SondeKind kind, int type, int wrong) {
        hard[static_cast<std::size_t>(wrong)] ^= 1u;
        for (std::size_t k = 0; k < hard.size(); k++) soft.push_back(hard[k] ? 1.0f : -1.0f);
        soft[static_cast<std::size_t>(wrong)] *= 0.1f;
        SoftFrame f;
        f.kind = kind;
        f.type = type;
        f.count = static_cast<int>(hard.size());
        f.hard = hard.data();
        f.soft = soft.data();
        f.snr_db = 7.5;
        f.dc = 0.125;
        return f;
    }
};

std::string quality_keys(int corrected) {
    return ",\"corrected\":" + std::to_string(corrected) + ",\"snr_db\":7.5,\"dc\":0.125}\n";
}

}  // namespace

TEST(FrameEntry, VardoSoftSymbolsGiveTheReportWithTheirQuality) {
    CapturedOutput out;
    auto frame = std::make_unique<vardo::VardoFrame>();
    vardo::VardoOptions opt;
    opt.option_verbose = vardo::Verbosity::verdict;
    VardoFrameFields fields;
    fields.frame_counter = 7;
    const std::vector<uint8_t> bytes = vardo_frame_bytes(fields);
    Soft s;  // biphase symbols: a data bit 1 repeats the symbol before
    for (std::size_t j = 0; j < 8 * bytes.size(); j++) {
        const unsigned char prev = s.hard.empty() ? 0 : s.hard.back();
        s.hard.push_back((bytes[j / 8] >> (7 - j % 8) & 1) ? prev : prev ^ 1u);
    }
    const SoftFrame f = s.frame(SondeKind::vardo, 0, 200);
    auto st = std::make_unique<vardo::SoftFrameState>();
    vardo::soft_frame_state_init(*st);
    vardo::FrameRecord r = vardo::soft_frame_record(*st, f);
    EXPECT_TRUE(r.check_ok);
    EXPECT_EQ(r.quality.corrected, 2);  // one symbol, two data bits
    vardo::print_record(*frame, opt, r, out.fd());
    const std::string report = out.take();
    EXPECT_NE(report.find("ID: 312-A-10837 frame:   7 "), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - 7), "  # OK\n");

    opt.option_json = 1;
    r = vardo::soft_frame_record(*st, f);
    vardo::print_record(*frame, opt, r, out.fd());
    const std::string json = out.take();
    EXPECT_EQ(json.substr(0, 48), "{\"decoder\":\"vardo\",\"ok\":true,\"check_ok\":true,\"fr");
    EXPECT_EQ(json.substr(json.size() - quality_keys(2).size()), quality_keys(2));
}

TEST(FrameEntry, PelkinSoftBitsGiveTheLineOfTheBits) {
    CapturedOutput out;
    pelkin::PelkinFrame frame;
    pelkin::PelkinOptions opt;
    opt.option_json = 1;
    const std::string bits = pelkin_air_bits(pelkin_frame_bytes(PelkinFields{}), 0).substr(20, 500);
    std::copy(bits.begin(), bits.end(), frame.frame_bits);
    pelkin::print_frame(frame, opt, out.fd());
    const std::string from_bits = out.take();
    ASSERT_EQ(from_bits.substr(0, 30), "{\"decoder\":\"pelkin\",\"ok\":true,");

    Soft s;
    for (char c : bits) s.hard.push_back(c == '1' ? 1 : 0);
    auto st = std::make_unique<pelkin::SoftFrameState>();
    pelkin::soft_frame_state_init(*st);
    pelkin::FrameRecord r = pelkin::soft_frame_record(*st, s.frame(SondeKind::pelkin, 0, 123));
    pelkin::print_record(frame, opt, r, out.fd());
    EXPECT_EQ(out.take(), from_bits.substr(0, from_bits.size() - 2) + quality_keys(1));
}

TEST(FrameEntry, OstrelSoftBitsCarryTheirQuality) {
    CapturedOutput out;
    auto po = std::make_unique<ostrel::PacketOutput>();
    ostrel::OstrelOptions opt;
    opt.option_json = 1;
    OstrelGps g;
    g.lat = 48.1f;
    g.alt_raw = 6000;
    const auto packet = ostrel_gps_packet(g);
    const std::string chars = ostrel_group_bits(ostrel_transmission({packet.begin(), packet.end()}, 1));
    Soft s;
    for (int i = 0; i < 1000; i++) s.hard.push_back(chars[static_cast<std::size_t>(i)] == '1' ? 1 : 0);
    ostrel::print_frame(*po, opt, s.hard.data(), 100, out.fd());
    const std::string plain = out.take();
    char crc[8];
    std::snprintf(crc, sizeof crc, "%04x", ostrel_synth_crc16(packet.data(), 16));
    EXPECT_EQ(
        plain,
        "{\"decoder\":\"ostrel\",\"ok\":true,\"time\":\"00:00:00\",\"lat\":48.1,\"lon\":0,\"alt\":1000,\"crc\":\"" +
            std::string(crc) + "\",\"crc_calc\":\"" + crc + "\"}\n");
    auto st = std::make_unique<ostrel::SoftFrameState>();
    ostrel::soft_frame_state_init(*st);
    ostrel::print_record(*po, opt, ostrel::soft_frame_record(*st, s.frame(SondeKind::ostrel, 0, 45)), out.fd());
    EXPECT_EQ(out.take(), plain.substr(0, plain.size() - 2) + quality_keys(1));
}

// Frames of another kind, or shorter than the kind's frame, are no frame.
TEST(FrameEntry, AForeignOrShortFrameIsBad) {
    std::vector<unsigned char> hard(1000, 1);
    std::vector<float> soft(1000, 1.0f);
    for (SondeKind kind : {SondeKind::vardo, SondeKind::pelkin, SondeKind::ostrel})
        for (int count : {1000, 100}) {
            SoftFrame f{.kind = kind, .type = 0, .count = count, .hard = hard.data(), .soft = soft.data()};
            auto vs = std::make_unique<vardo::SoftFrameState>();
            auto ps = std::make_unique<pelkin::SoftFrameState>();
            auto os = std::make_unique<ostrel::SoftFrameState>();
            vardo::soft_frame_state_init(*vs);
            pelkin::soft_frame_state_init(*ps);
            ostrel::soft_frame_state_init(*os);
            if (kind != SondeKind::vardo || count < 808) {
                EXPECT_FALSE(vardo::soft_frame_record(*vs, f).check_ok);
            }
            if (kind != SondeKind::pelkin || count < 500) {
                EXPECT_FALSE(pelkin::soft_frame_record(*ps, f).good);
            }
            if (kind != SondeKind::ostrel || count < 1000) {
                EXPECT_FALSE(ostrel::soft_frame_record(*os, f).is_gps);
            }
        }
}
