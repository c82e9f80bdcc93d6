#include "effects/plasma.h"

#include <cmath>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#include "core/maths.h"
#include "core/steps.h"
#include "draw/surface.h"

// The circular wave is symmetric about its centre in x, in y and across the
// diagonal (it depends on dx^2 + dy^2 only), so one frame evaluates it once per
// (dx, dy) with dy <= dx in this quadrant and mirrors it everywhere else. From
// any centre the back buffer lies within 210 columns and 170 rows; larger
// targets evaluate their far pixels directly.
constexpr int quadrant_reach = 256;

// No surface is wider than this.
constexpr int max_width = max_surface_side;

struct PlasmaRows {
    float circular[quadrant_reach][quadrant_reach];               // [dy][dx], this frame
    double phase[quadrant_reach], wave[quadrant_reach];           // one quadrant row on its way
    double column_phase[max_width];                               // the planar phase per column
    double column_sin[max_width], column_cos[max_width];          // and its sine and cosine
    double row_phase[max_surface_side];                           // the same per row
    double row_sin[max_surface_side], row_cos[max_surface_side];  // of every row
    float row_circular[max_width];                                // the circular wave along a row
    int row_index[max_width];                                     // palette indices along a row
};

PlasmaRows* plasma_make_rows()
{
    return new (std::nothrow) PlasmaRows;
}

void plasma_free_rows(PlasmaRows* rows)
{
    delete rows;
}

PlasmaWaves plasma_waves(uint32_t t)
{
    PlasmaWaves w;
    w.T = float(double(t) / 100.0);
    const float ax = float(exact_cos(w.T * double(0.06165562f)));
    const float ay = float(exact_sin(w.T * double(-0.36352262f)));
    w.cx = int(50.0 * ax + 160.0);
    w.cy = int(50.0 * ay + 120.0);
    w.kx = float(ax / double(17.3f));
    w.ky = float(ay / double(31.9f));
    return w;
}

void palette_make(Palette* palette)
{
    *palette = Palette{};
    for (int i = 0; i < 256; i++) {
        const SinCos a = exact_sincos(i * pi_f / 128);
        const double b = (255 - i) * pi_f / 128;
        const uint32_t r = uint32_t(127.0 * float(exact_sin(b)) + 127.0);
        const uint32_t g = uint32_t(127.0 * float(a.cos) + 127.0);
        const uint32_t bl = uint32_t(127.0 * float(a.sin) + 127.0);
        palette->colours[i] = 0xFF000000u + r * 0x10000u + g * 0x100u + bl;
    }
}

// The circular wave at squared distance d from the centre.
static float circular_wave(int64_t d, double T)
{
    const float q = float(double(d) / 200.0);
    return float(exact_sin(q / 17.0 + T));
}

