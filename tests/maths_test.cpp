// The show's own atan2: correctly rounded, judged against quadruple precision,
// on the arguments the tables use and on arguments from every octant.
#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <random>

#include "core/maths.h"

static double rounded_reference(double y, double x)
{
    return double(atan2q(__float128(y), __float128(x)));
}

TEST(ExactAtan2, TakesTheSignsAndAxesAsTheCLibraryDoes)
{
    const double pi = 3.141592653589793;
    const struct {
        double y, x, want;
    } cases[] = {
        {0.0, 0.0, 0.0},    {-0.0, 0.0, -0.0},         {0.0, -0.0, pi},    {-0.0, -0.0, -pi},
        {0.0, -3.0, pi},    {-0.0, -3.0, -pi},         {5.0, 0.0, pi / 2}, {-5.0, -0.0, -pi / 2},
        {1.0, 1.0, pi / 4}, {-2.0, -2.0, -3 * pi / 4}, {0.0, 7.0, 0.0},
    };
    for (const auto& c : cases) {
        const double got = exact_atan2(c.y, c.x);
        EXPECT_EQ(got, c.want) << c.y << "," << c.x;
        EXPECT_EQ(std::signbit(got), std::signbit(c.want)) << c.y << "," << c.x;
    }
}

TEST(ExactAtan2, IsCorrectlyRounded)
{
    // The tunnel's integer grid with its tenth off the axis, the deformation's
    // single-precision grid, and random arguments over wide ranges of size.
    for (int i = -240; i <= 240; i += 3)
        for (int j = -320; j < 320; j++) {
            const double x = j == 0 ? 0.1 : j;
            ASSERT_EQ(exact_atan2(i, x), rounded_reference(i, x)) << i << "," << x;
        }
    for (int i = 0; i < 512; i += 3)
        for (int j = 0; j < 512; j++) {
            const double y = float(2.0 * i / 240.0 - 1.0), x = float(2.0 * j / 320.0 - 1.0);
            ASSERT_EQ(exact_atan2(y, x), rounded_reference(y, x)) << y << "," << x;
        }
    std::mt19937_64 draw(17);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> scale(-300, 300);
    for (int n = 0; n < 200000; n++) {
        const double y = std::ldexp(unit(draw), scale(draw)),
                     x = std::ldexp(unit(draw), scale(draw));
        ASSERT_EQ(exact_atan2(y, x), rounded_reference(y, x)) << y << "," << x;
    }
}
