// The title, the flash, the two effect textures and the dance arrows.
#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "generators/pictures/glyphs.h"
#include "generators/pictures/pictures.h"

// --- title and flash ---------------------------------------------------------

constexpr int title_horizon = 158;
constexpr int varno_x = 44, varno_y = 16;  // 8x lettering, 232 wide
constexpr int style_y = 86;                // 6x slanted lettering, centred

static Mask varno_letters()
{
    return lettering("VARNO", 1, 2, 2);
}

static Mask style_letters()
{
    return slant(lettering("STYLE", 1, 1, 3), 0.22);
}

static int style_x()
{
    return (320 - style_letters().w) / 2;
}

// Night at the top down to the glow at the horizon.
static constexpr Colour title_sky[] = {0x0A0820, 0x181038, 0x2E1656, 0x561C6C, 0x8E2872,
                                       0xC83C70, 0xF0645E, 0xFF9A4E, 0xFFCC6A};

static void paint_sky(Canvas& c)
{
    for (int y = 0; y < title_horizon; y++) {
        const double t = double(y) / (title_horizon - 1);
        for (int x = 0; x < 320; x++)
            put(c, x, y, ramp_at(title_sky, 9, t * t * 0.55 + t * 0.45, x, y));
    }
    Rng rng{0x5eed1234};
    for (int i = 0; i < 110; i++) {
        const int x = range(rng, 0, 319), y = range(rng, 0, 95);
        const double fade = 1.0 - y / 110.0;
        const Colour star = mix(get(c, x, y), range(rng, 0, 3) ? 0xFFFFFF : 0xFFE0A0, fade);
        put(c, x, y, star);
        if (range(rng, 0, 12) == 0 && y < 70)
            glint(c, x, y, 2, star);
    }
}

static void paint_sun(Canvas& c)
{
    static constexpr Colour sun[] = {0xFFF6B0, 0xFFE070, 0xFFB848, 0xFF8A4C, 0xFF5A6A, 0xE83A86};
    constexpr int cx = 160, cy = title_horizon - 4, r = 64;
    for (int y = cy - r - 14; y < title_horizon; y++)
        for (int x = cx - r - 14; x <= cx + r + 14; x++) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > r) {
                // A warm halo, thinning out by dither.
                if (d < r + 14 && (r + 14 - d) / 14 * 0.6 > bayer(x, y))
                    put(c, x, y, mix(get(c, x, y), 0xFF9A6A, 0.35));
                continue;
            }
            // The lower half is cut by gaps that widen toward the horizon.
            const int below = y - (cy - 24);
            if (below >= 0) {
                const int band = below % 12;
                if (band < 2 + below / 12)
                    continue;
            }
            put(c, x, y, ramp_at(sun, 6, (y - (cy - r)) / double(r + 4), x, y));
        }
}

static void paint_mountains(Canvas& c)
{
    static constexpr Colour far[2] = {0x44205E, 0x6C2C74};
    static constexpr Colour near[2] = {0x200C38, 0x3C1650};
    for (int layer = 0; layer < 2; layer++) {
        const Colour* tone = layer ? near : far;
        for (int x = 0; x < 320; x++) {
            // Ridges from a few sines; the middle dips to leave the sun free.
            const double u = x / 320.0;
            const double centre = std::fabs(u - 0.5) * 2;
            double h = layer ? 6 + 10 * centre * centre : 10 + 22 * centre;
            h += (layer ? 3 : 6) * dsin(u * 19 + layer * 2) + 3 * dsin(u * 47 + 1.3 * layer) +
                 1.5 * dsin(u * 113);
            const int top = title_horizon - int(h);
            for (int y = top; y < title_horizon; y++)
                put(c, x, y, y == top || (y == top + 1 && (x & 1)) ? tone[1] : tone[0]);
        }
    }
}

