#include "crc16_aug_ccitt.h"

int crc16(const unsigned char* data, int len, int poly) {
    int crc = kCrc16Init;
    for (int i = 0; i < len; i++) {
        crc ^= data[i] << 8;
        for (int b = 0; b < 8; b++) {
            if (crc & 0x8000)
                crc = ((crc << 1) ^ poly) & 0xFFFF;
            else
                crc = (crc << 1) & 0xFFFF;
        }
    }
    return crc;
}
