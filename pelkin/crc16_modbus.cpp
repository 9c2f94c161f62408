#include "pelkin/crc16_modbus.h"

int crc16rev(const uint8_t* bytes, int len) {
    int r = 0xFFFF;
    for (int i = 0; i < len; i++) {
        r ^= bytes[i];
        for (int b = 0; b < 8; b++) r = (r & 1) ? (r >> 1) ^ crc16poly : r >> 1;
        r &= 0xFFFF;
    }
    return r;
}