static void paint_floor(Canvas& c)
{
    static constexpr Colour ground[] = {0x3A1050, 0x22093A, 0x140624, 0x080312};
    constexpr Colour neon = 0xFF4AB0;
    for (int y = title_horizon; y < 240; y++)
        for (int x = 0; x < 320; x++)
            put(c, x, y, ramp_at(ground, 4, (y - title_horizon) / 82.0, x, y));
    // Cross lines at depths 1, 1.5, 2, ...; nearer lines are brighter.
    for (int k = 0; k < 40; k++) {
        const double z = 0.55 + k * 0.42;
        const int y = title_horizon + int(30 / z);
        if (y >= 240)
            continue;
        const double glow = std::min(1.0, (y - title_horizon) / 50.0);
        for (int x = 0; x < 320; x++)
            put(c, x, y, mix(get(c, x, y), neon, 0.25 + 0.75 * glow));
    }
    // Rails converging on the vanishing point.
    for (int i = -12; i <= 12; i++)
        for (int y = title_horizon + 1; y < 240; y++) {
            const double t = (y - title_horizon) / 82.0;
            const int x = 160 + int(std::floor(i * 36 * t + 0.5));
            put(c, x, y, mix(get(c, x, y), neon, 0.25 + 0.75 * std::min(1.0, t * 1.6)));
        }
    for (int x = 0; x < 320; x++)
        put(c, x, title_horizon, 0xFFC8B0);
}

// Chrome capitals: sky above the mid line, sunset below, on a deep extrusion.
static void paint_varno(Canvas& c)
{
    static constexpr Colour upper[] = {0x203890, 0x3C64C4, 0x78AEEC, 0xC8ECFF};
    static constexpr Colour lower[] = {0x3A1410, 0x7A3012, 0xC86A24, 0xFFB85C, 0xFFE8A8};
    const Mask m = varno_letters();
    const Mask ring = dilate(dilate(m));
    for (int d = 6; d >= 1; d--)
        paint_mask(c, ring, varno_x + d, varno_y + d, d > 3 ? 0x12061E : 0x2A0C3C);
    paint_mask(c, ring, varno_x, varno_y, 0x0C0418);
    const int caps = 48;
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++) {
            if (!mask_at(m, x, y))
                continue;
            Colour v = y < caps / 2 ? ramp_at(upper, 4, y / (caps / 2.0 - 1), x, y)
                                    : ramp_at(lower, 5, (y - caps / 2) / (caps / 2.0), x, y);
            if (!mask_at(m, x, y - 1) || !mask_at(m, x - 1, y))
                v = 0xFFFFFF;
            else if (!mask_at(m, x + 1, y) || !mask_at(m, x, y + 1))
                v = shade(v, -1);
            put(c, varno_x + x, varno_y + y, v);
        }
    glint(c, varno_x + 6, varno_y + 3, 5, 0xFFFFFF);
    glint(c, varno_x + 131, varno_y + 26, 4, 0xFFFFFF);
    glint(c, varno_x + 226, varno_y + 4, 3, 0xFFFFFF);
}

// Neon pink italics with a dark keyline and a glow into whatever lies behind.
static void paint_style(Canvas& c)
{
    static constexpr Colour pink[] = {0xFFF0FA, 0xFFB0E0, 0xFF5CBC, 0xE0288E, 0xA0146C};
    const Mask m = style_letters();
    const int x0 = style_x();
    const Mask key_line = dilate(dilate(m));
    const Mask glow = dilate(dilate(key_line));
    for (int y = 0; y < glow.h; y++)
        for (int x = 0; x < glow.w; x++)
            if (mask_at(glow, x, y) && !mask_at(key_line, x, y))
                put(c, x0 + x, style_y + y, mix(get(c, x0 + x, style_y + y), 0xFF3AA8, 0.45));
    paint_mask(c, key_line, x0, style_y, 0x1A0630);
    paint_mask_ramp(c, m, x0, style_y, pink, 5, 0, 36);
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++)
            if (mask_at(m, x, y) && !mask_at(m, x, y - 1))
                put(c, x0 + x, style_y + y, 0xFFFFFF);
}

Canvas draw_title()
{
    Canvas c = make_canvas(320, 240, 0);
    paint_sky(c);
    paint_sun(c);
    paint_mountains(c);
    paint_floor(c);
    paint_varno(c);
    paint_style(c);
    return c;
}

Canvas draw_icon(int size)
{
    // A square 256 wide around the lettering, whose extrusion reaches x = 284;
    // the picture is 240 high, so the night sky is carried up 16 rows.
    constexpr int side = 256, left = 30, top = side - 240;
    Canvas square = make_canvas(side, side, title_sky[0]);
    paste(square, draw_title(), -left, top);
    return shrink(square, size, size);
}

