// The core's small rules: how a float position becomes a pixel, and the
// show's own random sequence.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/maths.h"
#include "core/random.h"

TEST(PositionRounding, AddsHalfAndTruncatesTowardZero)
{
    const struct {
        float v;
        int want;
    } cases[] = {
        {2.5f, 3}, {2.4f, 2},      {-0.7f, 0},       {-1.6f, -1},
        {0.0f, 0}, {319.49f, 319}, {0.49999997f, 0}, {8388609.0f, 8388609},
    };
    for (const auto& c : cases)
        EXPECT_EQ(round_position(c.v), c.want) << c.v;
}

// The show seeds its sequence as rand() is before any srand(), and each
// sequence stands on its own: draws from one leave another where it was.
TEST(RandomSequence, ShowsSeedIsRandsFirstAndSequencesStandApart)
{
    Random a, b;
    random_seed(&a, show_seed);
    random_seed(&b, show_seed);
    srand(1);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(random_next(&a), rand()) << "draw " << i;
    srand(1);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(random_next(&b), rand()) << "draw " << i;
}

// The show's own sequence is glibc's rand(): the same numbers from the same
// seed, 0 being taken as 1.
TEST(RandomSequence, IsTheCLibrarysRandFromTheSameSeed)
{
    const unsigned seeds[] = {1, 0, 7, 12345, 2147483647u, 4294967295u};
    for (const unsigned seed : seeds) {
        srand(seed);
        Random random;
        random_seed(&random, seed);
        for (int i = 0; i < 20000; i++)
            ASSERT_EQ(random_next(&random), rand()) << "seed " << seed << ", draw " << i;
    }
}

// A run drawn in one call is the run of single draws, however the run's
// length falls on the generator's 31 places, and the sequence goes on after it.
TEST(RandomSequence, FillIsTheSameRunAsSingleDraws)
{
    const int lengths[] = {1, 2, 3, 30, 31, 32, 320, 1000};
    srand(99);
    Random random;
    random_seed(&random, 99);
    int run[1000];
    for (const int n : lengths) {
        random_fill(&random, run, n);
        for (int i = 0; i < n; i++)
            ASSERT_EQ(run[i], rand()) << "run of " << n << ", draw " << i;
        ASSERT_EQ(random_next(&random), rand()) << "after a run of " << n;
    }
}
