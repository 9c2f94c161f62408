#include "sync_ring.h"

#include <cstring>

namespace sonde {

void sync_ring_init(SyncRing& r, const char* header) {
    int n = static_cast<int>(std::strlen(header));
    if (n > kSyncRingMax) n = kSyncRingMax;
    r.n = n;
    r.bits = r.valid = r.word = 0;
    for (int i = 0; i < n; i++) r.word = r.word << 1 | static_cast<uint32_t>(header[i] == '1');
    r.tail_run = 0;
    while (r.tail_run < n && header[n - 1 - r.tail_run] == header[n - 1]) r.tail_run++;
    r.mask = n == 32 ? 0xFFFFFFFFu : (uint32_t{1} << n) - 1;
}

}  // namespace sonde
