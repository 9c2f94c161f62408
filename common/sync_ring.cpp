#include "sync_ring.h"

#include <cstring>

void sync_ring_init(SyncRing& r, const char* header) {
    int n = static_cast<int>(std::strlen(header));
    if (n > kSyncRingMax) n = kSyncRingMax;
    r.n = n;
    r.bufpos = -1;
    std::memset(r.header, 0, sizeof r.header);
    std::memcpy(r.header, header, static_cast<std::size_t>(n));
    std::memset(r.buf, 0, sizeof r.buf);
}

namespace {
bool ring_matches(const SyncRing& r, bool inverted) {
    int q = r.bufpos;
    for (int j = 0; j < r.n; j++) {
        if (q < 0) q = r.n - 1;
        char want = r.header[r.n - 1 - j];
        if (r.buf[q] != (inverted ? cb_inv(want) : want)) return false;
        q--;
    }
    return true;
}
}  // namespace

int compare2(const SyncRing& r, bool with_inverted) {
    if (ring_matches(r, false)) return 1;
    if (with_inverted && ring_matches(r, true)) return -1;
    return 0;
}

int compare(const SyncRing& r) {
    int q = r.bufpos;
    int i = 0;
    while (i < r.n) {
        if (q < 0) q = r.n - 1;
        if (r.buf[q] != r.header[r.n - 1 - i]) break;
        q--;
        i++;
    }
    return i;
}
