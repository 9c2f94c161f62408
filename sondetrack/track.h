// Flight tracks: the positions of one sonde in the order they arrived.
#pragma once

#include <string>
#include <vector>

namespace sondetrack {

struct Fix {
    double lat = 0.0;  // degrees, south negative
    double lon = 0.0;  // degrees, west negative
    double alt = 0.0;  // metres
    std::string time;  // xsd:dateTime in UTC ("2024-02-07T23:59:43Z"), empty when unknown
};

struct Track {
    std::string name;  // the sonde's serial number, or the decoder's name
    std::vector<Fix> points;
};

// Every track in the order its first frame arrived.
struct TrackSet {
    std::vector<Track> tracks;
};

}  // namespace sondetrack
