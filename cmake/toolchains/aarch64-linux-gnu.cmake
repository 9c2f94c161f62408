# Cross build for 64-bit ARM Linux (Raspberry Pi OS 64-bit, Pi 3 and later)
# with Debian's g++-aarch64-linux-gnu; the target's libraries come from
# Debian multiarch (packages ending in :arm64), and the programs and tests run
# under qemu-user.
set(SONDE_TARGET_TRIPLET aarch64-linux-gnu)
set(SONDE_TARGET_DEB_ARCH arm64)
set(SONDE_TARGET_QEMU qemu-aarch64)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
