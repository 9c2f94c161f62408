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
// highest point ("burst" once the track has come down from it, "highest"
// while it is still the newest point) and the last fix.
std::string kml_document(const TrackSet& set);

// Index of the highest point of a track with points (the first of equals).
std::size_t highest_point(const Track& t);

}  // namespace sondetrack
