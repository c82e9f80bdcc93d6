// A small 2D toolkit for drawing the show's pictures procedurally: a canvas of
// 0xRRGGBB pixels with magenta as the transparent key, a deterministic random
// source and sine, filled and shaded shapes, outlines, dithered ramps, and the
// PNG writer. Everything here is integer or IEEE double arithmetic without
// libm transcendentals (the arc tangent is core/maths.h's, correctly rounded),
// so the same pixels come out on every machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/picture_rules.h"

using Colour = uint32_t;             // 0xRRGGBB
constexpr Colour key = magenta_key;  // transparent wherever a picture is keyed

struct Canvas {
    int w = 0, h = 0;
    std::vector<Colour> px;  // row after row
};

// One bit per pixel: where a shape lies, before it is coloured.
struct Mask {
    int w = 0, h = 0;
    std::vector<uint8_t> on;
};

constexpr double pi = 3.14159265358979323846;

// --- numbers -----------------------------------------------------------------

// xorshift32; seeded per picture so every picture is independent of the others.
struct Rng {
    uint32_t s;
};
uint32_t next(Rng& r);
int range(Rng& r, int lo, int hi);  // lo .. hi inclusive
double unit(Rng& r);                // [0, 1)

// The pictures' own sine and cosine: range reduction and the series to x^15,
// within 1e-11 of the true values. Every picture was drawn with these, and
// they stay: core/maths.h's correctly rounded sine differs from them by up to
// 6e-12 near a quarter turn, enough to move pixels in three of the pictures.
// The arc tangent is core/maths.h's exact_atan2, which draws them the same.
double dsin(double x);
double dcos(double x);

// 4x4 ordered-dither threshold in (0, 1).
double bayer(int x, int y);

// --- colours -----------------------------------------------------------------

Colour rgb(int r, int g, int b);  // clamped to 0..255
inline int red(Colour c)
{
    return int(c >> 16) & 255;
}
inline int green(Colour c)
{
    return int(c >> 8) & 255;
}
inline int blue(Colour c)
{
    return int(c) & 255;
}
// a at t = 0, b at t = 1.
Colour mix(Colour a, Colour b, double t);
// Hue in turns (wraps), saturation and value 0..1.
Colour hsv(double h, double s, double v);
// A ramp step from a base colour: negative steps darken toward cool purple,
// positive ones lighten toward warm yellow, as pixel artists shade.
Colour shade(Colour c, int step);
// Never exactly the key: a colour meant to be seen is nudged off magenta.
Colour visible(Colour c);
// The colour of a ramp at t in 0..1, dithered between its entries at (x, y).
Colour ramp_at(const Colour* ramp, int n, double t, int x, int y);

// --- canvas ------------------------------------------------------------------

Canvas make_canvas(int w, int h, Colour fill);
inline bool inside(const Canvas& c, int x, int y)
{
    return x >= 0 && y >= 0 && x < c.w && y < c.h;
}
Colour get(const Canvas& c, int x, int y);  // key outside the canvas
void put(Canvas& c, int x, int y, Colour v);
void fill_rect(Canvas& c, int x, int y, int w, int h, Colour v);
void line(Canvas& c, int x0, int y0, int x1, int y1, Colour v);
// Copies src onto dst at (x, y), leaving out the key.
void paste(Canvas& dst, const Canvas& src, int x, int y);
// Nearest-neighbour enlargement by an integer factor.
Canvas enlarge(const Canvas& c, int factor);
// Reduction to w x h, each pixel the mean of the area it covers, pixels cut by
// its edge weighed by their share: fine detail blends instead of dropping out.
Canvas shrink(const Canvas& c, int w, int h);
// Rotates a quarter turn clockwise.
Canvas rotate_cw(const Canvas& c);
Canvas mirror_x(const Canvas& c);
// A 1-pixel outline in colour v around everything that is not the key
// (4-neighbourhood), drawn on key pixels only.
void outline(Canvas& c, Colour v);
// Every non-key pixel below a non-key pixel k rows up gets a drop shadow.
void drop_shadow(Canvas& c, int dx, int dy, Colour v);

// --- masks -------------------------------------------------------------------

Mask make_mask(int w, int h);
inline bool mask_at(const Mask& m, int x, int y)
{
    return x >= 0 && y >= 0 && x < m.w && y < m.h && m.on[size_t(y) * m.w + x];
}
// Shapes are tested at pixel centres (x + 0.5, y + 0.5).
void mask_ellipse(Mask& m, double cx, double cy, double rx, double ry);
// A segment with round ends whose radius runs from ra at a to rb at b.
void mask_capsule(Mask& m, double ax, double ay, double bx, double by, double ra, double rb);
// Even-odd filled polygon of n points (x, y pairs).
void mask_polygon(Mask& m, const double* xy, int n);
void mask_rect(Mask& m, int x, int y, int w, int h);
Mask dilate(const Mask& m);  // grows by one pixel, 4-neighbourhood
Mask erode(const Mask& m);
// Smooth doubling: diagonals stay diagonal instead of becoming stairs.
Mask scale2x(const Mask& m);
// Paints the mask's pixels onto the canvas with its top-left at (x, y).
void paint_mask(Canvas& c, const Mask& m, int x, int y, Colour v);
// The same, coloured from a ramp running down the mask's rows y0 .. y1 (mask
// coordinates), dithered between its entries.
void paint_mask_ramp(Canvas& c, const Mask& m, int x, int y, const Colour* ramp, int n, int y0,
                     int y1);
Mask enlarge_mask(const Mask& m, int factor);
// Slants the mask to the right by slope pixels per row, bottom row unmoved.
Mask slant(const Mask& m, double slope);
// The pixels of a canvas that are not the key.
Mask mask_of(const Canvas& c);
// A four-pointed glint of arm length r.
void glint(Canvas& c, int x, int y, int r, Colour v);

// --- shaded figures ----------------------------------------------------------

// One part of a figure: a solid with three tones, lit from the top left.
enum class Solid { ellipse, capsule, polygon };
struct Part {
    Solid kind;
    double a[6];             // ellipse: cx cy rx ry; capsule: ax ay bx by ra rb
    std::vector<double> xy;  // polygon points
    Colour base;
};
Part ellipse_part(double cx, double cy, double rx, double ry, Colour base);
Part capsule_part(double ax, double ay, double bx, double by, double ra, double rb, Colour base);
Part polygon_part(std::vector<double> xy, Colour base);

// Draws a group of parts as one body: one dark outline around all of them, then
// each part filled and shaded in order, so a limb's joints show no seam.
void draw_group(Canvas& c, const std::vector<Part>& parts, Colour outline_colour);

// --- files -------------------------------------------------------------------

// Writes an 8-bit RGB PNG through draw/png.h; false on failure.
bool save_png(const Canvas& c, const char* path);
