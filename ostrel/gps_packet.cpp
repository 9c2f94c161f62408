#include "ostrel/gps_packet.h"

#include <bit>
#include <cstdint>

#include "frame/crc16.h"

namespace sonde::ostrel {

namespace {
float float_le(const unsigned char* b) {
    const uint32_t v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                       static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return std::bit_cast<float>(v);
}
}  // namespace

GpsRecord decode_gps(const unsigned char* b) {
    GpsRecord r;
    r.crc_stored = b[16] * 256 + b[17];
    r.crc_computed = sonde::crc16(sonde::kCrc16AugCcitt, b, kGpsCrcCovered);
    r.good = r.crc_stored == r.crc_computed;
    r.lat = float_le(b + 2);
    r.lon = float_le(b + 6);
    r.alt = (b[10] | b[11] << 8) - kAltitudeOffset;
    r.hour = b[13];
    r.minute = b[14];
    r.second = b[15];
    return r;
}

PacketRecord decode_packet(const unsigned char* bytes, int count) {
    PacketRecord r{.bytes = bytes, .count = count, .packet_type = bytes[1]};
    // Decoded whatever count is: the bytes behind an early stop are used as they stand.
    r.is_gps = bytes[0] == kPacketStart && bytes[1] == kPacketTypeGps;
    if (r.is_gps) r.gps = decode_gps(bytes);
    return r;
}

}  // namespace sonde::ostrel
