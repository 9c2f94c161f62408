#include "byte_groups.h"

int bits2byte(const unsigned char* group) {
    int sum = 0;
    for (int i = 0; i < kGroupBits; i++) sum += group[i];
    if (sum == kGroupBits) return kAllOnesGroup;
    int byte = 0;
    for (int i = 1; i <= 8; i++)
        if (group[i] == 1) byte += 1 << (i - 1);
    return byte;
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

void print_rawbits(LineBuf& line, const unsigned char* bitframe, int len) {
    for (int i = 0; i < len; i++) {
        if (i % 10 == 1 || i % 10 == 9) line_putc(line, ' ');
        line_printf(line, "%d", bitframe[i]);
    }
    line_putc(line, '\n');
}