Canvas draw_flash()
{
    // A strobe burst: white rays around the centre, the title in silhouette.
    Canvas c = make_canvas(320, 240, 0);
    constexpr double cx = 160, cy = 100;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double a = exact_atan2(dy, dx) / (2 * pi) + 0.5;
            const bool ray = int(a * 28) & 1;
            const Colour edge = ray ? 0xC8B4E4 : 0x9C84C8;
            const Colour centre = ray ? 0xFFFFFF : 0xF2E8FA;
            Colour v = mix(centre, edge, std::min(1.0, r / 210));
            if (r < 36)
                v = 0xFFFFFF;
            put(c, x, y, v);
        }
    const Mask varno = varno_letters(), style = style_letters();
    paint_mask(c, dilate(varno), varno_x, varno_y, 0xFFFFFF);
    paint_mask(c, varno, varno_x, varno_y, 0x3A1050);
    paint_mask(c, dilate(style), style_x(), style_y, 0xFFFFFF);
    paint_mask(c, style, style_x(), style_y, 0x50186A);
    return c;
}

// --- effect textures ---------------------------------------------------------

Canvas draw_deform_texture()
{
    // 8 x 6 tiles of 40 pixels; hue steps an eighth of a turn per column and a
    // sixth per row, so it wraps seamlessly in both directions.
    Canvas c = make_canvas(320, 240, 0);
    for (int ty = 0; ty < 6; ty++)
        for (int tx = 0; tx < 8; tx++) {
            const double hue = tx / 8.0 + ty / 6.0;
            const bool odd = (tx + ty) & 1;
            const Colour ground = hsv(hue, 0.9, odd ? 0.45 : 0.8);
            const Colour motif = hsv(hue + 0.45, 0.75, 1.0);
            const int x0 = tx * 40, y0 = ty * 40;
            for (int y = 0; y < 40; y++)
                for (int x = 0; x < 40; x++) {
                    Colour v = ground;
                    // Diagonal stripes across the ground.
                    if (((x + y) / 5) & 1)
                        v = shade(v, -1);
                    const double dx = x - 19.5, dy = y - 19.5;
                    const double d =
                        odd ? std::sqrt(dx * dx + dy * dy) : (std::fabs(dx) + std::fabs(dy)) * 0.75;
                    if (d < 15.5) {
                        v = motif;
                        if (d > 13.5)
                            v = 0x140A1E;
                        else if (d < 7 && d > 4.5)
                            v = shade(motif, -2);
                        else if (dx + dy < -8 && d > 9)
                            v = shade(motif, 1);
                        else if (dx + dy > 10 && d > 9)
                            v = shade(motif, -1);
                    }
                    if (x < 2 || y < 2)
                        v = 0x100818;
                    put(c, x0 + x, y0 + y, v);
                }
        }
    return c;
}

