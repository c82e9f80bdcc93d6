// Nineteen greeting logos for invented groups, each in its own lettering and
// colours. They are keyed onto a dark glowing layer, so every edge is either
// hard or shaded toward black, never toward the magenta key.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "core/maths.h"
#include "generators/pictures/glyphs.h"
#include "generators/pictures/pictures.h"

constexpr Colour ink = 0x0C0614;

enum class Letters {
    chrome,    // sky-and-sunset metal on a deep extrusion
    bubble,    // fat rounded letters with shine spots
    neon,      // hollow tubes with a glow
    dots,      // a matrix of round lamps
    stripes,   // blocky capitals in horizontal bands
    extruded,  // a long isometric extrusion
    wavy,      // each letter riding a wave
    sliced,    // cut by a diagonal gap
    double_line,
    tiles,     // every pixel a bevelled tile
    rainbow,   // one hue per letter
    ice,       // frosted, with icicles
    fire,      // hot ramp with flames licking up
    checker,   // racing checks inside a keyline
    badge,     // on an oval emblem
    scanline,  // drawn in raster lines
    swoosh,    // shadowed, underlined by a swoosh
    stacked,   // two lines
    grand,     // the last one: chrome, a halo of rays, sparkles
};

struct Logo {
    const char* name;
    Letters letters;
    int smooth, block;  // lettering scale: 2^smooth * block
    double slope;       // italic slant
    Colour ramp[4];     // top to bottom
    Colour accent;
};

static constexpr Logo logos[logo_count] = {
    {"Murmelade", Letters::bubble, 2, 1, 0, {0xFFE0F0, 0xFF8AC8, 0xE04A9A, 0x9A2070}, 0xFFFFFF},
    {"ZINKFLOSS", Letters::stripes, 0, 5, 0, {0x9CF8FF, 0x3CC8F0, 0x1A7AC8, 0x0C3A8A}, 0xFFE040},
    {"Pelagonix", Letters::neon, 2, 1, 0.2, {0x80FFE8, 0x20E0C0, 0x10A090, 0x086050}, 0x20E0C0},
    {"HEXATROLL", Letters::extruded, 1, 2, 0, {0xFFF0A0, 0xFFC040, 0xF08020, 0xB04810}, 0x5A1A40},
    {"Kolibrax", Letters::dots, 0, 5, 0, {0xC0FF90, 0x60F040, 0x30B020, 0x187010}, 0x204018},
    {"Quivertide", Letters::wavy, 2, 1, 0, {0xE0F0FF, 0x80B8FF, 0x4070E0, 0x2838A0}, 0xFFFFFF},
    {"OXBOWL", Letters::sliced, 1, 4, 0, {0xFFFFFF, 0xFFD0A0, 0xFF8050, 0xD03A30}, 0x2A0C18},
    {"Flimmerkatz",
     Letters::double_line,
     2,
     1,
     0.25,
     {0xFFF4C0, 0xFFE060, 0xFFB020, 0xE07010},
     0xF03CA0},
    {"Tesselvik", Letters::tiles, 0, 4, 0, {0xB0A0FF, 0x7A5CF0, 0x5238C8, 0x301C8A}, 0xE0D8FF},
    {"GROMPHONIC", Letters::rainbow, 2, 1, 0, {0, 0, 0, 0}, 0xFFFFFF},
    {"Loopwyrm", Letters::ice, 1, 3, 0, {0xFFFFFF, 0xD0F4FF, 0x80D0F0, 0x4898D0}, 0xE8FCFF},
    {"Nimbuskat", Letters::fire, 1, 3, 0.15, {0xFFFFC0, 0xFFD040, 0xFF7A10, 0xC02010}, 0xFF4A10},
    {"Sundertape", Letters::checker, 2, 1, 0, {0xFFFFFF, 0x202028, 0, 0}, 0xF02838},
    {"BRUMBIT", Letters::badge, 1, 3, 0, {0xFFFFFF, 0xFFF0C0, 0xFFD890, 0xE8B060}, 0x2A5CD0},
    {"Voxmire", Letters::scanline, 2, 2, 0, {0x80FFC0, 0x40E8A0, 0x20B870, 0x108050}, 0x40E8A0},
    {"Crumbledust", Letters::swoosh, 2, 1, 0.2, {0xFFE8D0, 0xF0B080, 0xD07A48, 0x8A4424}, 0xFF6A3A},
    {"Yonder byte", Letters::stacked, 1, 4, 0, {0xF0E0FF, 0xC090FF, 0x8A50E8, 0x5A28B0}, 0xFFD040},
    {"Plinthicus", Letters::chrome, 2, 1, 0, {0xD8F0FF, 0x70A8E8, 0x704020, 0xF0B060}, 0x1A0C30},
    {"Wobblecrest", Letters::grand, 2, 1, 0.12, {0xFFFFFF, 0xFFE890, 0xFF9A40, 0xE04A70}, 0x60E0FF},
};

