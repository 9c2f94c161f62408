#include "ostrel/byte_groups.h"

namespace sonde::ostrel {

int bits2byte(const unsigned char* group) {
    int sum = 0;
    for (int i = 0; i < kGroupBits; i++) sum += group[i];
    if (sum == kGroupBits) return kAllOnesGroup;
    return sonde::group_byte(group, static_cast<unsigned char>(1));
}

int bits2bytes(const unsigned char* bits, unsigned char* bytes, int len) {
    int i = 0;
    while (i < len) {
        const int r = bits2byte(bits + kGroupBits * i);
        bytes[i] = static_cast<unsigned char>(r & 0xFF);
        if (r == kAllOnesGroup) break;
        i++;
    }
    return i;
}

}  // namespace sonde::ostrel
