// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef> // names the C library, for __GLIBC__

// Loops over a row's interleaved bytes (three to a pixel) that the compiler
// vectorises only with byte shuffles, which the x86-64 baseline lacks: marked
// with this, such a function is compiled again for SSSE3 and for AVX2, and
// the best copy the processor runs is chosen when the program starts (which
// takes the GNU C library's indirect functions). The copies compute the same
// bytes. Elsewhere, and with compilers that do not make such copies, the
// plain function.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__GLIBC__)
#define VELMORA_VECTOR_CLONES __attribute__((target_clones("avx2", "ssse3", "default")))
#else
#define VELMORA_VECTOR_CLONES
#endif