// sin of a[0..n) turned on by `turns` quarter turns (1 gives cos), the same
// values as the correctly rounded sine to within about an ulp of double (far
// finer than the float the waves are rounded to), in a loop without branches
// or calls so that it vectorises. Good while |a| stays below sin_span_reach,
// where the quarter-turn count still fits the exact product.
constexpr double sin_span_reach = 1000000.0;
static void sin_span(const double* a, double* out, int n, int turns)
{
    constexpr double two_over_pi = 6.36619772367581382433e-01;
    constexpr double pio2_hi = 1.57079632673412561417e+00;  // pi/2 to 33 bits: n * pio2_hi is exact
    constexpr double pio2_lo = 6.07710050650619224932e-11;  // the rest of pi/2
    constexpr double round_bias = 6755399441055744.0;       // 1.5 * 2^52 rounds to an integer
    // Minimax polynomials of sin and cos on [-pi/4, pi/4].
    constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                     S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                     S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
    constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                     C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                     C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
    int i = 0;
#if defined(__SSE2__)
    // Two at a time, the same operations in the same order. The quarter-turn
    // count is read from the low bits of the biased sum instead of converting
    // it back to an integer: k + 1.5 * 2^52 holds k in its low mantissa bits.
    const auto splat = [](double v) { return _mm_set1_pd(v); };
    const __m128d one = splat(1.0), two = splat(2.0);
    const __m128i bit = _mm_set1_epi64x(1), turned = _mm_set1_epi64x(turns);
    for (; i + 2 <= n; i += 2) {
        const __m128d x = _mm_loadu_pd(a + i);
        const __m128d biased = _mm_add_pd(_mm_mul_pd(x, splat(two_over_pi)), splat(round_bias));
        const __m128d k = _mm_sub_pd(biased, splat(round_bias));
        const __m128d r =
            _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(k, splat(pio2_hi))), _mm_mul_pd(k, splat(pio2_lo)));
        const __m128d z = _mm_mul_pd(r, r);
        __m128d ps = _mm_add_pd(splat(S5), _mm_mul_pd(z, splat(S6)));
        ps = _mm_add_pd(splat(S4), _mm_mul_pd(z, ps));
        ps = _mm_add_pd(splat(S3), _mm_mul_pd(z, ps));
        ps = _mm_add_pd(splat(S2), _mm_mul_pd(z, ps));
        ps = _mm_add_pd(splat(S1), _mm_mul_pd(z, ps));
        const __m128d s = _mm_add_pd(r, _mm_mul_pd(_mm_mul_pd(r, z), ps));
        __m128d pc = _mm_add_pd(splat(C5), _mm_mul_pd(z, splat(C6)));
        pc = _mm_add_pd(splat(C4), _mm_mul_pd(z, pc));
        pc = _mm_add_pd(splat(C3), _mm_mul_pd(z, pc));
        pc = _mm_add_pd(splat(C2), _mm_mul_pd(z, pc));
        pc = _mm_add_pd(splat(C1), _mm_mul_pd(z, pc));
        const __m128d h = _mm_mul_pd(splat(0.5), z);
        const __m128d w = _mm_sub_pd(one, h);
        const __m128d c = _mm_add_pd(
            w, _mm_add_pd(_mm_sub_pd(_mm_sub_pd(one, w), h), _mm_mul_pd(_mm_mul_pd(z, z), pc)));
        const __m128i quarter = _mm_add_epi64(_mm_castpd_si128(biased), turned);
        const __m128d odd_mask =
            _mm_castsi128_pd(_mm_sub_epi64(_mm_setzero_si128(), _mm_and_si128(quarter, bit)));
        const __m128d sign_mask = _mm_castsi128_pd(
            _mm_sub_epi64(_mm_setzero_si128(), _mm_and_si128(_mm_srli_epi64(quarter, 1), bit)));
        const __m128d odd = _mm_and_pd(odd_mask, one);
        const __m128d sign = _mm_sub_pd(one, _mm_and_pd(sign_mask, two));
        _mm_storeu_pd(out + i, _mm_mul_pd(sign, _mm_add_pd(_mm_mul_pd(s, _mm_sub_pd(one, odd)),
                                                           _mm_mul_pd(c, odd))));
    }
#endif
    for (; i < n; i++) {
        const double x = a[i];
        const double k = (x * two_over_pi + round_bias) - round_bias;  // nearest quarter turn
        const double r = (x - k * pio2_hi) - k * pio2_lo;              // in [-pi/4, pi/4]
        const double z = r * r;
        const double s = r + r * z * (S1 + z * (S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)))));
        const double h = 0.5 * z;
        const double w = 1.0 - h;
        const double c = w + (((1.0 - w) - h) +
                              z * z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6))))));
        // Quarter turns pick cos over sin and the sign. Weights of exactly 0
        // and 1 select without branches (a product with 0 or 1 is exact).
        const int quarter = (int(k) + turns) & 3;
        const double odd = quarter & 1;
        const double sign = 1 - (quarter & 2);
        out[i] = sign * (s * (1.0 - odd) + c * odd);
    }
}

// out[i] = float(in[i]) for i < n.
static void store_floats(const double* in, int n, float* out)
{
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4)
        _mm_storeu_ps(out + i, _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(in + i)),
                                             _mm_cvtpd_ps(_mm_loadu_pd(in + i + 2))));
#endif
    for (; i < n; i++)
        out[i] = float(in[i]);
}