static Mask letters_of(const Logo& logo, const char* text)
{
    Mask m = lettering(text, 1, logo.smooth, logo.block);
    return logo.slope > 0 ? slant(m, logo.slope) : m;
}

// Capital height of a lettering scale, in pixels.
static int cap_height(const Logo& logo)
{
    return 6 * (1 << logo.smooth) * logo.block;
}

// Fills the mask from the logo's ramp over the capital height starting at
// mask row top, with a light top edge and a shaded bottom edge.
static void fill_letters(Canvas& c, const Mask& m, int x0, int y0, const Logo& logo, int top)
{
    const int caps = cap_height(logo);
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++) {
            if (!mask_at(m, x, y))
                continue;
            Colour v = ramp_at(logo.ramp, 4, double(y - top) / caps, x0 + x, y0 + y);
            if (!mask_at(m, x, y - 1))
                v = shade(v, 1);
            else if (!mask_at(m, x, y + 1))
                v = shade(v, -1);
            put(c, x0 + x, y0 + y, v);
        }
}

// A halo around a mask that fades into the black layer it will sit on.
static void glow(Canvas& c, const Mask& m, int x0, int y0, Colour v, int radius)
{
    Mask grown = m;
    for (int r = 1; r <= radius; r++) {
        const Mask next = dilate(grown);
        const Colour ring_colour = mix(v, 0x000000, double(r) / (radius + 1));
        for (int y = 0; y < m.h; y++)
            for (int x = 0; x < m.w; x++)
                if (mask_at(next, x, y) && !mask_at(grown, x, y) &&
                    (r < radius - 1 || bayer(x0 + x, y0 + y) < 0.6))
                    put(c, x0 + x, y0 + y, ring_colour);
        grown = next;
    }
}

// A mask padded on every side, so outlines and glows have room.
static Mask pad(const Mask& m, int p)
{
    Mask out = make_mask(m.w + 2 * p, m.h + 2 * p);
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++)
            out.on[size_t(y + p) * out.w + x + p] = m.on[size_t(y) * m.w + x];
    return out;
}

