// Counting what a decoder got right: its hexadecimal output lines against
// the frames a synthesizer sent. A frame counts as decoded when a line marks
// it good and its content equals a frame that was sent; a good-marked line
// whose content was never sent is a false frame.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sens {

enum class Program { vardo, pelkin, ostrel };

// "vardo", "pelkin" or "ostrel"; false for anything else.
bool program_from_name(std::string_view name, Program& p);

struct Tally {
    long sent = 0;
    long decoded = 0;     // sent frames found good and intact (each once)
    long false_good = 0;  // good-marked lines that match no sent frame
    long good_lines = 0;  // every good-marked line
};

// sent: one frame per line as the synthesizer wrote it (upper-case hex of
// the frame's bytes). output: the decoder's standard output in its
// hexadecimal form (vardo -r -v, pelkin -r, ostrel -r).
Tally tally_frames(Program p, const std::vector<std::string>& sent, std::string_view output);

// The part of a sent frame that the decoder's line shows, in upper-case hex:
// vardo the whole frame, pelkin bytes 3 to 49, ostrel the 18-byte packet.
std::string sent_key(Program p, std::string_view sent_hex);

}  // namespace sens
