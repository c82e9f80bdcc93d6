#include "generators/pictures/paint.h"

#include <algorithm>
#include <cmath>

#include "draw/png.h"

// --- numbers -----------------------------------------------------------------

uint32_t next(Rng& r)
{
    uint32_t x = r.s;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return r.s = x;
}

int range(Rng& r, int lo, int hi)
{
    return lo + int(next(r) % uint32_t(hi - lo + 1));
}

double unit(Rng& r)
{
    return (next(r) >> 8) / 16777216.0;
}

double dsin(double x)
{
    // Reduce to [-pi, pi], fold to [-pi/2, pi/2], then the odd series to x^15.
    x -= std::floor(x / (2 * pi) + 0.5) * (2 * pi);
    if (x > pi / 2)
        x = pi - x;
    else if (x < -pi / 2)
        x = -pi - x;
    const double x2 = x * x;
    double term = x, sum = x;
    for (int k = 1; k <= 7; k++) {
        term *= -x2 / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

double dcos(double x)
{
    return dsin(x + pi / 2);
}

double bayer(int x, int y)
{
    static constexpr int order[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    return (order[(y & 3) * 4 + (x & 3)] + 0.5) / 16.0;
}

// --- colours -----------------------------------------------------------------

Colour rgb(int r, int g, int b)
{
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    return Colour(r << 16 | g << 8 | b);
}

Colour mix(Colour a, Colour b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return rgb(int(red(a) + (red(b) - red(a)) * t + 0.5),
               int(green(a) + (green(b) - green(a)) * t + 0.5),
               int(blue(a) + (blue(b) - blue(a)) * t + 0.5));
}

Colour hsv(double h, double s, double v)
{
    h -= std::floor(h);
    const double f6 = h * 6;
    const int i = int(f6) % 6;
    const double f = f6 - std::floor(f6);
    const double p = v * (1 - s), q = v * (1 - s * f), u = v * (1 - s * (1 - f));
    double r = v, g = u, b = p;
    switch (i) {
        case 0:
            r = v, g = u, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = u;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = u, g = p, b = v;
            break;
        default:
            r = v, g = p, b = q;
            break;
    }
    return rgb(int(r * 255 + 0.5), int(g * 255 + 0.5), int(b * 255 + 0.5));
}

Colour shade(Colour c, int step)
{
    Colour out = c;
    for (int i = 0; i < step; i++)
        out = mix(out, rgb(255, 246, 200), 0.33);
    for (int i = 0; i < -step; i++)
        out = mix(out, rgb(36, 16, 64), 0.36);
    return out;
}

Colour visible(Colour c)
{
    return c == key ? 0xFE00FE : c;
}

Colour ramp_at(const Colour* ramp, int n, double t, int x, int y)
{
    const double f = std::clamp(t, 0.0, 1.0) * (n - 1);
    int i = int(f);
    if (i >= n - 1)
        return ramp[n - 1];
    if (f - i > bayer(x, y))
        i++;
    return ramp[i];
}

// --- canvas ------------------------------------------------------------------

Canvas make_canvas(int w, int h, Colour fill)
{
    Canvas c;
    c.w = w;
    c.h = h;
    c.px.assign(size_t(w) * h, fill);
    return c;
}

Colour get(const Canvas& c, int x, int y)
{
    return inside(c, x, y) ? c.px[size_t(y) * c.w + x] : key;
}

void put(Canvas& c, int x, int y, Colour v)
{
    if (inside(c, x, y))
        c.px[size_t(y) * c.w + x] = v;
}

void fill_rect(Canvas& c, int x, int y, int w, int h, Colour v)
{
    for (int j = std::max(y, 0); j < std::min(y + h, c.h); j++)
        for (int i = std::max(x, 0); i < std::min(x + w, c.w); i++)
            c.px[size_t(j) * c.w + i] = v;
}

void line(Canvas& c, int x0, int y0, int x1, int y1, Colour v)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        put(c, x0, y0, v);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void paste(Canvas& dst, const Canvas& src, int x, int y)
{
    for (int j = 0; j < src.h; j++)
        for (int i = 0; i < src.w; i++) {
            const Colour v = src.px[size_t(j) * src.w + i];
            if (v != key)
                put(dst, x + i, y + j, v);
        }
}

Canvas enlarge(const Canvas& c, int factor)
{
    Canvas out = make_canvas(c.w * factor, c.h * factor, key);
    for (int y = 0; y < out.h; y++)
        for (int x = 0; x < out.w; x++)
            out.px[size_t(y) * out.w + x] = c.px[size_t(y / factor) * c.w + x / factor];
    return out;
}

Canvas shrink(const Canvas& c, int w, int h)
{
    Canvas out = make_canvas(w, h, key);
    const double sx = double(c.w) / w, sy = double(c.h) / h;
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            const double x0 = i * sx, x1 = x0 + sx, y0 = j * sy, y1 = y0 + sy;
            // Bounded by the canvas too: x1 may land a rounding error past its edge.
            const int xe = std::min(c.w, int(std::ceil(x1))),
                      ye = std::min(c.h, int(std::ceil(y1)));
            double r = 0, g = 0, b = 0;
            for (int y = int(y0); y < ye; y++)
                for (int x = int(x0); x < xe; x++) {
                    const double part = (std::min(x1, x + 1.0) - std::max(x0, double(x))) *
                                        (std::min(y1, y + 1.0) - std::max(y0, double(y)));
                    const Colour v = c.px[size_t(y) * c.w + x];
                    r += part * red(v);
                    g += part * green(v);
                    b += part * blue(v);
                }
            const double area = sx * sy;
            put(out, i, j, rgb(int(r / area + 0.5), int(g / area + 0.5), int(b / area + 0.5)));
        }
    return out;
}

Canvas rotate_cw(const Canvas& c)
{
    Canvas out = make_canvas(c.h, c.w, key);
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            put(out, c.h - 1 - y, x, c.px[size_t(y) * c.w + x]);
    return out;
}

Canvas mirror_x(const Canvas& c)
{
    Canvas out = make_canvas(c.w, c.h, key);
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            put(out, c.w - 1 - x, y, c.px[size_t(y) * c.w + x]);
    return out;
}

void outline(Canvas& c, Colour v)
{
    const Canvas src = c;
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            if (get(src, x, y) == key && (get(src, x - 1, y) != key || get(src, x + 1, y) != key ||
                                          get(src, x, y - 1) != key || get(src, x, y + 1) != key))
                put(c, x, y, v);
}

void drop_shadow(Canvas& c, int dx, int dy, Colour v)
{
    const Canvas src = c;
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            if (get(src, x, y) == key && get(src, x - dx, y - dy) != key &&
                inside(c, x - dx, y - dy))
                put(c, x, y, v);
}

// --- masks -------------------------------------------------------------------

Mask make_mask(int w, int h)
{
    Mask m;
    m.w = w;
    m.h = h;
    m.on.assign(size_t(w) * h, 0);
    return m;
}

static void set_on(Mask& m, int x, int y)
{
    if (x >= 0 && y >= 0 && x < m.w && y < m.h)
        m.on[size_t(y) * m.w + x] = 1;
}

void mask_ellipse(Mask& m, double cx, double cy, double rx, double ry)
{
    if (rx <= 0 || ry <= 0)
        return;
    for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; y++)
        for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; x++) {
            const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
            if (u * u + v * v <= 1.0)
                set_on(m, x, y);
        }
}

