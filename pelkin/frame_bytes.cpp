#include "pelkin/frame_bytes.h"

namespace sonde::pelkin {

void frame_bytes_init(uint8_t* frame_bytes) {
    for (int i = 0; i < kFrameBodyStart; i++) frame_bytes[i] = kPreambleByte;
}

int bits2bytes(const char* bits, uint8_t* bytes) {
    int written = 0;
    for (int g = 0; g < kFrameGroups; g++) {
        // Start and stop bit are not looked at: a bad stop bit costs no byte.
        int value = sonde::group_byte(bits + g * kGroupBits, '1');
        // More preamble may follow the sync word; the frame starts at the
        // first other byte.
        if (written == 0 && value == kPreambleByte) continue;
        bytes[written++] = static_cast<uint8_t>(value);
    }
    return written;
}

}  // namespace sonde::pelkin
