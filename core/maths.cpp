#include "core/maths.h"

#include <cmath>

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
