#include "ten_bit_groups.h"

namespace sonde {

namespace {
template <class Bit, class Put>
void dump(LineBuf& line, const Bit* bits, int n, Put put) {
    for (int i = 0; i < n; i++) {
        if (i % kGroupBits == 1 || i % kGroupBits == 9) line_putc(line, ' ');
        put(bits[i]);
    }
    line_putc(line, '\n');
}
}  // namespace

void group_bit_dump(LineBuf& line, const char* bit_chars, int n) {
    dump(line, bit_chars, n, [&](char c) { line_putc(line, c); });
}

void group_bit_dump(LineBuf& line, const unsigned char* bit_values, int n) {
    dump(line, bit_values, n, [&](unsigned char v) { line_printf(line, "%d", v); });
}

}  // namespace sonde
