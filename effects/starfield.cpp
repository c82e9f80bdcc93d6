#include "effects/starfield.h"

#include <new>

#include "core/maths.h"
#include "core/random.h"
#include "draw/surface.h"

// The stars are addressed as a 320 x 240 picture whose rows lie this far apart,
// whatever the target's pitch.
constexpr int field_width = 320;
constexpr int field_height = 240;
constexpr double star_scale = 75.0;      // projection: pixels per unit of x / z
constexpr float respawn_depth = 0.001f;  // a star this close has reached the viewer
constexpr float far_depth = 1.0f;
constexpr float depth_span = 0.999f;  // from the far end to the viewer

// One draw each; the show seeds the sequence once, so every run flies the same
// stars.
static float position_draw(Random* random)
{
    return float((random_next(random) % 1000) / 500.0 - 1.0);
}

static float colour_draw(Random* random)
{
    return float((random_next(random) % 500) / 1000.0 + 0.5);
}

static float depth_draw(Random* random)
{
    return float((random_next(random) % 1000) / 1000.0);
}

StarCentre starfield_centre(uint32_t t)
{
    const double s = exact_sin(t / 1000.0);
    return {int(160.0 + 40.0 * s), int(120.0 + 40.0 * s)};
}

Star* starfield_make(Random* random)
{
    Star* stars = new (std::nothrow) Star[star_count];
    if (!stars)
        return nullptr;
    // One statement per draw: the order of the draws is the stars' identity.
    for (int i = 0; i < star_count; i++) {
        Star& s = stars[i];
        s.x = position_draw(random);
        s.y = position_draw(random);
        s.z = depth_draw(random);
        s.colour[0] = colour_draw(random);
        s.colour[1] = colour_draw(random);
        s.colour[2] = colour_draw(random);
    }
    return stars;
}

void star_respawn(Random* random, Star* star)
{
    Star& s = *star;
    s.x = position_draw(random);
    s.y = position_draw(random);
    s.colour[0] = colour_draw(random);
    s.colour[1] = colour_draw(random);
    s.colour[2] = colour_draw(random);
    s.z = far_depth;
}

void starfield_draw(Star* stars, Random* random, int cx, int cy, float depth_step, Surface* target)
{
    // Rows are taken 320 pixels apart, so a smaller target would be written past.
    if (!stars || !target || target->w < field_width || target->h < field_height)
        return;
    uint32_t* const pixels = target->pixels;
    for (int i = 0; i < star_count; i++) {
        Star& s = stars[i];
        s.z = s.z + depth_step;
        if (s.z <= respawn_depth)
            star_respawn(random, &s);  // drawn below at the far end: a black block
        const double b = float((1.0 - double(s.z)) / double(depth_span));
        const uint32_t k0 = uint32_t(int(s.colour[0] * 255.0 * b)) & 0xFF;
        const uint32_t k1 = uint32_t(int(s.colour[1] * 255.0 * b)) & 0xFF;
        const uint32_t k2 = uint32_t(int(s.colour[2] * 255.0 * b)) & 0xFF;
        const uint32_t value = 0xFF000000 | k0 << 16 | k1 << 8 | k2;

        // Kept in double until the range test: trunc(sx) >= 0 exactly when
        // sx > -1, and an off-screen star may lie far beyond the int range.
        const double sx = float(s.x / s.z) * star_scale + cx;
        const double sy = float(s.y / s.z) * star_scale + cy;
        if (!(sx > -1.0 && sx < field_width && sy > -1.0 && sy < field_height))
            continue;
        const int px = int(sx), py = int(sy);
        const int x0 = px > 0 ? px - 1 : 0;
        const int x1 = px < field_width - 1 ? px + 1 : field_width - 1;
        const int y0 = py > 0 ? py - 1 : 0;
        const int y1 = py < field_height - 1 ? py + 1 : field_height - 1;
        for (int y = y0; y <= y1; y++) {
            uint32_t* row = pixels + y * field_width;
            for (int x = x0; x <= x1; x++)
                row[x] = value;
        }
    }
}