// Parameter of the point of segment a-b nearest to p, and its distance.
static double nearest_on_segment(double ax, double ay, double bx, double by, double px, double py,
                                 double* dx, double* dy)
{
    const double vx = bx - ax, vy = by - ay;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((px - ax) * vx + (py - ay) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    *dx = px - (ax + vx * t);
    *dy = py - (ay + vy * t);
    return t;
}

void mask_capsule(Mask& m, double ax, double ay, double bx, double by, double ra, double rb)
{
    const double r = std::max(ra, rb);
    for (int y = int(std::min(ay, by) - r) - 1; y <= int(std::max(ay, by) + r) + 1; y++)
        for (int x = int(std::min(ax, bx) - r) - 1; x <= int(std::max(ax, bx) + r) + 1; x++) {
            double dx, dy;
            const double t = nearest_on_segment(ax, ay, bx, by, x + 0.5, y + 0.5, &dx, &dy);
            const double rt = ra + (rb - ra) * t;
            if (dx * dx + dy * dy <= rt * rt)
                set_on(m, x, y);
        }
}

void mask_polygon(Mask& m, const double* xy, int n)
{
    std::vector<double> cuts;
    for (int y = 0; y < m.h; y++) {
        const double yc = y + 0.5;
        cuts.clear();
        for (int i = 0; i < n; i++) {
            const double x0 = xy[2 * i], y0 = xy[2 * i + 1];
            const double x1 = xy[2 * ((i + 1) % n)], y1 = xy[2 * ((i + 1) % n) + 1];
            if ((y0 <= yc) != (y1 <= yc))
                cuts.push_back(x0 + (yc - y0) * (x1 - x0) / (y1 - y0));
        }
        std::sort(cuts.begin(), cuts.end());
        for (size_t k = 0; k + 1 < cuts.size(); k += 2)
            for (int x = std::max(0, int(std::ceil(cuts[k] - 0.5)));
                 x < m.w && x + 0.5 < cuts[k + 1]; x++)
                set_on(m, x, y);
    }
}

void mask_rect(Mask& m, int x, int y, int w, int h)
{
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++)
            set_on(m, i, j);
}

