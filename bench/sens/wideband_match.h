// Counting each sonde's frames in a wideband capture: sonderx --iq's JSON
// lines against the frames each sonde sent, as its clean recording decodes
// (sonderx --json on the recording itself). A good frame belongs to a sonde
// of its kind by serial when the kind has one (vardo), else by carrier: its
// offset_hz within 5 kHz of the sonde's offset. It counts as decoded when
// its content (time, position) is one of that sonde's frames.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sens {

struct WidebandSonde {
    std::string kind;       // vardo, pelkin or ostrel
    double offset_hz = 0;   // the carrier's offset in the capture
    std::string reference;  // JSON lines of its clean recording
};

struct WidebandCount {
    long sent = 0;     // good frames with a position in the reference
    long decoded = 0;  // of those, found in the capture (each once)
    long repeats = 0;  // found again: reported twice (an image or duplicate let through)
};

struct WidebandTally {
    std::vector<WidebandCount> sondes;  // in the order given
    long false_good = 0;                // good frames with a position that belong to no sonde
    long other = 0;                     // lines without a good position (bad frames, packets without fix)
};

// output: sonderx --iq --json's standard output (no --center: offset_hz).
WidebandTally tally_wideband(const std::vector<WidebandSonde>& sondes, std::string_view output);

}  // namespace sens
