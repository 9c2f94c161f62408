// The forms a frame's record can be written in, and a program's table of
// formatters indexed by them. A formatter appends one line of the record,
// line end included; it decodes nothing and sees no decoder state.
#pragma once

#include <array>
#include <cstddef>

#include "io/line_out.h"

namespace sonde {

// report: the program's text line; color: the same with terminal colours;
// hex, hex_color: the frame's bytes; bits: the frame's bits as received.
enum class OutputForm : unsigned char { report, color, csv, hex, hex_color, bits, json };
constexpr std::size_t kOutputForms = 7;

// The options that choose the form, strongest first: the bit dump, JSON
// Lines, hexadecimal (coloured with color), the coloured report, CSV.
struct FormOptions {
    bool bits = false;
    bool json = false;
    bool hex = false;
    bool color = false;
    bool csv = false;
};

constexpr OutputForm choose_form(const FormOptions& o) {
    if (o.bits) return OutputForm::bits;
    if (o.json) return OutputForm::json;
    if (o.hex) return o.color ? OutputForm::hex_color : OutputForm::hex;
    if (o.color) return OutputForm::color;
    return o.csv ? OutputForm::csv : OutputForm::report;
}

// What a formatter takes besides the record.
struct FormatFlags {
    int verbose = 0;        // the program's -v level
    bool with_raw = false;  // JSON: the frame's bytes as "raw"
};

template <class Record>
using Formatter = void (*)(LineBuf& line, const Record& r, const FormatFlags& f);

// nullptr for a form the program has not.
template <class Record>
using FormatTable = std::array<Formatter<Record>, kOutputForms>;

// The record's line in the form, written with one write.
template <class Record>
void write_line(const FormatTable<Record>& table, OutputForm form, LineBuf& line, const Record& r, const FormatFlags& f,
                int fd) {
    const Formatter<Record> format = table[static_cast<std::size_t>(form)];
    if (format == nullptr) return;
    format(line, r, f);
    line_flush(line, fd);
}

}  // namespace sonde
