// The sync-word ring: the newest N bit characters, compared with the sync
// word after each bit while a program searches for a frame. The ring is read
// in place with a wrapping index, newest bit first.
#pragma once

constexpr int kSyncRingMax = 32;

struct SyncRing {
    int n = 0;                       // sync word length: 32, 20 or 30
    int bufpos = -1;                 // newest character; -1 before the first
    char header[kSyncRingMax + 1];   // sync word, oldest bit first
    char buf[kSyncRingMax + 1];      // never '0'/'1' until written
};

// header must be 1 to kSyncRingMax characters long.
void sync_ring_init(SyncRing& r, const char* header);

inline void inc_bufpos(SyncRing& r) { r.bufpos = (r.bufpos + 1) % r.n; }

inline void sync_ring_push(SyncRing& r, char c) {
    inc_bufpos(r);
    r.buf[r.bufpos] = c;
}

// '0' and '1' swapped, anything else unchanged.
inline char cb_inv(char c) { return c == '0' ? '1' : c == '1' ? '0' : c; }

// 1 when the ring holds the sync word, -1 when it holds the inverted word
// (looked for only when with_inverted is set), 0 otherwise.
int compare2(const SyncRing& r, bool with_inverted);

// Number of newest characters that agree with the end of the sync word
// before the first disagreement, 0 to n.
int compare(const SyncRing& r);
