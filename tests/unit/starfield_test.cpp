// The starfield: projection, colour and clipping of one star, respawn timing
// and the order of its random draws, and targets it refuses.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/random.h"
#include "draw/blit.h"
#include "effects/starfield.h"
#include "tests/support.h"

constexpr uint32_t untouched = 0x12345678;

// Every star far off to the right and far from respawning, so it draws
// nothing; the tests then place the one star they look at.
static void park_stars(Star* stars)
{
    for (int i = 0; i < star_count; i++)
        stars[i] = Star{50.0f, 0.0f, 1.0f, {0.5f, 0.5f, 0.5f}};
}

static Surface* layer(int w, int h)
{
    Surface* s = surface_make_scratch(w, h);
    surface_fill(untouched, s);
    return s;
}

// One step from z 0.51 takes the star to 0.5: brightness 0.5005005 and, from
// the weights 0.75, 0.5, 0.999, the pixel 0xFF5F3F7F.
TEST(Starfield, ProjectsColoursAndClipsOneStar)
{
    Random random;
    random_seed(&random, show_seed);
    const struct {
        const char* what;
        float x, y;
        int cx, cy;
        int x0, x1, y0, y1;  // the block drawn; x0 > x1 for none
    } cases[] = {
        {"the worked example", 0.5f, -0.25f, 160, 120, 234, 236, 81, 83},
        {"top-left corner", 0.0f, 0.0f, 0, 0, 0, 1, 0, 1},
        {"bottom-right corner", 0.0f, 0.0f, 319, 239, 318, 319, 238, 239},
        {"column 320", 0.0f, 0.0f, 320, 120, 1, 0, 0, 0},
        {"row 240", 0.0f, 0.0f, 160, 240, 1, 0, 0, 0},
        {"x -0.5 truncates to column 0", -1.0f / 300, 0.0f, 0, 100, 0, 1, 99, 101},
        {"x -1.5 is off", -0.01f, 0.0f, 0, 100, 1, 0, 0, 0},
        {"beyond the int range", 0.9f, 0.9f, 2147483600, 2147483600, 1, 0, 0, 0},
    };
    Star stars[star_count];
    for (const auto& c : cases) {
        park_stars(stars);
        stars[0] = Star{c.x, c.y, 0.51f, {0.75f, 0.5f, 0.999f}};
        Surface* s = layer(320, 240);
        starfield_draw(stars, &random, c.cx, c.cy, star_depth_step, s);
        EXPECT_EQ(stars[0].z, 0.5f) << c.what;
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) {
                const bool in = x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1;
                ASSERT_EQ(pixel(s, x, y), in ? 0xFF5F3F7F : untouched)
                    << c.what << " at " << x << "," << y;
            }
        surface_free(s);
    }
}

TEST(Starfield, RespawnsWhenTheDepthStepTakesItToTheViewer)
{
    Random random;
    random_seed(&random, show_seed);
    const struct {
        float z;
        bool respawned;
    } cases[] = {{0.010f, true}, {0.005f, true}, {0.0f, true}, {0.011f, false}, {0.5f, false}};
    Surface* s = layer(320, 240);
    Star stars[star_count];
    for (const auto& c : cases) {
        park_stars(stars);
        stars[0].z = c.z;
        starfield_draw(stars, &random, 160, 120, star_depth_step, s);
        EXPECT_EQ(stars[0].z == 1.0f, c.respawned) << c.z;
    }
    // From the far end the star flies 99 calls and is respawned in the 100th.
    park_stars(stars);
    stars[0] = Star{0.1f, 0.1f, 1.0f, {0.5f, 0.5f, 0.5f}};
    for (int call = 1; call <= 100; call++) {
        starfield_draw(stars, &random, 160, 120, star_depth_step, s);
        ASSERT_EQ(stars[0].z == 1.0f, call == 100) << "call " << call << " z " << stars[0].z;
    }
    surface_free(s);
}

