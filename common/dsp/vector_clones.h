// Loops over many independent lanes are compiled for AVX-512, AVX2 and the
// baseline instruction set, and the best one the processor offers is picked
// when the program starts; other targets, and the sanitizer and clang builds,
// get the plain build, and so does -DVECTOR_PATHS=OFF (SONDE_PORTABLE).
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(SONDE_PORTABLE)
#define VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define VECTOR_CLONES
#endif
