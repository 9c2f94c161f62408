# Cross build for 32-bit ARM Linux, hard float (ARMv7: Raspberry Pi 2 and
# later, Raspberry Pi OS 32-bit) with Debian's g++-arm-linux-gnueabihf; the
# target's libraries come from Debian multiarch (packages ending in :armhf),
# and the programs and tests run under qemu-user.
set(SONDE_TARGET_TRIPLET arm-linux-gnueabihf)
set(SONDE_TARGET_DEB_ARCH armhf)
set(SONDE_TARGET_QEMU qemu-arm)
set(CMAKE_SYSTEM_PROCESSOR arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
