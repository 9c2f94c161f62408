// Which carriers have a channel, and in what state: the decisions of the
// I/Q front end that take more than one block.
//
//   open       a carrier found (or forced); every kind asked for runs
//   confirmed  a frame decoded on it: its kind is known, only that runs
//   closed     no frame for silence_s (a forced channel stays open); a
//              carrier that never gave a frame is not opened again for
//              retry_s, so a steady non-sonde signal costs little
// At most max_channels at once, the strongest carriers first. Two channels
// whose carriers have come within merge_hz of each other are one carrier:
// the younger closes.
//
// Frames are reported once, from the carrier where they are strongest:
// a frame on a channel whose mirrored frequency holds a confirmed channel
// of the same kind image_margin_db or more stronger, which decoded the same
// sonde (identity) lately, is its I/Q image; and a frame whose identity
// another channel reported within duplicate_s is a duplicate.
#pragma once

#include <cstdint>

#include "iq/kind_profile.h"

namespace sonde::iq {

constexpr int kMaxChannels = 32;

enum class ChannelState : uint8_t { closed, open, confirmed };

struct TableConfig {
    int max_channels = kMaxChannels;
    double silence_s = 30.0;
    double retry_s = 60.0;
    double busy_hz = 10000.0;  // a carrier this near an open channel is that channel's
    double merge_hz = 3000.0;
    double image_margin_db = 15.0;
    double mirror_hz = 3000.0;  // how far from the exact mirror an image may sit
    double duplicate_s = 10.0;
};

struct ChannelSlot {
    ChannelState state = ChannelState::closed;
    uint32_t id = 0;     // unique per capture, from 1
    unsigned kinds = 0;  // kinds still in question
    int kind = -1;       // once confirmed
    bool forced = false;
    uint64_t opened = 0;      // capture sample
    uint64_t last_frame = 0;  // capture sample of the last frame (or the opening)
    uint64_t frames = 0;
    uint64_t identity = 0;  // of the last frame reported (0: none)
    uint64_t identity_at = 0;
    double offset_hz = 0.0;  // kept up to date by the front end
    double level_dbfs = -200.0;
};

struct BlockedCarrier {
    double offset_hz = 0.0;
    uint64_t until = 0;
};

constexpr int kMaxBlocked = 64;

struct ChannelTable {
    TableConfig cfg;
    double rate = 0.0;
    ChannelSlot slot[kMaxChannels];
    BlockedCarrier blocked[kMaxBlocked];
    int blocked_at = 0;
    uint32_t next_id = 1;
};

void table_init(ChannelTable& t, const TableConfig& cfg, double rate);

// A free slot for a carrier at offset_hz, or -1: none free, the carrier is
// an open channel's, or it is blocked.
int table_place(const ChannelTable& t, double offset_hz, uint64_t now);

void table_open(ChannelTable& t, int i, double offset_hz, unsigned kinds, bool forced, uint64_t now);

// Closes slot i; a carrier that never gave a frame is blocked for retry_s.
void table_close(ChannelTable& t, int i, uint64_t now);

// The slot to close now (silence, or merged into an older one), or -1.
int table_due(const ChannelTable& t, uint64_t now);

// A frame of `kind` decoded on slot i; identity names the sonde (its serial
// hashed, 0 unknown). Confirms the slot and returns whether to report it.
bool table_frame(ChannelTable& t, int i, Kind kind, uint64_t identity, uint64_t now);

}  // namespace sonde::iq
