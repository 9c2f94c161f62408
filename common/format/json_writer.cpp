#include "format/json_writer.h"

#include <charconv>
#include <cmath>

namespace sonde {

JsonLine::JsonLine(LineBuf& l) : line(l) { line_putc(line, '{'); }

namespace {

void key_of(JsonLine& j, const char* key) {
    if (!j.first) line_putc(j.line, ',');
    j.first = false;
    line_putc(j.line, '"');
    line_puts(j.line, key);
    line_puts(j.line, "\":");
}

template <class T>
void number(JsonLine& j, const char* key, T value) {
    if (!std::isfinite(value)) return;
    char text[64];
    const auto res = std::to_chars(text, text + sizeof text, value);
    key_of(j, key);
    line_append(j.line, text, static_cast<std::size_t>(res.ptr - text));
}

}  // namespace

void json_string(JsonLine& j, const char* key, const char* value) {
    key_of(j, key);
    line_putc(j.line, '"');
    for (const char* p = value; *p != '\0'; p++) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            line_putc(j.line, '\\');
            line_putc(j.line, static_cast<char>(c));
        } else if (c < 0x20) {
            line_printf(j.line, "\\u%04x", c);
        } else {
            line_putc(j.line, static_cast<char>(c));
        }
    }
    line_putc(j.line, '"');
}

void json_int(JsonLine& j, const char* key, long long value) {
    key_of(j, key);
    line_printf(j.line, "%lld", value);
}

void json_bool(JsonLine& j, const char* key, bool value) {
    key_of(j, key);
    line_puts(j.line, value ? "true" : "false");
}

void json_double(JsonLine& j, const char* key, double value) { number(j, key, value); }
void json_float(JsonLine& j, const char* key, float value) { number(j, key, value); }

void json_hex16(JsonLine& j, const char* key, unsigned value) {
    key_of(j, key);
    line_printf(j.line, "\"%04x\"", value & 0xFFFFu);
}

void json_bytes(JsonLine& j, const char* key, const uint8_t* bytes, int n) {
    static constexpr char kDigits[] = "0123456789abcdef";
    key_of(j, key);
    line_putc(j.line, '"');
    for (int i = 0; i < n; i++) {
        line_putc(j.line, kDigits[bytes[i] >> 4]);
        line_putc(j.line, kDigits[bytes[i] & 15]);
    }
    line_putc(j.line, '"');
}

void json_quality(JsonLine& j, const RxQuality& q) {
    if (!q.present) return;
    json_int(j, "corrected", q.corrected);
    json_double(j, "snr_db", q.snr_db);
    json_double(j, "dc", q.dc);
}

void json_end(JsonLine& j) { line_puts(j.line, "}\n"); }

bool is_calendar_time(int year, int month, int day, int hour, int minute, int second) {
    if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return false;
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
}

}  // namespace sonde
