// The show's own atan2, sin and cos: correctly rounded, judged against
// quadruple precision, on the arguments the show forms and on arguments from
// their whole reach.
#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <cstdio>
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

// sin and cos rounded from quadruple precision, whose 113 bits decide every
// rounding these tests meet.
static SinCos quad_sincos(double x)
{
    return {double(sinq(__float128(x))), double(cosq(__float128(x)))};
}

// Holds exact_sincos to quadruple precision at each argument and counts where
// the C library rounds the other way; a library sine within its one-ulp bound
// can differ only by the neighbouring double.
struct Tally {
    long arguments = 0, library_differs = 0;
};

static void expect_correctly_rounded(double x, Tally* tally)
{
    const SinCos got = exact_sincos(x), want = quad_sincos(x);
    ASSERT_EQ(got.sin, want.sin) << std::hexfloat << x;
    ASSERT_EQ(got.cos, want.cos) << std::hexfloat << x;
    const double library_sin = std::sin(x), library_cos = std::cos(x);
    if (library_sin != want.sin || library_cos != want.cos) {
        tally->library_differs++;
        EXPECT_TRUE(library_sin == want.sin || library_sin == std::nextafter(want.sin, library_sin))
            << std::hexfloat << x;
        EXPECT_TRUE(library_cos == want.cos || library_cos == std::nextafter(want.cos, library_cos))
            << std::hexfloat << x;
    }
    tally->arguments++;
}

TEST(ExactSinCos, IsCorrectlyRoundedAtEveryAngleTheShowForms)
{
    // Every millisecond of the show and a second past it, through each
    // time-driven angle; then the start-up tables' angles.
    Tally tally;
    for (uint32_t t = 0; t <= 102000; t++) {
        const double m = float(t), T = float(double(t) / 100.0);
        for (double x : {t / 1000.0, double(float(t) / 1000.0f), 3 * m / 2000, 9 * m / 2000,
                         7 * m / 2000, 5 * m / 2000, m / 850.0, m / 650.0, T * double(0.06165562f),
                         T * double(-0.36352262f)})
            expect_correctly_rounded(x, &tally);
    }
    for (uint32_t duration : {100u, 200u, 1000u})  // the flashes' curves, over their spans
        for (uint32_t n = 0; n <= duration; n++) {
            const float u = float(n) / float(duration);
            expect_correctly_rounded(pi_f * float(double(u) * u * (3.0 - 2.0 * u)), &tally);
        }
    for (int n = 0; n <= 400; n++)  // the rings' greys and background steps
        for (double x : {45 * n / 150.0, double(n)})
            expect_correctly_rounded(x, &tally);
    for (int i = 0; i < 256; i++)  // the palette
        for (double x : {i * pi_f / 128, (255 - i) * pi_f / 128})
            expect_correctly_rounded(x, &tally);
    for (int r = 0; r < 6; r++)  // the band's bevel
        expect_correctly_rounded((r + 1) * pi_f / 6, &tally);
    for (int i = 0; i <= 240; i++)  // the tunnel's angles
        for (int j = 0; j < 640; j++)
            expect_correctly_rounded(exact_atan2(i - 240.0, j == 320 ? 0.1 : j - 320.0), &tally);
    for (int i = 0; i < 512; i++)  // the deformation's angles and ripples
        for (int j = 0; j < 512; j++) {
            const float y = float(2.0 * i / 240.0 - 1.0), x = float(2.0 * j / 320.0 - 1.0);
            expect_correctly_rounded(float(exact_atan2(y, x)), &tally);
            expect_correctly_rounded(7.0 * float(std::sqrt(double(x) * x + double(y) * y)), &tally);
        }
    printf("the C library rounds %ld of the show's %ld angles otherwise\n", tally.library_differs,
           tally.arguments);
}

TEST(ExactSinCos, IsCorrectlyRoundedOverItsWholeReach)
{
    Tally tally;
    // Random arguments in every binade from 2^-27 to 2^30.
    std::mt19937_64 draw(23);
    std::uniform_real_distribution<double> unit(0.5, 1.0);
    for (int e = -26; e <= 30; e++)
        for (int n = 0; n < 4000; n++) {
            const double x = std::ldexp(unit(draw), e);
            expect_correctly_rounded(n % 2 ? -x : x, &tally);
        }
    // The doubles nearest multiples of pi/2, where the remainder cancels
    // hardest, both neighbours of each, and the closest approaches in range.
    const __float128 half_pi = acosq(__float128(0));
    for (int64_t k = 1; k < 680000000; k = k < 50000 ? k + 1 : k * 21 / 20 + 1) {
        const double x = double(__float128(k) * half_pi);
        for (double y : {x, std::nextafter(x, 0.0), std::nextafter(x, 2 * x)})
            expect_correctly_rounded(y, &tally);
    }
    for (double x : {0x1.6c6cbc45dc8dep+5, 0x1.6c6cbc45dc8dep+12, 0x1.b951f1572eba5p+23,
                     0x1.b951f1572eba5p+29, 0x1.39c6fd67805a7p+18, 0x1.9eb7148f354d6p+20,
                     0x1.67e57cdd4dc54p+15, 0x1.635e3d74befcap+14, 0x1.2d97c7f3321d2p+2,
                     0x1.65a1dd290660fp+16, 0x1.0dec1da5fa53fp+17})
        expect_correctly_rounded(x, &tally);
    printf("the C library rounds %ld of %ld arguments otherwise\n", tally.library_differs,
           tally.arguments);
}

TEST(ExactSinCos, KeepsItsEdges)
{
    const double nan = std::nan("");
    const struct {
        double x, sin, cos;
    } cases[] = {
        {0.0, 0.0, 1.0},
        {-0.0, -0.0, 1.0},
        {0x1p-28, 0x1p-28, 1.0},
        {-0x1.fffffffffffffp-28, -0x1.fffffffffffffp-28, 1.0},
        {sincos_reach, quad_sincos(sincos_reach).sin, quad_sincos(sincos_reach).cos},
        {-sincos_reach, quad_sincos(-sincos_reach).sin, quad_sincos(-sincos_reach).cos},
        {std::nextafter(sincos_reach, 2 * sincos_reach), nan, nan},
        {-1e300, nan, nan},
        {HUGE_VAL, nan, nan},
        {nan, nan, nan},
    };
    // The same double, sign included, or both NaN.
    const auto same = [](double a, double b) {
        return std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b);
    };
    for (const auto& c : cases) {
        const SinCos got = exact_sincos(c.x);
        EXPECT_TRUE(same(got.sin, c.sin)) << c.x << ": " << got.sin;
        EXPECT_TRUE(same(got.cos, c.cos)) << c.x << ": " << got.cos;
        EXPECT_TRUE(same(exact_sin(c.x), c.sin)) << c.x;
        EXPECT_TRUE(same(exact_cos(c.x), c.cos)) << c.x;
    }
}
