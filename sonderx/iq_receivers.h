// sonderx from I/Q samples: the front end (common/iq) finds the carriers
// and demodulates each; every channel gets its own receivers of the kinds
// it still runs, with their own frame state, started afresh when the
// channel's slot takes a new carrier. A good frame goes to the front end
// (front_end_frame), which confirms the channel's kind and says whether to
// report it: not an image's or another channel's duplicate. Each reported
// frame carries the channel's offset, frequency (with the centre) and
// level. Every carrier gets a row in the carrier table.
// With --demod best, kinds with a detector on the complex samples (all three)
// are read from the channel's baseband instead of its audio.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "iq/iq_front_end.h"
#include "sonderx/carrier_table.h"
#include "sonderx/frame_report.h"
#include "sonderx/options.h"
#include "sonderx/ostrel_kind.h"
#include "sonderx/pelkin_kind.h"
#include "sonderx/receivers.h"
#include "sonderx/vardo_kind.h"

namespace sonde::sonderx {

struct IqConfig {
    int64_t rate_hz = 0;
    int64_t center_hz = 0;           // 0: not given
    std::vector<double> offsets_hz;  // channels given: no search
    bool kinds[kSondeKinds] = {true, true, true};
    Demod demod = Demod::best;
};

struct IqReceivers;

// What a channel's receivers' frames need to find their way back.
struct IqChannelLink {
    IqReceivers* owner = nullptr;
    int channel = 0;
};

struct IqChannelReceivers {
    uint32_t id = 0;                       // the front end's channel id the receivers were started for (0: none yet)
    std::unique_ptr<Receivers> rx;         // from the discriminator's audio
    std::unique_ptr<PelkinIqKind> pelkin;  // from the complex samples (--demod best)
    std::unique_ptr<VardoIqKind> vardo;    // from the complex samples (--demod best)
    std::unique_ptr<OstrelIqKind> ostrel;  // from the complex samples (--demod best)
};

struct IqReceivers {
    IqConfig cfg;
    KindSet kinds;  // at the front end's audio rate
    ReportSink out;
    iq::IqFrontEnd fe;
    IqChannelReceivers channel[iq::kMaxChannels];
    IqChannelLink link[iq::kMaxChannels];
    uint64_t suppressed = 0;    // good frames not reported: images and duplicates
    uint64_t opened = 0;        // channels the front end opened
    CarrierTable carriers;      // every carrier heard, a row each
    int row[iq::kMaxChannels];  // each channel's carrier's row, -1: none
};

// False when the front end cannot run at the rate (outside 96k to 3.2M it
// is not asked to).
bool iq_receivers_init(IqReceivers& r, const IqConfig& cfg, const ReportSink& out);

// n complex samples, interleaved I and Q at full scale +-1.
void iq_receivers_feed(IqReceivers& r, const float* iq, std::size_t n);

// At the end of the capture.
void iq_receivers_flush(IqReceivers& r);

}  // namespace sonde::sonderx
