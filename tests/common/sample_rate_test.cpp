// Rates as people write them, the names of raw sample formats, and the
// messages for what is refused.
#include <gtest/gtest.h>

#include <string>

#include "io/sample_format.h"
#include "io/sample_rate.h"

using namespace sonde;

namespace {
const std::string kHow = "is not a rate: give it in hertz, as 48000, 48k or 2.048M";
}

TEST(ParseRate, WholeHertzWithOrWithoutSuffix) {
    struct Case {
        const char* text;
        int64_t hz;
    };
    for (Case c : {Case{"48000", 48000}, Case{"48k", 48000}, Case{"48K", 48000}, Case{"2.048M", 2048000},
                   Case{"1.5k", 1500}, Case{"44.1k", 44100}, Case{"3.2M", 3200000}, Case{"250000", 250000},
                   Case{"0.096M", 96000}, Case{"2.4000M", 2400000}, Case{"0", 0}}) {
        int64_t hz = -1;
        InputError e = parse_rate(c.text, hz);
        EXPECT_FALSE(e.failed()) << c.text << ": " << e.message;
        EXPECT_EQ(hz, c.hz) << c.text;
    }
}

TEST(ParseRate, RefusesWithAReason) {
    struct Case {
        const char* text;
        std::string message;
    };
    for (const Case& c : {
             Case{"", "the rate is empty: give it in hertz, as 48000, 48k or 2.048M"},
             Case{"48x", "\"48x\" " + kHow},
             Case{"-48k", "\"-48k\" " + kHow},
             Case{"k", "\"k\" " + kHow},
             Case{"1.2.3k", "\"1.2.3k\" " + kHow},
             Case{"48kHz", "\"48kHz\" " + kHow},
             Case{"1e6", "\"1e6\" " + kHow},
             Case{"1.5", "\"1.5\" is not a whole number of hertz"},
             Case{"2.0485k", "\"2.0485k\" is not a whole number of hertz"},
             Case{"99999999999999M", "\"99999999999999M\" is too large for a rate"},
             Case{"123456789012345678901234567890", "\"123456789012345678901234567890\" is too large for a rate"},
         }) {
        int64_t hz = 7;
        InputError e = parse_rate(c.text, hz);
        EXPECT_EQ(e.code, InputErrorCode::bad_rate) << c.text;
        EXPECT_EQ(e.message, c.message);
        EXPECT_EQ(hz, 7) << "a refused rate leaves the result alone";
    }
}

TEST(FormatRate, ShortExactForms) {
    for (auto [hz, text] : {std::pair<int64_t, const char*>{96000, "96k"},
                            {3200000, "3.2M"},
                            {44100, "44.1k"},
                            {2048000, "2.048M"},
                            {2048500, "2048.5k"},
                            {500, "500"},
                            {768000, "768k"}}) {
        EXPECT_EQ(format_rate(hz), text);
    }
}

TEST(CheckRate, RangesForAudioAndIq) {
    EXPECT_FALSE(check_rate(8000, false, "the rate").failed());
    EXPECT_FALSE(check_rate(768000, false, "the rate").failed());
    EXPECT_FALSE(check_rate(96000, true, "the rate").failed());
    EXPECT_FALSE(check_rate(3200000, true, "the rate").failed());
    InputError low = check_rate(95999, true, "the rate");
    EXPECT_EQ(low.code, InputErrorCode::rate_out_of_range);
    EXPECT_EQ(low.message, "the rate is 95999 Hz, out of range: I/Q sample rates from 96k to 3.2M are read");
    EXPECT_EQ(check_rate(768001, false, "the rate").message,
              "the rate is 768001 Hz, out of range: audio sample rates from 8k to 768k are read");
}

TEST(SampleFormatNames, RawAndIqNames) {
    SampleFormat f = SampleFormat::other;
    bool wav = true;
    for (auto [name, want] : {std::pair<const char*, SampleFormat>{"s16le", SampleFormat::s16le},
                              {"u8", SampleFormat::u8},
                              {"s8", SampleFormat::s8},
                              {"f32le", SampleFormat::f32le}}) {
        EXPECT_FALSE(parse_raw_audio_format(name, f).failed());
        EXPECT_EQ(f, want);
        EXPECT_FALSE(parse_iq_format(name, f, wav).failed());
        EXPECT_EQ(f, want);
        EXPECT_FALSE(wav);
    }
    EXPECT_FALSE(parse_iq_format("wav", f, wav).failed());
    EXPECT_TRUE(wav);
    InputError raw = parse_raw_audio_format("wav", f);
    EXPECT_EQ(raw.code, InputErrorCode::bad_format);
    EXPECT_EQ(raw.message, "unknown sample format \"wav\": raw audio is s16le, u8, s8 or f32le");
    EXPECT_EQ(parse_iq_format("cu8", f, wav).message,
              "unknown I/Q format \"cu8\": I/Q is u8 (as rtl_sdr writes it), s8 (as HackRF tools write it), s16le, "
              "f32le or wav (I left, Q right)");
}