static void draw_name(Canvas& c, const Logo& logo, const char* text, int cx, int top)
{
    const int p = 12;
    const Mask m = pad(letters_of(logo, text), p);
    const int x0 = cx - m.w / 2, y0 = top - p;
    const int caps = cap_height(logo);
    switch (logo.letters) {
        case Letters::bubble: {
            const Mask fat = dilate(dilate(m));
            paint_mask(c, dilate(dilate(fat)), x0, y0, ink);
            paint_mask(c, dilate(fat), x0, y0, logo.ramp[3]);
            fill_letters(c, fat, x0, y0, logo, p - 2);
            for (int y = 0; y < m.h; y++)
                for (int x = 0; x < m.w; x++)
                    if (mask_at(fat, x, y) && !mask_at(fat, x, y - 2) &&
                        !mask_at(fat, x - 1, y - 3) && mask_at(fat, x, y + 3))
                        put(c, x0 + x, y0 + y + 1, logo.accent);
            break;
        }
        case Letters::stripes: {
            // Blocky capitals in venetian bands, one keyline around the word.
            const int b = logo.block;
            const Mask g = enlarge_mask(lettering(text, 1, 0, 1), b);
            const int gx = cx - g.w / 2;
            paint_mask(c, dilate(dilate(g)), gx, top, ink);
            for (int y = 0; y < g.h; y++)
                for (int x = 0; x < g.w; x++)
                    if (mask_at(g, x, y)) {
                        const Colour v = ramp_at(logo.ramp, 4, y / (6.0 * b), gx + x, top + y);
                        put(c, gx + x, top + y,
                            !mask_at(g, x, y - 1) ? shade(v, 2)
                            : (y / 2) & 1         ? shade(v, -1)
                                                  : v);
                    }
            fill_rect(c, gx - 6, top + 7 * b + 3, g.w + 12, 5, ink);
            fill_rect(c, gx - 5, top + 7 * b + 4, g.w + 10, 3, logo.accent);
            break;
        }
        case Letters::tiles:
        case Letters::dots: {
            // Letters built of lamps or tiles, one per pixel of the bare glyphs.
            const Mask g = slant(lettering(text, 1, 0, 1), logo.slope);
            const int b = logo.block;
            const int gx = cx - g.w * b / 2;
            for (int j = 0; j < g.h; j++)
                for (int i = 0; i < g.w; i++) {
                    if (!mask_at(g, i, j))
                        continue;
                    const int x = gx + i * b, y = top + j * b;
                    const Colour v = logo.ramp[std::min(3, j * 4 / 6)];
                    if (logo.letters == Letters::dots) {
                        Mask dot = make_mask(b + 2, b + 2);
                        mask_ellipse(dot, (b + 2) / 2.0, (b + 2) / 2.0, b / 2.0 + 0.6,
                                     b / 2.0 + 0.6);
                        paint_mask(c, dilate(dot), x - 1, y - 1, logo.accent);
                        paint_mask(c, dot, x - 1, y - 1, v);
                        put(c, x + 1, y + 1, 0xFFFFFF);
                    } else {
                        fill_rect(c, x, y, b, b, ink);
                        fill_rect(c, x, y, b - 1, b - 1, shade(v, 1));
                        fill_rect(c, x + 1, y + 1, b - 2, b - 2, v);
                        put(c, x, y, logo.accent);
                    }
                }
            break;
        }
        case Letters::neon: {
            const Mask tube = dilate(m);
            const Mask core = erode(tube), hollow = erode(core);
            glow(c, tube, x0, y0, logo.accent, 6);
            for (int y = 0; y < m.h; y++)
                for (int x = 0; x < m.w; x++)
                    if (mask_at(tube, x, y) && !mask_at(hollow, x, y))
                        put(c, x0 + x, y0 + y, mask_at(core, x, y) ? 0xF0FFFC : logo.ramp[1]);
            break;
        }
        case Letters::extruded: {
            const Mask rim = dilate(m);
            for (int d = 12; d >= 1; d--)
                paint_mask(c, rim, x0 + d, y0 + d / 2,
                           d == 12 ? ink : mix(logo.accent, ink, d / 14.0));
            paint_mask(c, rim, x0, y0, ink);
            fill_letters(c, m, x0, y0, logo, p);
            break;
        }
        case Letters::wavy: {
            // Letters one at a time on a sine, each outlined and filled.
            const Mask g = lettering(text, 1, logo.smooth, logo.block);
            const int left = cx - g.w / 2;
            int pen = 0;
            for (int i = 0; text[i]; i++) {
                const char one[2] = {text[i], 0};
                const Mask l = pad(lettering(one, 0, logo.smooth, logo.block), 3);
                const int lift = int(std::floor(8 * dsin(i * 0.9) + 0.5));
                paint_mask(c, dilate(dilate(l)), left + pen - 3, top - 3 + lift + 3, 0x1A1450);
                paint_mask(c, dilate(l), left + pen - 3, top - 3 + lift, ink);
                fill_letters(c, l, left + pen - 3, top - 3 + lift, logo, 3);
                pen += glyph_width(text[i]) * (1 << logo.smooth) * logo.block + (1 << logo.smooth);
            }
            break;
        }
        case Letters::sliced: {
            const Mask rim = dilate(dilate(m));
            paint_mask(c, rim, x0, y0, ink);
            fill_letters(c, m, x0, y0, logo, p);
            // A slanting cut through every letter.
            for (int y = 0; y < m.h; y++)
                for (int x = 0; x < m.w; x++) {
                    const int d = (y - p) - caps / 2 + (x - m.w / 2) / 8;
                    if (mask_at(rim, x, y) && (d == 0 || d == 1 || d == 2))
                        put(c, x0 + x, y0 + y, d == 1 ? key : ink);
                }
            break;
        }
        case Letters::double_line: {
            const Mask a = dilate(dilate(m)), b = dilate(dilate(a));
            paint_mask(c, dilate(b), x0, y0, ink);
            paint_mask(c, b, x0, y0, logo.accent);
            paint_mask(c, a, x0, y0, ink);
            fill_letters(c, m, x0, y0, logo, p);
            break;
        }
        case Letters::rainbow: {
            const Mask g = lettering(text, 1, logo.smooth, logo.block);
            const int left = cx - g.w / 2;
            int pen = 0;
            const int n = int(strlen(text));
            for (int i = 0; i < n; i++) {
                const char one[2] = {text[i], 0};
                const Mask l = pad(lettering(one, 0, logo.smooth, logo.block), 3);
                const double hue = double(i) / n;
                const Logo tint = {
                    nullptr,
                    logo.letters,
                    logo.smooth,
                    logo.block,
                    0,
                    {hsv(hue, 0.25, 1), hsv(hue, 0.7, 1), hsv(hue, 0.9, 0.85), hsv(hue, 1, 0.55)},
                    0};
                paint_mask(c, dilate(dilate(l)), left + pen - 3 + 2, top - 3 + 3, 0x202030);
                paint_mask(c, dilate(l), left + pen - 3, top - 3, ink);
                fill_letters(c, l, left + pen - 3, top - 3, tint, 3);
                pen += glyph_width(text[i]) * (1 << logo.smooth) * logo.block + (1 << logo.smooth);
            }
            break;
        }
        case Letters::ice: {
            paint_mask(c, dilate(dilate(m)), x0, y0, 0x10284A);
            fill_letters(c, m, x0, y0, logo, p);
            // Icicles hang from the lowest ink of every column band.
            Rng rng{0x1c1c1e};
            for (int x = 2; x < m.w - 2; x += 3) {
                int bottom = -1;
                for (int y = m.h - 1; y >= 0; y--)
                    if (mask_at(m, x, y)) {
                        bottom = y;
                        break;
                    }
                if (bottom < 0 || range(rng, 0, 2) == 0 || !mask_at(m, x - 1, bottom) ||
                    !mask_at(m, x + 1, bottom))
                    continue;
                const int len = range(rng, 3, 9);
                for (int k = 1; k <= len; k++) {
                    const int half = k < len / 2 ? 1 : 0;
                    for (int dx = -half - 1; dx <= half + 1; dx++)
                        put(c, x0 + x + dx, y0 + bottom + k, ink);
                    for (int dx = -half; dx <= half; dx++)
                        put(c, x0 + x + dx, y0 + bottom + k, dx < 0 || k < 2 ? 0xFFFFFF : 0xA0E0F8);
                }
                put(c, x0 + x, y0 + bottom + len + 1, ink);
            }
            break;
        }
        case Letters::fire: {
            // Flames rise from every letter's top edges, hottest at the root.
            Rng rng{0xf1a3e};
            Mask flames = m;
            for (int x = 0; x < m.w; x++) {
                int topmost = -1;
                for (int y = 0; y < m.h; y++)
                    if (mask_at(m, x, y)) {
                        topmost = y;
                        break;
                    }
                if (topmost < 0)
                    continue;
                const int len = int(4 + 6 * (0.5 + 0.5 * dsin(x * 0.45)) + range(rng, 0, 3));
                for (int k = 1; k <= len; k++)
                    if (dsin(x * 0.45 + k * 0.15) > -0.2 || k < 3)
                        flames.on[size_t(topmost - k) * m.w + x] = topmost - k >= 0;
            }
            flames = erode(dilate(flames));
            paint_mask(c, dilate(dilate(flames)), x0, y0, 0x3A0804);
            static constexpr Colour flame_ramp[] = {0xC02010, 0xFF6A10, 0xFFC030};
            for (int y = 0; y < m.h; y++)
                for (int x = 0; x < m.w; x++)
                    if (mask_at(flames, x, y) && !mask_at(m, x, y))
                        put(c, x0 + x, y0 + y,
                            ramp_at(flame_ramp, 3, (y - p + 4) / 14.0 + 0.1, x0 + x, y0 + y));
            paint_mask(c, dilate(m), x0, y0, 0x3A0804);
            fill_letters(c, m, x0, y0, logo, p);
            break;
        }
        case Letters::checker: {
            paint_mask(c, dilate(dilate(dilate(m))), x0, y0, ink);
            paint_mask(c, dilate(dilate(m)), x0, y0, logo.accent);
            paint_mask(c, dilate(m), x0, y0, ink);
            for (int y = 0; y < m.h; y++)
                for (int x = 0; x < m.w; x++)
                    if (mask_at(m, x, y))
                        put(c, x0 + x, y0 + y,
                            ((x / 4) + (y / 4)) & 1 ? logo.ramp[1] : logo.ramp[0]);
            break;
        }
        case Letters::scanline: {
            glow(c, m, x0, y0, logo.accent, 4);
            for (int y = 0; y < m.h; y++)
                for (int x = 0; x < m.w; x++)
                    if (mask_at(m, x, y))
                        put(c, x0 + x, y0 + y,
                            (y & 3) == 3   ? mix(logo.ramp[3], 0, 0.5)
                            : (y & 3) == 0 ? logo.ramp[0]
                                           : logo.ramp[1]);
            break;
        }
        case Letters::swoosh:
        case Letters::chrome:
        case Letters::grand:
        case Letters::stacked:
        case Letters::badge: {
            const int depth = logo.letters == Letters::swoosh ? 5 : 3;
            const Mask rim = dilate(dilate(m));
            for (int d = depth; d >= 1; d--)
                paint_mask(c, rim, x0 + d, y0 + d,
                           logo.letters == Letters::badge ? shade(logo.accent, -2) : 0x1A0C28);
            paint_mask(c, rim, x0, y0, ink);
            if (logo.letters == Letters::chrome || logo.letters == Letters::grand) {
                // Two metals split at the middle of the capitals.
                for (int y = 0; y < m.h; y++)
                    for (int x = 0; x < m.w; x++) {
                        if (!mask_at(m, x, y))
                            continue;
                        const double t = double(y - p) / caps;
                        Colour v = t < 0.5 ? mix(logo.ramp[1], logo.ramp[0], 1 - t * 2)
                                           : mix(logo.ramp[2], logo.ramp[3], (t - 0.5) * 2);
                        if (!mask_at(m, x, y - 1))
                            v = 0xFFFFFF;
                        put(c, x0 + x, y0 + y, v);
                    }
            } else {
                fill_letters(c, m, x0, y0, logo, p);
            }
            break;
        }
    }
}

