// read_floor: the cost of merely reading a recording. Reads the file in
// 64 KiB blocks and sums its 16-bit samples; every decoder is measured
// against this.
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s file.wav\n", argv[0]);
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) return 1;
    static unsigned char block[1 << 16];
    int64_t sum = 0;
    unsigned char carry = 0;
    bool odd = false;
    ssize_t n;
    while ((n = read(fd, block, sizeof block)) > 0) {
        ssize_t i = 0;
        if (odd) {
            sum += static_cast<int16_t>(carry | block[0] << 8);
            i = 1;
        }
        for (; i + 1 < n; i += 2) sum += static_cast<int16_t>(block[i] | block[i + 1] << 8);
        odd = i < n;
        if (odd) carry = block[i];
    }
    close(fd);
    std::printf("%lld\n", static_cast<long long>(sum));
    return 0;
}
