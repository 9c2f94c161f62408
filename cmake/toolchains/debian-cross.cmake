# Shared part of the Debian cross toolchain files: the cross compilers, the
# target's multiarch libraries and headers (/usr/lib/<triplet>,
# /usr/include/<triplet>) for find_package, find_library and pkg-config,
# and qemu-user to run what was built (tests, and programs the tests start).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${SONDE_TARGET_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${SONDE_TARGET_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${SONDE_TARGET_TRIPLET})

# Libraries and headers from the host's root, where multiarch puts the
# target's; programs (python3, xmllint, gzip) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SONDE_TARGET_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config reads the target's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${SONDE_TARGET_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# The programs run on the target's multiarch run-time libraries (libc6,
# libstdc++6, libgcc-s1 of the target's architecture), dynamic loader
# included: -L / keeps qemu from taking the loader from the cross packages
# in /usr/<triplet> while the C library comes from /lib/<triplet>, a
# mismatched pair under which fork() crashes.
set(CMAKE_CROSSCOMPILING_EMULATOR ${SONDE_TARGET_QEMU} -L /)
