#include "vardo/biphase.h"

namespace sonde::vardo {

int dpsk_bpm(const char* rawbits, char* bits, int n) {
    int p = (rawbits[0] & 1) == 0 ? 1 : 0;
    for (int i = 0; i < n / 2; i++) {
        int a = rawbits[2 * i] & 1;
        int b = rawbits[2 * i + 1] & 1;
        if (a != b) {
            int y = a;  // 1,0 is symbol 1; 0,1 is symbol 0
            bits[i] = y == p ? '1' : '0';
            p = y;
        } else {
            bits[i] = 'x';
            p = 0;
        }
    }
    return p;
}

int bits2bytes(const char* bits, uint8_t* bytes, int nbytes) {
    for (int i = 0; i < nbytes; i++) {
        unsigned v = 0;
        for (int j = 0; j < 8; j++) v = (v << 1) | (bits[8 * i + j] == '1' ? 1u : 0u);
        bytes[i] = static_cast<uint8_t>(v);
    }
    return 0;
}

}  // namespace sonde::vardo