#if defined(__SSE2__)
// Two doubles truncated toward zero into the low two lanes; the values here
// are far inside the int range.
static inline __m128i truncate2(__m128d v)
{
#if defined(__wasm_simd128__)
    // The SSE2 header of WebAssembly converts lane by lane through the C
    // library; the machine's own conversion saturates, the same here.
    return (__m128i)wasm_i32x4_trunc_sat_f64x2_zero((v128_t)v);
#else
    return _mm_cvttpd_epi32(v);
#endif
}
#endif

// Fills the quadrant table for every (dx, dy) the target can need.
static void fill_quadrant(int reach_x, int reach_y, double T, PlasmaRows* rows_of)
{
    float(*circular)[quadrant_reach] = rows_of->circular;
    double* phase = rows_of->phase;
    double* wave = rows_of->wave;
    const int rows = reach_y < quadrant_reach ? reach_y + 1 : quadrant_reach;
    const int wide = reach_x > reach_y ? reach_x + 1 : reach_y + 1;
    const int columns = wide < quadrant_reach ? wide : quadrant_reach;
    for (int dy = 0; dy < rows; dy++) {
        float* row = circular[dy];
        // Below the diagonal: the row dx was filled out to column dy already.
        for (int dx = 0; dx < dy; dx++)
            row[dx] = circular[dx][dy];
        const int n = columns - dy;
        int i = 0;
#if defined(__SSE2__)
        const __m128d two_hundred = _mm_set1_pd(200.0), seventeen = _mm_set1_pd(17.0);
        const __m128d time = _mm_set1_pd(T);
        for (; i + 2 <= n; i += 2) {
            const int dx = dy + i;
            const __m128i d = _mm_set_epi32(0, 0, (dx + 1) * (dx + 1) + dy * dy, dx * dx + dy * dy);
            const __m128d q =
                _mm_cvtps_pd(_mm_cvtpd_ps(_mm_div_pd(_mm_cvtepi32_pd(d), two_hundred)));
            _mm_storeu_pd(phase + i, _mm_add_pd(_mm_div_pd(q, seventeen), time));
        }
#endif
        for (; i < n; i++) {
            const int dx = dy + i;
            const float q = float(double(dx * dx + dy * dy) / 200.0);
            phase[i] = q / 17.0 + T;
        }
        if (T < sin_span_reach)
            sin_span(phase, wave, n, 0);
        else
            for (int k = 0; k < n; k++)
                wave[k] = exact_sin(phase[k]);
        store_floats(wave, n, row + dy);
    }
}

// The circular wave along a row dy away from the centre row.
static void circular_row(int w, int cx, int dy, double T, PlasmaRows* rows)
{
    const float(*circular)[quadrant_reach] = rows->circular;
    float* row_circular = rows->row_circular;
    if (dy < quadrant_reach && w - 1 - cx < quadrant_reach) {
        // The whole row lies in the quadrant: a copy mirrored about the centre.
        const float* quadrant = circular[dy];
        const int left = cx < w ? cx : w;
        int x = 0;
#if defined(__SSE2__)
        for (; x + 4 <= left; x += 4) {
            const __m128 v = _mm_loadu_ps(quadrant + cx - x - 3);
            _mm_storeu_ps(row_circular + x, _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)));
        }
#endif
        for (; x < left; x++)
            row_circular[x] = quadrant[cx - x];
        if (w > left)
            memcpy(row_circular + left, quadrant + (left - cx), size_t(w - left) * sizeof(float));
        return;
    }
    const float* quadrant = dy < quadrant_reach ? circular[dy] : nullptr;
    for (int x = 0; x < w; x++) {
        const int dx = x < cx ? cx - x : x - cx;
        row_circular[x] = quadrant && dx < quadrant_reach
                              ? quadrant[dx]
                              : circular_wave(int64_t(dx) * dx + int64_t(dy) * dy, T);
    }
}

