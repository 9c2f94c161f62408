#include "pelkin/field_decoders.h"

#include "frame/big_endian.h"
#include "frame/ground_velocity.h"

namespace sonde::pelkin {

void get_fields(const uint8_t* frame_bytes, Datum& datum) {
    datum.lat_e6 = be_s32(frame_bytes + pos_GPSlat);
    datum.lon_e6 = be_s32(frame_bytes + pos_GPSlon);
    datum.alt_cm = be_s32(frame_bytes + pos_GPSalt);
    datum.vel_east = be_s16(frame_bytes + pos_GPSvE);
    datum.vel_north = be_s16(frame_bytes + pos_GPSvN);
    datum.vel_up = be_s16(frame_bytes + pos_GPSvU);
    const sonde::GroundVelocity v =
        sonde::ground_velocity(datum.vel_east / 100.0, datum.vel_north / 100.0, datum.vel_up / 100.0);
    datum.speed_h = v.speed_h;
    datum.course = v.course;
    datum.speed_v = v.speed_v;
    datum.time = be_s32(frame_bytes + pos_GPStime);
    datum.date = be_s32(frame_bytes + pos_GPSdate);
    datum.sats = frame_bytes[pos_GPSsats];
    datum.fix = frame_bytes[pos_GPSfix];
}

}  // namespace sonde::pelkin