// The random draws are the stars' identity: same draws, same order. A
// respawned star is drawn in that same call as a black block at the far end.
TEST(Starfield, DrawsFromRandInItsFixedOrder)
{
    Random check, random;
    const auto position = [&] { return float((random_next(&check) % 1000) / 500.0 - 1.0); };
    const auto colour = [&] { return float((random_next(&check) % 500) / 1000.0 + 0.5); };
    random_seed(&check, 99);
    const float x = position(), y = position(), z = float((random_next(&check) % 1000) / 1000.0);
    const float c0 = colour(), c1 = colour(), c2 = colour();
    random_seed(&random, 99);
    Star* stars = starfield_make(&random);
    ASSERT_NE(stars, nullptr);
    EXPECT_EQ(stars[0].x, x);
    EXPECT_EQ(stars[0].y, y);
    EXPECT_EQ(stars[0].z, z);
    EXPECT_EQ(stars[0].colour[0], c0);
    EXPECT_EQ(stars[0].colour[1], c1);
    EXPECT_EQ(stars[0].colour[2], c2);

    random_seed(&check, 5);
    const float rx = position(), ry = position();
    const float r0 = colour(), r1 = colour(), r2 = colour();
    park_stars(stars);
    stars[7].z = 0.005f;
    Surface* s = layer(320, 240);
    random_seed(&random, 5);
    starfield_draw(stars, &random, 160, 120, star_depth_step, s);
    const Star& r = stars[7];
    EXPECT_TRUE(r.x == rx && r.y == ry && r.z == 1.0f);
    EXPECT_TRUE(r.colour[0] == r0 && r.colour[1] == r1 && r.colour[2] == r2);
    const int sx = int(rx * 75.0 + 160), sy = int(ry * 75.0 + 120);
    EXPECT_EQ(pixel(s, sx, sy), 0xFF000000u);
    EXPECT_EQ(pixel(s, sx + 1, sy + 1), 0xFF000000u);
    surface_free(s);

    // A respawn on its own makes the same draws in the same order.
    random_seed(&random, 5);
    Star one = {0.0f, 0.0f, 0.3f, {0.0f, 0.0f, 0.0f}};
    star_respawn(&random, &one);
    EXPECT_TRUE(one.x == rx && one.y == ry && one.z == 1.0f);
    EXPECT_TRUE(one.colour[0] == r0 && one.colour[1] == r1 && one.colour[2] == r2);
    delete[] stars;
}

TEST(Starfield, RefusesTargetsItWouldWritePast)
{
    Random random;
    random_seed(&random, show_seed);
    Star stars[star_count];
    park_stars(stars);
    stars[0] = Star{0.0f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}};
    starfield_draw(stars, &random, 10, 10, star_depth_step, nullptr);
    const struct {
        int w, h;
        Star* stars;
    } cases[] = {{319, 240, stars}, {320, 239, stars}, {100, 100, stars}, {320, 240, nullptr}};
    for (const auto& c : cases) {
        Surface* s = layer(c.w, c.h);
        starfield_draw(c.stars, &random, 10, 10, star_depth_step, s);
        for (int y = 0; y < s->h; y++)
            for (int x = 0; x < s->w; x++)
                ASSERT_EQ(pixel(s, x, y), untouched)
                    << c.w << "x" << c.h << (c.stars ? "" : " without stars");
        surface_free(s);
    }
}

TEST(Starfield, CentreSwingsAlongTheDiagonal)
{
    const struct {
        uint32_t t;
        int x, y;
    } cases[] = {{43227, 132, 92}, {45000, 194, 154}, {50058, 151, 111}, {90000, 195, 155}};
    for (const auto& c : cases) {
        const StarCentre centre = starfield_centre(c.t);
        EXPECT_EQ(centre.x, c.x) << c.t;
        EXPECT_EQ(centre.y, c.y) << c.t;
    }
}
