// Where the frames go: which frames (good ones; with --all every one,
// marked), in which form, to which descriptor. Each line leaves with one
// write as soon as its frame is complete. A failed write ends the output:
// a broken pipe quietly, anything else with its reason.
#pragma once

#include <memory>

#include "io/line_out.h"
#include "sonderx/frame_report.h"
#include "sonderx/options.h"
#include "sonderx/text_lines.h"

namespace sonde::sonderx {

struct Output {
    OutputForm form = OutputForm::text;
    bool all = false;
    bool color = false;
    bool header = false;                            // text: a header line first (on a terminal)
    CarrierColumns carrier = CarrierColumns::none;  // from I/Q: the carrier's columns and JSON keys
    int fd = 1;
    bool started = false;
    bool failed = false;
    int error_no = 0;  // errno of the failed write
    // Called before each write (the progress bar clears its line).
    void (*before_write)(void* ctx) = nullptr;
    void* ctx = nullptr;
    std::unique_ptr<LineBuf> line = std::make_unique<LineBuf>();
    std::unique_ptr<LineBuf> keys;  // from I/Q: the carrier's JSON keys, before they join the line
};

// Whether the frame is written at all.
bool output_selects(const Output& o, const FrameReport& r);
// The CSV header or the text header, where the form has one.
void output_start(Output& o);
// Writes the frame's line when selected; false once the output has failed.
bool output_frame(Output& o, const FrameReport& r);

}  // namespace sonde::sonderx
