#include "core/random.h"

// The last 31 sums; `front` is where the next one goes and `rear` trails it
// by three places, so state[front] + state[rear] is r[i-31] + r[i-3].
static uint32_t state[31];
static int front, rear;
static bool seeded;

void seed_random(uint32_t seed)
{
    // Park and Miller's minimal standard generator fills the table, in
    // Schrage's form so that the products stay within 32 signed bits.
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
    front = 3;
    rear = 0;
    seeded = true;
    // The first 310 sums still show the seed's pattern and are thrown away.
    for (int i = 0; i < 310; i++)
        next_random();
}

int next_random()
{
    int next;
    random_fill(&next, 1);
    return next;
}

void random_fill(int* out, int n)
{
    if (!seeded)
        seed_random(1);
    // The places in locals: through a loop the compiler keeps them in registers.
    int f = front, r = rear;
    for (int i = 0; i < n; i++) {
        const uint32_t sum = state[f] += state[r];
        f = f == 30 ? 0 : f + 1;
        r = r == 30 ? 0 : r + 1;
        out[i] = int(sum >> 1);
    }
    front = f;
    rear = r;
}
