// The show's random sequence: the title's noise and the stars draw from it,
// one after the other, so the order of the draws is the look. It is the
// sequence of glibc's rand() (the additive feedback generator of degree 31,
// r[i] = r[i-3] + r[i-31]), the same on every platform and from the same seed.
#pragma once

#include <cstdint>

// Starts the sequence over from a seed; 0 counts as 1, as glibc has it. Before
// any call the sequence is the one of seed 1.
void seed_random(uint32_t seed);

// The next number of the sequence, 0 to 2^31 - 1.
int next_random();
// The next n numbers of the sequence into out, in order: n calls of
// next_random, without a call per number.
void random_fill(int* out, int n);
