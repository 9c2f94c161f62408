// The decoded report of one frame as a plain, coloured or comma-separated
// line (without the final newline).
#pragma once

#include "line_out.h"
#include "vardo/field_decoders.h"

struct ReportLine {
    const Datum* d = nullptr;
    int frame_counter = 0;
    int type = 0;
    int ok = 0;
    int verbose = 0;  // 1: OK/NO mark, 2: also the temperature
    bool has_temperature = false;
    float temperature = 0.0f;
};

// Temperatures at or below this are no reading.
constexpr float kNoTemperatureBelow = -270.0f;

void report_plain(LineBuf& line, const ReportLine& r);
void report_color(LineBuf& line, const ReportLine& r);
void report_csv(LineBuf& line, const ReportLine& r);
