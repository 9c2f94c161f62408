// Expected pelkin output computed in the test from the bytes sent, with the
// test's own decoding and formatting.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pelkin/pelkin_synth.h"

// frame_bytes as the decoder keeps them: 0..52.
using ExpectBytes = std::array<uint8_t, 53>;

ExpectBytes expect_bytes(const PelkinFrameBytes& sent);
// 0 to 50 groups after any leading 0xAA groups, written from byte 3 on
// (bytes not reached keep their contents). Returns the count written.
int expect_groups_to_bytes(const std::string& bits, ExpectBytes& bytes);
// The 500 bit characters after the sync word.
std::string expect_frame_bits(const std::string& air_bits);

bool expect_crc_ok(const ExpectBytes& b);
std::string expect_text(const ExpectBytes& b, bool good, bool verbose = false);
std::string expect_csv(const ExpectBytes& b, bool good);
std::string expect_hex(const ExpectBytes& b);
std::string expect_dump(const std::string& frame_bits);

// Fields with the time advanced k seconds (as pelkin-synth numbers frames).
PelkinFields fields_at(const PelkinFields& f, int k);