Mask dilate(const Mask& m)
{
    Mask out = m;
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++)
            if (mask_at(m, x - 1, y) || mask_at(m, x + 1, y) || mask_at(m, x, y - 1) ||
                mask_at(m, x, y + 1))
                out.on[size_t(y) * m.w + x] = 1;
    return out;
}

Mask erode(const Mask& m)
{
    Mask out = m;
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++)
            if (!mask_at(m, x - 1, y) || !mask_at(m, x + 1, y) || !mask_at(m, x, y - 1) ||
                !mask_at(m, x, y + 1))
                out.on[size_t(y) * m.w + x] = 0;
    return out;
}

Mask scale2x(const Mask& m)
{
    Mask out = make_mask(m.w * 2, m.h * 2);
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++) {
            const bool p = mask_at(m, x, y);
            const bool a = mask_at(m, x, y - 1), b = mask_at(m, x + 1, y);
            const bool c = mask_at(m, x - 1, y), d = mask_at(m, x, y + 1);
            const bool e0 = (c == a && c != d && a != b) ? a : p;
            const bool e1 = (a == b && a != c && b != d) ? b : p;
            const bool e2 = (d == c && d != b && c != a) ? c : p;
            const bool e3 = (b == d && b != a && d != c) ? d : p;
            out.on[size_t(2 * y) * out.w + 2 * x] = e0;
            out.on[size_t(2 * y) * out.w + 2 * x + 1] = e1;
            out.on[size_t(2 * y + 1) * out.w + 2 * x] = e2;
            out.on[size_t(2 * y + 1) * out.w + 2 * x + 1] = e3;
        }
    return out;
}

void paint_mask(Canvas& c, const Mask& m, int x, int y, Colour v)
{
    for (int j = 0; j < m.h; j++)
        for (int i = 0; i < m.w; i++)
            if (m.on[size_t(j) * m.w + i])
                put(c, x + i, y + j, v);
}

void paint_mask_ramp(Canvas& c, const Mask& m, int x, int y, const Colour* ramp, int n, int y0,
                     int y1)
{
    const double span = std::max(1, y1 - y0);
    for (int j = 0; j < m.h; j++)
        for (int i = 0; i < m.w; i++)
            if (m.on[size_t(j) * m.w + i])
                put(c, x + i, y + j, ramp_at(ramp, n, (j - y0) / span, x + i, y + j));
}

Mask enlarge_mask(const Mask& m, int factor)
{
    Mask out = make_mask(m.w * factor, m.h * factor);
    for (int y = 0; y < out.h; y++)
        for (int x = 0; x < out.w; x++)
            out.on[size_t(y) * out.w + x] = m.on[size_t(y / factor) * m.w + x / factor];
    return out;
}

Mask slant(const Mask& m, double slope)
{
    const int extra = int(slope * m.h + 1);
    Mask out = make_mask(m.w + extra, m.h);
    for (int y = 0; y < m.h; y++) {
        const int shift = int(slope * (m.h - 1 - y) + 0.5);
        for (int x = 0; x < m.w; x++)
            out.on[size_t(y) * out.w + x + shift] = m.on[size_t(y) * m.w + x];
    }
    return out;
}

Mask mask_of(const Canvas& c)
{
    Mask m = make_mask(c.w, c.h);
    for (size_t i = 0; i < c.px.size(); i++)
        m.on[i] = c.px[i] != key;
    return m;
}

void glint(Canvas& c, int x, int y, int r, Colour v)
{
    // The arm tips are half blended into what lies below, never into the key.
    for (int k = -r; k <= r; k++) {
        const int px[2] = {x + k, x}, py[2] = {y, y + k};
        for (int i = 0; i < 2; i++) {
            const Colour under = get(c, px[i], py[i]);
            if (std::abs(k) < r)
                put(c, px[i], py[i], v);
            else if (under != key)
                put(c, px[i], py[i], mix(v, under, 0.5));
        }
    }
    if (r >= 3) {
        put(c, x - 1, y - 1, v);
        put(c, x + 1, y - 1, v);
        put(c, x - 1, y + 1, v);
        put(c, x + 1, y + 1, v);
    }
}

