#include "core/random.h"

#include <algorithm>

void random_seed(Random* random, uint32_t seed)
{
    // Park and Miller's minimal standard generator fills the table, in
    // Schrage's form so that the products stay within 32 signed bits.
    uint32_t* state = random->state;
    int32_t word = seed == 0 ? 1 : int32_t(seed);
    state[0] = uint32_t(word);
    for (int i = 1; i < 31; i++) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        state[i] = uint32_t(word);
    }
    random->front = 3;
    random->rear = 0;
    // The first 310 sums still show the seed's pattern and are thrown away.
    for (int i = 0; i < 310; i++)
        random_next(random);
}

int random_next(Random* random)
{
    int next;
    random_fill(random, &next, 1);
    return next;
}

void random_fill(Random* random, int* out, int n)
{
    uint32_t* state = random->state;
    int f = random->front, r = random->rear;
    // In runs over which neither place wraps: the loop then has no branch
    // and no wrap of its own, the same sums in the same order.
    while (n > 0) {
        const int run = std::min({n, 31 - f, 31 - r});
        uint32_t* to = state + f;
        const uint32_t* from = state + r;
        for (int i = 0; i < run; i++) {
            const uint32_t sum = to[i] += from[i];
            out[i] = int(sum >> 1);
        }
        out += run;
        n -= run;
        f = f + run == 31 ? 0 : f + run;
        r = r + run == 31 ? 0 : r + run;
    }
    random->front = f;
    random->rear = r;
}
