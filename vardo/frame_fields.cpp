#include "vardo/frame_fields.h"

namespace sonde::vardo {

namespace {
// Temperatures at or below this are no reading.
constexpr float kNoTemperatureBelow = -270.0f;
}  // namespace

bool decode_frame_fields(FrameRecord& r) {
    const uint8_t* fb = r.bytes;
    const FrameLayout& l = r.layout;
    const int type = l.type;
    get_GPStime(r.datum, fb, l, type);
    get_GPSpos(r.datum, fb, l, type);
    if (type == 2) {
        get_GPSvel2(r.datum, fb, l);
        get_SN2(r.datum, fb, l);
    } else {
        get_GPSvel1(r.datum, fb, l);
        get_SN1(r.datum, fb, l);
    }
    r.frame_counter = fb[l.pos_frame];
    // A frame too short to carry the reading, or a reading out of range,
    // has no temperature.
    if (kPosThermistor + 2 <= check_pos(l)) {
        r.temperature = get_Tntc0(fb, kPosThermistor);
        r.has_temperature = r.temperature > kNoTemperatureBelow;
    }
    return type == 1 || type == 2;
}

}  // namespace sonde::vardo
