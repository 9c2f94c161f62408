// The I/Q front end: complex capture samples in (interleaved I and Q, full
// scale +-1, any number per call), per carrier a stream of discriminator
// audio for each kind still in question, and the carriers' events out.
//
// Per block of capture samples (a fixed size, so the output does not
// depend on how the caller splits its input):
//   the DC offset taken out (a running mean, so a sonde at the centre keeps
//   all but its exact carrier line);
//   the running spectrum; at the end of each look the carrier finder, and
//   new channels for new carriers;
//   the channelizer (wide captures) or each channel's own down-converter;
//   each channel: fine tuning, AFC, the kinds' demodulators; channels are
//   served strongest first, and their audio goes out through the sink;
//   channels closed after their silence.
// The program tells the front end when a frame decoded on a channel
// (front_end_frame), which confirms the channel's kind and says whether to
// report the frame (images and duplicates are not).
// Sample counters are 64-bit: the capture's first sample is first_sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "iq/carrier_finder.h"
#include "iq/channel.h"
#include "iq/channel_table.h"
#include "iq/channelizer.h"
#include "iq/periodogram.h"

namespace sonde::iq {

struct FrontEndConfig {
    double rate = 250000.0;
    int mode = -1;                  // -1: the down-converter up to 600 kS/s, the channelizer above; else a SourceMode
    int block = 0;                  // capture samples per block; 0: about 16 ms (down-converter) or 8 ms
    bool search = true;             // find carriers; false: only the forced ones
    std::vector<double> forced_hz;  // channels open from the start and never closed
    unsigned kinds = kAllKinds;
    uint64_t first_sample = 0;
    double dc_time_s = 0.1;
    SpectrumConfig spectrum{};
    FinderConfig finder{};
    TableConfig table{};
    KindProfile profiles[kKinds] = {kKindProfiles[0], kKindProfiles[1], kKindProfiles[2]};
    double afc_time_s = 0.25;
};

struct AudioBlock {
    int channel = 0;
    uint32_t id = 0;
    Kind kind = Kind::vardo;
    const float* samples = nullptr;  // full scale 1.0 = 2 * deviation Hz
    int count = 0;
    int rate = 0;
    uint64_t first_sample = 0;  // capture sample the first one stands for
};

struct BasebandBlock {
    int channel = 0;
    uint32_t id = 0;
    Kind kind = Kind::vardo;
    const float* iq = nullptr;  // complex, interleaved, the carrier at 0 Hz
    int count = 0;
    double rate = 0.0;
    double tuned_hz = 0.0;  // the channel's tuning these samples were mixed with (the AFC moves it in steps)
};

enum class EventType : uint8_t { opened, confirmed, closed };

struct ChannelEvent {
    EventType type = EventType::opened;
    int channel = 0;
    uint32_t id = 0;
    uint64_t sample = 0;
    double offset_hz = 0.0;
    int kind = -1;
};

struct FrontEndSink {
    void* ctx = nullptr;
    void (*audio)(void* ctx, const AudioBlock& a) = nullptr;
    void (*baseband)(void* ctx, const BasebandBlock& b) = nullptr;  // optional
    void (*event)(void* ctx, const ChannelEvent& e) = nullptr;      // optional
};

struct IqFrontEnd {
    FrontEndConfig cfg;
    FrontEndSink sink;
    ChannelPlan plan;
    std::vector<float> block;  // complex, the block being gathered
    int fill = 0;
    uint64_t next_sample = 0;  // capture sample of block[0]
    double dc_re = 0.0, dc_im = 0.0;
    bool dc_set = false;
    Spectrum spectrum;
    CarrierFinder finder;
    Channelizer chz;
    ChannelTable table;
    std::unique_ptr<Channel[]> channels;
    int order[kMaxChannels] = {};
    double delay_samples[kKinds] = {};  // capture samples from input to audio, per kind
    uint64_t blocks = 0;
};

bool front_end_init(IqFrontEnd& fe, const FrontEndConfig& cfg, const FrontEndSink& sink);

// n complex samples (2 n floats).
void front_end_feed(IqFrontEnd& fe, const float* iq, std::size_t n);

// Processes what is held (at the end of the capture).
void front_end_flush(IqFrontEnd& fe);

// A frame of `kind` decoded from channel ch's audio; see TableConfig.
bool front_end_frame(IqFrontEnd& fe, int ch, Kind kind, uint64_t identity);

ChannelMeasure front_end_measure(const IqFrontEnd& fe, int ch);

}  // namespace sonde::iq