Canvas draw_tunnel_texture()
{
    // Rows run along the tube, columns around it: 8 panels of 64 columns,
    // 4 rings of 128 rows, both dividing 512, so the texture wraps seamlessly.
    static constexpr Colour plate[] = {0xA8CCF4, 0x7898DC, 0x5670C0, 0x3C4E9E};
    static constexpr Colour hazard = 0xFFC830;
    Canvas c = make_canvas(512, 512, 0);
    for (int y = 0; y < 512; y++)
        for (int x = 0; x < 512; x++) {
            const int px = x & 63, py = y & 127, panel = x >> 6;
            Colour v;
            if (py < 12) {
                // A ring of lamps between the plates.
                v = py == 0 || py == 11 ? 0x0A0818 : 0x1C1630;
                const int lx = (x & 31) - 16, ly = py - 6;
                const int d2 = lx * lx + ly * ly * 4;
                if (d2 < 10)
                    v = 0xFFF8E0;
                else if (d2 < 26)
                    v = 0xFFB23C;
                else if (d2 < 50)
                    v = 0x7A4A2A;
            } else if (px < 3 || px > 60) {
                // Seams; every other one carries a thin neon line.
                v = 0x0C0C1E;
                if ((panel & 1) && px == 0)
                    v = 0xFF4AA8;
            } else {
                v = ramp_at(plate, 4, (py - 12) / 115.0, x, y);
                if (py == 12 || px == 3)
                    v = 0xE0F0FF;
                else if (py == 127 || px == 60)
                    v = 0x1C2258;
                else if (panel & 1) {
                    // Vents: dark slots with a lit lower lip.
                    const int row = (py - 36) % 8;
                    if (py >= 36 && py < 100 && px > 14 && px < 49) {
                        if (row < 3)
                            v = 0x101838;
                        else if (row == 3)
                            v = 0xB8D8FF;
                    }
                } else if (py > 40 && py < 96 && px > 10 && px < 53) {
                    // Hazard stripes on the other panels.
                    const bool dark = ((px + py) / 7) & 1;
                    v = dark ? 0x1A1420 : hazard;
                    if (py == 41 || px == 11)
                        v = 0x0E1030;
                }
                // Every other ring of plates leans to violet.
                if ((y >> 7) & 1)
                    v = mix(v, 0x7040C0, 0.22);
                // Rivets in the four corners.
                const int rx = px < 32 ? px - 7 : px - 56, ry = py < 70 ? py - 17 : py - 122;
                if (std::abs(rx) <= 1 && std::abs(ry) <= 1)
                    v = rx < 1 && ry < 1 ? 0xF0F8FF : 0x18204C;
            }
            put(c, x, y, v);
        }
    return c;
}

// --- dance arrows ------------------------------------------------------------

// The up arrow in a 28x28 box, turned for the other directions.
static std::vector<double> arrow_points(int direction)
{
    static constexpr double up[] = {14,   1.5, 26.5, 14,  26.5, 16.5, 19.5, 12.5, 19.5,
                                    26.5, 8.5, 26.5, 8.5, 12.5, 1.5,  16.5, 1.5,  14};
    std::vector<double> xy;
    for (int i = 0; i < 9; i++) {
        const double x = up[2 * i] - 14, y = up[2 * i + 1] - 14;
        double rx = x, ry = y;
        if (direction == 0)  // left: a quarter turn anticlockwise
            rx = y, ry = -x;
        else if (direction == 1)  // down
            rx = -x, ry = -y;
        else if (direction == 3)  // right
            rx = -y, ry = x;
        xy.push_back(rx + 14);
        xy.push_back(ry + 14);
    }
    return xy;
}

Canvas draw_arrow(int direction, bool filled)
{
    static constexpr Colour hue[4][3] = {
        {0xFFC0E0, 0xFF4A9A, 0xB01460},  // left: pink
        {0xC0F0FF, 0x38A8FF, 0x1840B0},  // down: blue
        {0xD8FFB0, 0x5CE03C, 0x1C7A28},  // up: green
        {0xFFF0B0, 0xFFAA2C, 0xB04A10},  // right: orange
    };
    Canvas c = make_canvas(28, 28, key);
    Mask m = make_mask(28, 28);
    const std::vector<double> xy = arrow_points(direction);
    mask_polygon(m, xy.data(), 9);
    const Mask core = erode(m);
    const Mask inner = erode(erode(core));
    for (int y = 0; y < 28; y++)
        for (int x = 0; x < 28; x++) {
            if (!mask_at(m, x, y))
                continue;
            Colour v;
            if (!mask_at(core, x, y))
                v = 0x100818;  // the keyline
            else if (filled) {
                const double t = (x + y) / 54.0;
                v = ramp_at(hue[direction], 3, t, x, y);
                if (!mask_at(inner, x, y))
                    v = (x + y < 28) ? 0xFFFFFF : hue[direction][2];
            } else {
                // The receptor: a metal rim around a hollow.
                if (mask_at(inner, x, y))
                    continue;
                v = (x + y < 28) ? 0xF0F0FF : 0x8890B0;
            }
            put(c, x, y, v);
        }
    if (!filled) {
        // The hollow keeps a dark inner keyline so the rim reads on any plasma.
        const Mask hollow = erode(inner);
        for (int y = 0; y < 28; y++)
            for (int x = 0; x < 28; x++)
                if (mask_at(inner, x, y) && !mask_at(hollow, x, y))
                    put(c, x, y, 0x100818);
    }
    return c;
}