void plasma_draw(uint32_t t, const Palette* palette, PlasmaRows* rows, Surface* target)
{
    if (!target || !palette || !rows || target->w > max_width)
        return;
    double* column_phase = rows->column_phase;
    double* column_sin = rows->column_sin;
    double* column_cos = rows->column_cos;
    double* row_phase = rows->row_phase;
    double* row_sin = rows->row_sin;
    double* row_cos = rows->row_cos;
    const float* row_circular = rows->row_circular;
    int* row_index = rows->row_index;
    const uint32_t* colours = palette->colours;
    const int w = target->w;
    const int h = target->h;
    const PlasmaWaves waves = plasma_waves(t);
    const double T = waves.T;
    const int cx = waves.cx;
    const int cy = waves.cy;

    fill_quadrant(cx > w - 1 - cx ? cx : w - 1 - cx, cy > h - 1 - cy ? cy : h - 1 - cy, T, rows);
    // The planar wave sin(p + py) splits into sin p cos py + cos p sin py over
    // one table per column and two sines per row. Evaluated in double it stays
    // within about 1e-15 of the direct sine, far below the float the wave is
    // rounded to: a pixel can move one palette index only when a wave sits that
    // close to a rounding boundary (no frame of the show has one). The tables'
    // sines are the span's own for the same reason, and for speed.
    for (int x = 0; x < w; x++)
        column_phase[x] = float(x * double(waves.kx));
    sin_span(column_phase, column_sin, w, 0);
    sin_span(column_phase, column_cos, w, 1);
    for (int y = 0; y < h; y++)
        row_phase[y] = float(y * double(waves.ky));
    sin_span(row_phase, row_sin, h, 0);
    sin_span(row_phase, row_cos, h, 1);

    uint32_t* dst = target->pixels;
    const int pitch = target->pitch;
    for (int y = 0; y < h; y++, dst += pitch) {
        circular_row(w, cx, y < cy ? cy - y : y - cy, T, rows);
        const double sin_py = row_sin[y];
        const double cos_py = row_cos[y];
        // Indices first, four at a time where the machine has vectors, then the lookups.
        int x = 0;
#if defined(__SSE2__)
        const __m128d cp = _mm_set1_pd(cos_py), sp = _mm_set1_pd(sin_py);
        const __m128d scale = _mm_set1_pd(64.0), offset = _mm_set1_pd(127.0);
        const auto two_indices = [&](int at) {
            const __m128d w2 = _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(column_sin + at), cp),
                                          _mm_mul_pd(_mm_loadu_pd(column_cos + at), sp));
            const __m128d w2f = _mm_cvtps_pd(_mm_cvtpd_ps(w2));
            const __m128d c = _mm_cvtps_pd(_mm_castsi128_ps(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row_circular + at))));
            return truncate2(_mm_add_pd(_mm_mul_pd(scale, _mm_add_pd(c, w2f)), offset));
        };
        for (; x + 4 <= w; x += 4) {
            const __m128i index = _mm_unpacklo_epi64(two_indices(x), two_indices(x + 2));
            // Negative (both waves at -1) becomes 0, as below.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row_index + x),
                             _mm_andnot_si128(_mm_srai_epi32(index, 31), index));
        }
#endif
        for (; x < w; x++) {
            const float w2 = float(column_sin[x] * cos_py + column_cos[x] * sin_py);
            const int index = int(64.0 * (double(row_circular[x]) + double(w2)) + 127.0);
            // Both waves at exactly -1 give -1, which the palette has no entry for.
            row_index[x] = index < 0 ? 0 : index;
        }
        for (x = 0; x < w; x++)
            dst[x] = colours[row_index[x]];
    }
}

void palette_rotate(uint32_t t, Palette* palette)
{
    const float seconds = float(t - palette->last_rotation) / 1000.0f;
    const int k = int(600.0 * float(exact_sin(double(seconds))));
    const int shift = k & 0xFF;  // a negative k turns the other way
    uint32_t old[256];
    memcpy(old, palette->colours, sizeof old);
    for (int j = 0; j < 256; j++)
        palette->colours[j] = old[(j + shift) & 0xFF];
    palette->last_rotation = t;
}

void palette_turn(uint32_t from, int64_t last, Palette* palette)
{
    const StepRange r = steps_take(&palette->steps_taken, from, last);
    for (int64_t k = r.first; k <= r.last; k++)
        palette_rotate(step_time(k), palette);
}
