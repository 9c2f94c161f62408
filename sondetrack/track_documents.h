// Whole track documents: GPX 1.1 and KML 2.2, rewritten from the tracks
// every time they are written.
#pragma once

#include <string>

#include "sondetrack/track.h"

namespace sondetrack {

// GPX 1.1: one <trk> per sonde, a <trkpt> per point with <ele> and, when
// known, <time>.
std::string gpx_document(const TrackSet& set, const std::string& creator);

// KML 2.2: per sonde a folder with the flight as a line at absolute
// altitude extruded to the ground, and placemarks for the first fix, the
// summit (below) and the last fix.
std::string kml_document(const TrackSet& set);

// Index of the highest point of a track with points (the first of equals).
std::size_t highest_point(const Track& t);

// A balloon bursts at the top of its climb and the sonde falls fast; a
// track that stays level, or only wobbles by the GPS's altitude noise, has
// no burst.
constexpr double kBurstFall_m = 100.0;

enum class SummitKind {
    none,     // the track never rose above its first fix
    highest,  // it rose, and has not yet fallen kBurstFall_m below its top
    burst,    // it rose, then fell kBurstFall_m or more below its top
};

struct Summit {
    SummitKind kind = SummitKind::none;
    std::size_t index = 0;  // the highest point
};

Summit summit(const Track& t);

}  // namespace sondetrack
