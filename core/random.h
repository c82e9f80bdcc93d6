// The show's random sequence: the title's noise and the stars draw from it,
// one after the other, so the order of the draws is the look. It is the
// sequence of glibc's rand() (the additive feedback generator of degree 31,
// r[i] = r[i-3] + r[i-31]), the same on every platform and from the same seed.
#pragma once

#include <cstdint>

// Where a sequence stands: the last 31 sums; `front` is where the next one
// goes and `rear` trails it by three places, so state[front] + state[rear] is
// r[i-31] + r[i-3].
struct Random {
    uint32_t state[31];
    int front, rear;
};

// The show's own seed.
constexpr uint32_t show_seed = 1;

// Starts the sequence over from a seed; 0 counts as 1, as glibc has it.
void random_seed(Random* random, uint32_t seed);

// The next number of the sequence, 0 to 2^31 - 1.
int random_next(Random* random);
// The next n numbers of the sequence into out, in order: n calls of
// random_next, without a call per number.
void random_fill(Random* random, int* out, int n);
