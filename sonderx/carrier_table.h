// The carriers an I/Q run has heard, one row each: where (its offset, or
// frequency with the centre), the kind its frames decided ("?" before
// one), the serial where the kind sends one, its frames good and bad and
// their mean SNR. A row outlives its channel: the front end reuses its
// channel slots, the table keeps every carrier's row. Fixed size, no
// allocation while samples flow; carriers past the last row are only
// counted.
#pragma once

#include <cstdint>

#include "sonderx/frame_report.h"

namespace sonde::sonderx {

constexpr int kCarrierRows = 256;

struct CarrierRow {
    double offset_hz = 0.0;  // the latest measure
    int kind = -1;           // SondeKind once a frame decided it, else -1
    char serial[24] = {};
    int64_t good = 0;
    int64_t bad = 0;
    double snr_sum_db = 0.0;  // over the good frames
    bool open = true;         // its channel still holds it
};

struct CarrierTable {
    CarrierRow rows[kCarrierRows];
    int count = 0;
    int64_t unlisted = 0;  // carriers heard once every row was taken
};

// A new carrier at this offset: its row's index, or -1 when the table is full.
int carrier_open(CarrierTable& t, double offset_hz);
void carrier_close(CarrierTable& t, int row);
// A reported frame of the carrier in this row (-1: none); confirms sets the kind.
void carrier_frame(CarrierTable& t, int row, const FrameReport& f, bool confirms);

// Writes the table to fd: frequencies in MHz from center_hz when it is
// given (> 0), else offsets in kHz.
void carrier_table_write(int fd, const CarrierTable& t, int64_t center_hz);

}  // namespace sonde::sonderx