// --- shaded figures ----------------------------------------------------------

Part ellipse_part(double cx, double cy, double rx, double ry, Colour base)
{
    return Part{Solid::ellipse, {cx, cy, rx, ry, 0, 0}, {}, base};
}

Part capsule_part(double ax, double ay, double bx, double by, double ra, double rb, Colour base)
{
    return Part{Solid::capsule, {ax, ay, bx, by, ra, rb}, {}, base};
}

Part polygon_part(std::vector<double> xy, Colour base)
{
    return Part{Solid::polygon, {0, 0, 0, 0, 0, 0}, std::move(xy), base};
}

static void mask_part(Mask& m, const Part& p)
{
    switch (p.kind) {
        case Solid::ellipse:
            mask_ellipse(m, p.a[0], p.a[1], p.a[2], p.a[3]);
            break;
        case Solid::capsule:
            mask_capsule(m, p.a[0], p.a[1], p.a[2], p.a[3], p.a[4], p.a[5]);
            break;
        case Solid::polygon:
            mask_polygon(m, p.xy.data(), int(p.xy.size() / 2));
            break;
    }
}

// Round solids are lit from above and a little to the right, where the
// figures face; d in -1..1 is how much a point faces the light.
static double facing(const Part& p, const Mask& m, int x, int y)
{
    const double lx = 0.3, ly = -0.95;
    const double px = x + 0.5, py = y + 0.5;
    switch (p.kind) {
        case Solid::ellipse:
            return ((px - p.a[0]) / p.a[2]) * lx + ((py - p.a[1]) / p.a[3]) * ly;
        case Solid::capsule: {
            double dx, dy;
            const double t = nearest_on_segment(p.a[0], p.a[1], p.a[2], p.a[3], px, py, &dx, &dy);
            const double r = std::max(p.a[4] + (p.a[5] - p.a[4]) * t, 0.5);
            return (dx * lx + dy * ly) / r;
        }
        case Solid::polygon:
            // Flat faces: a lit rim on the top and left edges, shade on the others.
            if (!mask_at(m, x, y - 1) || !mask_at(m, x - 1, y))
                return 1;
            if (!mask_at(m, x + 1, y) || !mask_at(m, x, y + 1) || !mask_at(m, x + 2, y) ||
                !mask_at(m, x, y + 2))
                return -0.6;
            return 0;
    }
    return 0;
}

void draw_group(Canvas& c, const std::vector<Part>& parts, Colour outline_colour)
{
    Mask all = make_mask(c.w, c.h);
    std::vector<Mask> each;
    for (const Part& p : parts) {
        each.push_back(make_mask(c.w, c.h));
        mask_part(each.back(), p);
        for (size_t i = 0; i < all.on.size(); i++)
            all.on[i] |= each.back().on[i];
    }
    const Mask grown = dilate(all);
    for (int y = 0; y < c.h; y++)
        for (int x = 0; x < c.w; x++)
            if (grown.on[size_t(y) * c.w + x] && !all.on[size_t(y) * c.w + x])
                put(c, x, y, outline_colour);
    for (size_t k = 0; k < parts.size(); k++) {
        const Part& p = parts[k];
        const Colour tones[4] = {shade(p.base, -2), shade(p.base, -1), visible(p.base),
                                 shade(p.base, 1)};
        for (int y = 0; y < c.h; y++)
            for (int x = 0; x < c.w; x++) {
                if (!each[k].on[size_t(y) * c.w + x])
                    continue;
                const double d = facing(p, each[k], x, y);
                const int tone = d > 0.5 ? 3 : d < -0.8 ? 0 : d < -0.3 ? 1 : 2;
                put(c, x, y, visible(tones[tone]));
            }
    }
}

// --- files -------------------------------------------------------------------

bool save_png(const Canvas& c, const char* path)
{
    std::vector<unsigned char> bytes(size_t(c.w) * c.h * 3);
    for (size_t i = 0; i < c.px.size(); i++) {
        bytes[3 * i] = red(c.px[i]);
        bytes[3 * i + 1] = green(c.px[i]);
        bytes[3 * i + 2] = blue(c.px[i]);
    }
    return png_write(bytes.data(), c.w, c.h, path);
}