// The logo at the largest lettering that still fits the picture with room
// for its outlines; pixel-built styles keep unsmoothed blocks.
static Logo fitted(const Logo& logo)
{
    const char* space = strchr(logo.name, ' ');
    const std::string longest = logo.letters == Letters::stacked && space
                                    ? std::string(logo.name, space)
                                    : std::string(logo.name);
    const int grid = text_mask(longest.c_str(), 1).w;
    const int room = logo.letters == Letters::extruded ? 272 : 296;
    Logo out = logo;
    if (logo.smooth == 0) {
        out.block = std::min(8, room / grid);
        return out;
    }
    static constexpr int scales[3][2] = {{2, 2}, {1, 3}, {2, 1}};
    for (const auto& sc : scales) {
        out.smooth = sc[0];
        out.block = sc[1];
        const int factor = (1 << sc[0]) * sc[1];
        if (grid * factor + logo.slope * 7 * factor <= room)
            break;
    }
    return out;
}

Canvas draw_logo(int index)
{
    const Logo logo = fitted(logos[index]);
    Canvas c = make_canvas(320, 240, key);
    const int caps = cap_height(logo);
    int top = 120 - caps / 2;
    if (logo.letters == Letters::badge) {
        draw_group(c, {ellipse_part(160, 120, 150, 62, logo.accent)}, ink);
        Mask inner = make_mask(320, 240);
        mask_ellipse(inner, 160, 120, 140, 53);
        const Mask field = erode(erode(inner));
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++)
                if (mask_at(inner, x, y) && !mask_at(field, x, y))
                    put(c, x, y, logo.ramp[1]);
        for (int k = 0; k < 5; k++)
            glint(c, 100 + k * 30, 82, 2, logo.ramp[0]);
    }
    if (logo.letters == Letters::grand) {
        // Rays behind the name, darkening into the layer.
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) {
                const double dx = x + 0.5 - 160, dy = (y + 0.5 - 120) * 1.6;
                const double r = std::sqrt(dx * dx + dy * dy);
                const double a = exact_atan2(dy, dx) / (2 * pi) + 0.5;
                if (r > 150 || r < 20 || !(int(a * 32) & 1))
                    continue;
                const double fade = 1 - r / 150;
                if (fade * 1.3 > bayer(x, y))
                    put(c, x, y, mix(0x000000, logo.accent, fade * 0.8));
            }
    }
    if (logo.letters == Letters::stacked) {
        const char* space = strchr(logo.name, ' ');
        const std::string first(logo.name, space), second(space + 1);
        draw_name(c, logo, first.c_str(), 150, 120 - caps - 6);
        draw_name(c, logo, second.c_str(), 176, 120 + 6);
        for (int k = 0; k < 3; k++)
            glint(c, 60 + k * 100, k == 1 ? 40 : 200, 3, logo.accent);
        return c;
    }
    draw_name(c, logo, logo.name, 160, top);
    if (logo.letters == Letters::swoosh) {
        // A tapered brush stroke under the name.
        for (int x = 40; x < 290; x++) {
            const double u = (x - 40) / 250.0;
            const int y = 120 + caps / 2 + 12 + int(6 * dsin(u * pi * 1.3));
            const int half = int(1 + 3 * dsin(u * pi));
            for (int k = -half - 1; k <= half + 1; k++)
                put(c, x, y + k,
                    std::abs(k) > half ? ink
                    : k < 0            ? shade(logo.accent, 1)
                                       : logo.accent);
        }
    }
    if (logo.letters == Letters::grand) {
        const Logo small = {
            nullptr, Letters::chrome, 0, 2, 0, {0xFFFFFF, 0xC0F0FF, 0x60E0FF, 0x3090C0}, 0};
        Mask tag = lettering("and everyone here!", 1, 0, 2);
        const int tx = 160 - tag.w / 2, ty = 120 + caps / 2 + 18;
        paint_mask(c, dilate(pad(tag, 1)), tx - 1, ty - 1, ink);
        fill_letters(c, tag, tx, ty, small, 0);
        glint(c, 58, 92, 5, 0xFFFFFF);
        glint(c, 262, 104, 4, 0xFFFFFF);
        glint(c, 210, 78, 3, 0xFFF0C0);
    }
    return c;
}
