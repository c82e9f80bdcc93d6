// The starfield: projection, colour and clipping of one star, respawn timing
// and the order of its random draws, and targets it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "effects/starfield.h"
#include "shell/image.h"
#include "tests/support.h"

constexpr Uint32 untouched = 0x12345678;

// Every star far off to the right and far from respawning, so it draws
// nothing; the tests then place the one star they look at.
static void park_stars()
{
    if (!stars)
        starfield_init();
    for (int i = 0; i < star_count; i++)
        stars[i] = Star{50.0f, 0.0f, 1.0f, {0.5f, 0.5f, 0.5f}};
}

static SDL_Surface* layer(Uint32 fill)
{
    video_once();
    SDL_Surface* s = create_scratch_layout_surface(0, 320, 240);
    SDL_FillRect(s, nullptr, fill);
    return s;
}

TEST(Starfield, ProjectsColoursAndClipsOneStar)
{
    const struct {
        const char* what;
        Star star;
        int cx, cy;
        int x0, x1, y0, y1;  // the block drawn; x0 > x1 for none
        Uint32 value;
    } cases[] = {
        {"the worked example",
         {0.5f, -0.25f, 0.51f, {0.75f, 0.5f, 0.999f}},
         160,
         120,
         234,
         236,
         81,
         83,
         0xFF5F3F7F},
        {"top-left corner",
         {0.0f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}},
         0,
         0,
         0,
         1,
         0,
         1,
         0xFF5F3F7F},
        {"bottom-right corner",
         {0.0f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}},
         319,
         239,
         318,
         319,
         238,
         239,
         0xFF5F3F7F},
        {"column 320", {0.0f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}}, 320, 120, 1, 0, 0, 0, 0},
        {"row 240", {0.0f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}}, 160, 240, 1, 0, 0, 0, 0},
        {"x -0.5 truncates to column 0",
         {-1.0f / 300, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}},
         0,
         100,
         0,
         1,
         99,
         101,
         0xFF5F3F7F},
        {"x -1.5 is off", {-0.01f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}}, 0, 100, 1, 0, 0, 0, 0},
        {"far out of the int range",
         {0.9f, 0.9f, 0.51f, {0.75f, 0.5f, 0.999f}},
         2147483600,
         2147483600,
         1,
         0,
         0,
         0,
         0},
        {"brightest colours",
         {0.0f, 0.0f, 0.0111f, {0.999f, 0.999f, 0.999f}},
         50,
         50,
         49,
         51,
         49,
         51,
         0xFFFEFEFE},
    };
    for (const auto& c : cases) {
        park_stars();
        stars[0] = c.star;
        SDL_Surface* s = layer(untouched);
        starfield_draw(s, c.cx, c.cy, star_depth_step);
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) {
                const bool in = x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1;
                ASSERT_EQ(pixel(s, x, y), in ? c.value : untouched)
                    << c.what << " at " << x << "," << y;
            }
        SDL_FreeSurface(s);
    }
    park_stars();
    stars[0] = cases[0].star;
    SDL_Surface* s = layer(untouched);
    starfield_draw(s, 160, 120, star_depth_step);
    EXPECT_EQ(stars[0].z, 0.5f);
}

TEST(Starfield, RespawnsWhenTheDepthStepTakesItToTheViewer)
{
    const struct {
        float z;
        bool respawned;
    } cases[] = {{0.010f, true}, {0.005f, true}, {0.0f, true}, {0.011f, false}, {0.5f, false}};
    SDL_Surface* s = layer(0);
    for (const auto& c : cases) {
        park_stars();
        stars[0].z = c.z;
        starfield_draw(s, 160, 120, star_depth_step);
        if (c.respawned)
            EXPECT_EQ(stars[0].z, 1.0f) << c.z;
        else
            EXPECT_NE(stars[0].z, 1.0f) << c.z;
    }

    // From the far end the star flies 99 calls and is respawned in the 100th.
    park_stars();
    stars[0] = Star{0.1f, 0.1f, 1.0f, {0.5f, 0.5f, 0.5f}};
    for (int call = 1; call <= 100; call++) {
        starfield_draw(s, 160, 120, star_depth_step);
        ASSERT_EQ(stars[0].z == 1.0f, call == 100) << "call " << call << " z " << stars[0].z;
    }
    SDL_FreeSurface(s);
}

// The random draws are the stars' identity: same draws, same order, and a
// respawned star is drawn in that call as a black block at the far end.
TEST(Starfield, DrawsFromRandInItsFixedOrder)
{
    const auto position = [] { return float((rand() % 1000) / 500.0 - 1.0); };
    const auto colour = [] { return float((rand() % 500) / 1000.0 + 0.5); };

    srand(99);
    Star want[2];
    for (Star& w : want) {
        w.x = position();
        w.y = position();
        w.z = float((rand() % 1000) / 1000.0);
        for (float& c : w.colour)
            c = colour();
    }
    delete[] stars;
    srand(99);
    starfield_init();
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(stars[i].x, want[i].x);
        EXPECT_EQ(stars[i].y, want[i].y);
        EXPECT_EQ(stars[i].z, want[i].z);
        for (int n = 0; n < 3; n++)
            EXPECT_EQ(stars[i].colour[n], want[i].colour[n]);
    }

    srand(5);
    Star again;
    again.x = position();
    again.y = position();
    for (float& c : again.colour)
        c = colour();
    park_stars();
    stars[7].z = 0.005f;
    SDL_Surface* s = layer(untouched);
    srand(5);
    starfield_draw(s, 160, 120, star_depth_step);
    EXPECT_EQ(stars[7].x, again.x);
    EXPECT_EQ(stars[7].y, again.y);
    EXPECT_EQ(stars[7].z, 1.0f);
    for (int n = 0; n < 3; n++)
        EXPECT_EQ(stars[7].colour[n], again.colour[n]);
    const int sx = int(again.x * 75.0 + 160), sy = int(again.y * 75.0 + 120);
    EXPECT_EQ(pixel(s, sx, sy), 0xFF000000u);
    EXPECT_EQ(pixel(s, sx + 1, sy + 1), 0xFF000000u);
    SDL_FreeSurface(s);
}

TEST(Starfield, RefusesTargetsItWouldWritePast)
{
    park_stars();
    stars[0] = Star{0.0f, 0.0f, 0.51f, {0.75f, 0.5f, 0.999f}};
    starfield_draw(nullptr, 10, 10, star_depth_step);
    video_once();
    for (const auto& size : {std::pair<int, int>{319, 240}, {320, 239}, {100, 100}}) {
        SDL_Surface* s = create_scratch_layout_surface(0, size.first, size.second);
        SDL_FillRect(s, nullptr, untouched);
        starfield_draw(s, 10, 10, star_depth_step);
        for (int y = 0; y < s->h; y++)
            for (int x = 0; x < s->w; x++)
                ASSERT_EQ(pixel(s, x, y), untouched) << size.first << "x" << size.second;
        SDL_FreeSurface(s);
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
