#include "core/random.h"

void seed_random(Random* random, uint32_t seed)
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
        next_random(random);
}

int next_random(Random* random)
{
    int next;
    random_fill(random, &next, 1);
    return next;
}

void random_fill(Random* random, int* out, int n)
{
    // The places in locals: through a loop the compiler keeps them in registers.
    uint32_t* state = random->state;
    int f = random->front, r = random->rear;
    for (int i = 0; i < n; i++) {
        const uint32_t sum = state[f] += state[r];
        f = f == 30 ? 0 : f + 1;
        r = r == 30 ? 0 : r + 1;
        out[i] = int(sum >> 1);
    }
    random->front = f;
    random->rear = r;
}
