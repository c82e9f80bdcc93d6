#include "core/maths.h"

#include <cmath>
#include <cstdint>

// Numbers as unevaluated sums hi + lo with |lo| <= half an ulp of hi, about 106
// bits, in the classic error-free steps (Dekker, Knuth). The file is built
// without fused multiply-adds, which would change these steps' roundings.
namespace {

struct Double2 {
    double hi, lo;
};

Double2 quick_two_sum(double a, double b)  // |a| >= |b|
{
    const double s = a + b;
    return {s, b - (s - a)};
}

Double2 two_sum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Double2 two_product(double a, double b)
{
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = splitter * a, tb = splitter * b;
    const double ah = ta - (ta - a), bh = tb - (tb - b);
    const double al = a - ah, bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Double2 add(Double2 a, Double2 b)
{
    Double2 s = two_sum(a.hi, b.hi);
    const Double2 t = two_sum(a.lo, b.lo);
    s = quick_two_sum(s.hi, s.lo + t.hi);
    return quick_two_sum(s.hi, s.lo + t.lo);
}

Double2 negate(Double2 a)
{
    return {-a.hi, -a.lo};
}

Double2 multiply(Double2 a, Double2 b)
{
    const Double2 p = two_product(a.hi, b.hi);
    return quick_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

Double2 divide(Double2 a, Double2 b)
{
    const double q1 = a.hi / b.hi;
    Double2 r = add(a, negate(multiply(b, {q1, 0.0})));
    const double q2 = r.hi / b.hi;
    r = add(r, negate(multiply(b, {q2, 0.0})));
    const double q3 = r.hi / b.hi;
    return add(quick_two_sum(q1, q2), {q3, 0.0});
}

constexpr Double2 pi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr Double2 half_pi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// atan u for |u| <= 1/64 by its series to u^21, every term in double-double.
Double2 series_atan(Double2 u)
{
    const Double2 u2 = multiply(u, u);
    Double2 sum = {0.0, 0.0};
    for (int n = 21; n >= 3; n -= 2)
        sum = add(multiply(sum, u2), divide({n % 4 == 1 ? 1.0 : -1.0, 0.0}, {double(n), 0.0}));
    return add(u, multiply(multiply(sum, u2), u));
}

// atan(k / 64) for k = 0..64, each from the one before:
// atan a - atan b = atan((a - b) / (1 + ab)), here (1/64) / (1 + ab) exactly.
constexpr int steps = 64;
struct AtanTable {
    Double2 at[steps + 1];
    AtanTable()
    {
        at[0] = {0.0, 0.0};
        for (int k = 1; k <= steps; k++) {
            const double ab = double(k) * (k - 1) / (steps * steps);
            at[k] = add(at[k - 1], series_atan(divide({1.0 / steps, 0.0}, {1.0 + ab, 0.0})));
        }
    }
};

// atan t for 0 <= t <= 1, from the nearest k / 64: u = (t - c) / (1 + tc) has
// |u| <= 1/128. With `precise` the whole series is summed in double-double;
// otherwise its terms past u in plain double, which leaves an error below
// 2^-66 of the result.
Double2 reduced_atan(Double2 t, bool precise)
{
    static const AtanTable table;
    const int k = int(t.hi * steps + 0.5);
    const double c = double(k) / steps;
    const Double2 u = divide(add(t, {-c, 0.0}), add(multiply(t, {c, 0.0}), {1.0, 0.0}));
    if (precise)
        return add(table.at[k], series_atan(u));
    const double v = u.hi * u.hi;
    const double tail =
        v * (-1.0 / 3 + v * (1.0 / 5 + v * (-1.0 / 7 + v * (1.0 / 9 + v * (-1.0 / 11)))));
    return add(table.at[k], add(u, {u.hi * tail, 0.0}));
}

// atan2 in double-double: the quotient of the smaller by the larger magnitude,
// then the octant.
Double2 atan2_double2(double y, double x, bool precise)
{
    const double ay = std::fabs(y), ax = std::fabs(x);
    const bool steep = ay > ax;
    const double n = steep ? ax : ay, d = steep ? ay : ax;
    const double q = n / d;
    const Double2 p = two_product(q, d);
    const Double2 t = quick_two_sum(q, ((n - p.hi) - p.lo) / d);
    Double2 r = reduced_atan(t, precise);
    if (steep)
        r = add(half_pi, negate(r));
    if (x < 0)
        r = add(pi, negate(r));
    return std::signbit(y) ? negate(r) : r;
}

// pi/2 as four doubles, about 212 bits: x - k pi/2 for every k the range
// allows keeps more than 100 bits of even the smallest remainder (about
// 2^-60.5, at x = 0x1.6c6cbc45dc8dep+5).
constexpr double quarter_turn[4] = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54,
                                    -0x1.f1976b7ed8fbcp-110, 0x1.4cf98e804177dp-164};

// sin and cos of j / 64 for j = 0..51, which covers every reduced argument
// (at most pi/4), and the reciprocals their series divide by.
constexpr int sincos_steps = 64;
constexpr int sincos_entries = 52;
constexpr int series_pairs = 15;
struct SinCosTable {
    Double2 sin[sincos_entries], cos[sincos_entries];
    // The same as a head of 27 bits and the rest in a double, for the fast sums.
    double sin_head[sincos_entries], sin_rest[sincos_entries];
    double cos_head[sincos_entries], cos_rest[sincos_entries];
    Double2 sin_step[series_pairs + 1];  // 1 / (2n (2n + 1))
    Double2 cos_step[series_pairs + 1];  // 1 / ((2n + 1) (2n + 2))
    SinCosTable();
};

struct SinCos2 {
    Double2 sin, cos_minus_one;
};

// sin x and cos x - 1 by their series in double-double, `pairs` terms of each
// past the first: sin x = x (1 - x^2/(2*3) (1 - x^2/(4*5) (...))), and
// cos x - 1 = -x^2/2 (1 - x^2/(3*4) (1 - x^2/(5*6) (...))).
SinCos2 series_sincos(const SinCosTable& table, Double2 x, int pairs)
{
    const Double2 x2 = multiply(x, x);
    Double2 s = {1.0, 0.0}, c = {1.0, 0.0};
    for (int n = pairs; n >= 1; n--) {
        s = add({1.0, 0.0}, negate(multiply(multiply(x2, s), table.sin_step[n])));
        c = add({1.0, 0.0}, negate(multiply(multiply(x2, c), table.cos_step[n])));
    }
    return {multiply(x, s), negate(multiply({0.5 * x2.hi, 0.5 * x2.lo}, c))};
}

// v rounded to its leading 27 bits.
double head_27(double v)
{
    const double split = 67108865.0 * v;  // 2^26 + 1
    return split - (split - v);
}

// The table entries by the series to x^31, an error far below double-double's.
SinCosTable::SinCosTable()
{
    for (int n = 1; n <= series_pairs; n++) {
        sin_step[n] = divide({1.0, 0.0}, {double(2 * n * (2 * n + 1)), 0.0});
        cos_step[n] = divide({1.0, 0.0}, {double((2 * n + 1) * (2 * n + 2)), 0.0});
    }
    for (int j = 0; j < sincos_entries; j++) {
        const SinCos2 v = series_sincos(*this, {double(j) / sincos_steps, 0.0}, series_pairs);
        sin[j] = v.sin;
        cos[j] = add({1.0, 0.0}, v.cos_minus_one);
        sin_head[j] = head_27(sin[j].hi);
        sin_rest[j] = (sin[j].hi - sin_head[j]) + sin[j].lo;
        cos_head[j] = head_27(cos[j].hi);
        cos_rest[j] = (cos[j].hi - cos_head[j]) + cos[j].lo;
    }
}

const SinCosTable& sincos_table()
{
    static const SinCosTable table;
    return table;
}

// The reduced argument r = x - k pi/2, |r| <= pi/4, for the k nearest x.
// pi/2's leading double in three pieces of at most 23 bits, and its second in
// two, the first of 21 bits: k times any of those four is exact for |k| < 2^30.
constexpr double quarter_turn_0a = 0x1.921fb4p+0, quarter_turn_0b = 0x1.4442dp-24,
                 quarter_turn_0c = 0x1.8p-48;
constexpr double quarter_turn_1a = 0x1.1a626p-54, quarter_turn_1b = 0x1.98a2e038p-77;
static_assert(quarter_turn_0a + quarter_turn_0b + quarter_turn_0c == quarter_turn[0] &&
                  quarter_turn_1a + quarter_turn_1b == quarter_turn[1],
              "the pieces sum to pi/2's doubles");

// k, the number of quarter turns nearest x.
double quarter_turns(double x)
{
    constexpr double two_over_pi = 0x1.45f306dc9c883p-1;
    constexpr double round_bias = 0x1.8p52;  // 1.5 * 2^52 rounds to an integer
    return (x * two_over_pi + round_bias) - round_bias;
}

// x - k p0 in plain double, every step exact: x - k p0a by Sterbenz's lemma,
// and the rest because each difference is a multiple of 2^-53 below 1 in
// magnitude (k = 0 when |x| < 1/2).
double less_leading_turns(double x, double k)
{
    return ((x - k * quarter_turn_0a) - k * quarter_turn_0b) - k * quarter_turn_0c;
}

// r with the terms past k times the first piece of the second double summed
// in plain double: an error below 2^-105 of r and 2^-98 besides, which stays
// under 2^-67 of r wherever |r| >= 2^-30.
Double2 reduce_fast(double x, double k)
{
    const Double2 r = two_sum(less_leading_turns(x, k), -k * quarter_turn_1a);
    return quick_two_sum(r.hi, r.lo - (k * quarter_turn_1b + k * quarter_turn[2]));
}

// r summed in double-double throughout, within about 2^-102 of itself.
Double2 reduce_precise(double x, double k)
{
    const Double2 p1 = two_product(k, quarter_turn[1]);
    Double2 r = two_sum(less_leading_turns(x, k), -p1.hi);
    r = add(r, {-p1.lo, 0.0});
    r = add(r, negate(two_product(k, quarter_turn[2])));
    return add(r, {-k * quarter_turn[3], 0.0});
}

struct Wave2 {
    Double2 sin, cos;
};

// sin and cos of a + u from the table entry a = j / 64 nearest r >= 0, with
// |u| <= 1/128: sin(a + u) = sin a + sin a (cos u - 1) + cos a sin u, and
// cos(a + u) = cos a + cos a (cos u - 1) - sin a sin u.
constexpr double table_step = 1.0 / sincos_steps;

// Every step in double-double.
Wave2 reduced_sincos_fine(Double2 r)
{
    const SinCosTable& table = sincos_table();
    const int j = int(r.hi * sincos_steps + 0.5);
    const Double2 sa = table.sin[j], ca = table.cos[j];
    const Double2 u = two_sum(r.hi - j * table_step, r.lo);  // the difference is exact
    // |u| <= 1/128: the first term left out, u^13 / 13!, is below 2^-116 of u.
    const SinCos2 v = series_sincos(table, u, 5);
    return {add(sa, add(multiply(sa, v.cos_minus_one), multiply(ca, v.sin))),
            add(ca, add(multiply(ca, v.cos_minus_one), negate(multiply(sa, v.sin))))};
}

// Only the leading products exact; the series past u and 1, and every small
// correction, in plain double. Each result, a sum hi + lo not normalised,
// lies within 2^-65 of the value of r.
Wave2 reduced_sincos_fast(Double2 r)
{
    const SinCosTable& table = sincos_table();
    const int j = int(r.hi * sincos_steps + 0.5);
    const double sh = table.sin_head[j], sr = table.sin_rest[j];
    const double ch = table.cos_head[j], cr = table.cos_rest[j];
    const double uh = r.hi - j * table_step, ul = r.lo;  // the difference is exact
    // uh = u1 + u2 with u1 of 26 bits, whose products with the heads are exact.
    const double split = 134217729.0 * uh;  // 2^27 + 1
    const double u1 = split - (split - uh), u2 = uh - u1;
    const double z = uh * uh;
    const double sin_tail = uh * z * (-1.0 / 6 + z * (1.0 / 120 + z * (-1.0 / 5040)));
    // ul may reach 2^-53 of r while uh is as small as 2^-7: the cross term of
    // u^2 / 2 counts.
    const double cos_minus_one = z * (-0.5 + z * (1.0 / 24 + z * (-1.0 / 720))) - uh * ul;
    const Double2 s = two_sum(sh, ch * u1), c = two_sum(ch, -(sh * u1));
    const double sa = sh + sr, ca = ch + cr;  // the heads alone would be off by 2^-27
    const double s_rest = sr + (ch * u2 + cr * uh + ca * ul + ca * sin_tail + sa * cos_minus_one);
    const double c_rest = cr - (sh * u2 + sr * uh + sa * ul + sa * sin_tail - ca * cos_minus_one);
    return {{s.hi, s.lo + s_rest}, {c.hi, c.lo + c_rest}};
}

// hi + lo rounded to double when its error bound cannot straddle a halfway
// point between two doubles; false otherwise.
bool round_if_certain(Double2 v, double relative_error, double* out)
{
    const double error = std::fabs(v.hi) * relative_error;
    const double up = v.hi + (v.lo + error), down = v.hi + (v.lo - error);
    *out = up;
    return up == down;
}

// sin and cos of x from those of r = x - k pi/2 by the quarter turns k mod 4.
SinCos place_in_quarter(double s, double c, int quarter)
{
    // Each quarter turn takes sin to cos and cos to -sin.
    const double turned[4] = {s, c, -s, -c};
    return {turned[quarter], turned[(quarter + 1) & 3]};
}

}  // namespace

double exact_atan2(double y, double x)
{
    if (y == 0 && x == 0)
        return std::signbit(x) ? std::copysign(pi.hi, y) : y;
    // Rounded to double, the fast sum is right unless it lies within its
    // error of a halfway point between two doubles: then sum every term finely.
    const Double2 r = atan2_double2(y, x, false);
    const double error = std::fabs(r.hi) * 0x1p-64;
    const double up = r.hi + (r.lo + error), down = r.hi + (r.lo - error);
    if (up == down)
        return up;
    const Double2 fine = atan2_double2(y, x, true);
    return fine.hi + fine.lo;
}

SinCos exact_sincos(double x)
{
    const double ax = std::fabs(x);
    // Below 2^-27, x and 1 are sin and cos correctly rounded: what the series
    // takes off is under half an ulp.
    if (ax < 0x1p-27)
        return {x, 1.0};
    if (!(ax <= sincos_reach))
        return {std::nan(""), std::nan("")};
    // The fast sums decide the rounding unless a value lies within their error
    // of a halfway point between two doubles, or x within 2^-30 of a multiple
    // of pi/2: then sum every term finely.
    const double k = quarter_turns(x);
    const int quarter = int(int64_t(k) & 3);
    const Double2 r = reduce_fast(x, k);
    if (std::fabs(r.hi) >= 0x1p-30) {
        const bool negative = r.hi < 0;
        const Wave2 fast = reduced_sincos_fast(negative ? negate(r) : r);
        double s, c;
        const bool sin_certain = round_if_certain(fast.sin, 0x1p-62, &s);
        const bool cos_certain = round_if_certain(fast.cos, 0x1p-62, &c);
        if (sin_certain && cos_certain)
            return place_in_quarter(negative ? -s : s, c, quarter);
    }
    const Double2 fine_r = reduce_precise(x, k);
    const bool negative = fine_r.hi < 0;
    const Wave2 fine = reduced_sincos_fine(negative ? negate(fine_r) : fine_r);
    const double s = fine.sin.hi + fine.sin.lo;
    return place_in_quarter(negative ? -s : s, fine.cos.hi + fine.cos.lo, quarter);
}
