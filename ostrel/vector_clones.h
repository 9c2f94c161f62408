// Loops over many independent lanes are compiled for AVX-512, AVX2 and the
// baseline instruction set, and the best one the processor offers is picked
// when the program starts; other targets get the plain build.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define OSTREL_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define OSTREL_VECTOR_CLONES
#endif
