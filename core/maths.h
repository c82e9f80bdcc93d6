// Numbers every layer draws with.
#pragma once

// pi rounded to single precision, held in double: every curve, table and
// bevel of the show is written with this value, not with the true pi.
constexpr double pi_f = 3.1415927410125732;

// A float position to a pixel: add 0.5 and truncate toward zero. The sum is
// formed in double: in single precision 0.49999997 would round up to 1.
inline int round_position(float v)
{
    return static_cast<int>(double(v) + 0.5);
}

// atan2 correctly rounded, from nothing but IEEE additions, multiplications,
// divisions and square roots, so it gives the same bits on every platform:
// C libraries differ in the last place here and there (glibc's own is not
// correctly rounded everywhere either), and the tables built from it would
// differ with them. For finite arguments below 2^996 in magnitude whose
// quotient, the smaller by the larger, is not subnormal; atan2(0, 0) is 0.
double exact_atan2(double y, double x);

// sin and cos together, correctly rounded, from the same IEEE operations
// alone: C libraries round these differently here and there (mingw-w64's own
// and musl's are not glibc's), and the waves and tables built from them would
// move with them. For |x| <= sincos_reach, which holds every angle the show
// forms from any 32-bit time (the largest, the plasma's time in tenths of a
// second, stays below 2^26); beyond it, and for infinities and NaN, both are
// NaN. The rounding is decided from about 100 correct bits, so a value closer
// than that to a halfway point between two doubles could still round the wrong
// way; none among the show's own arguments does.
constexpr double sincos_reach = 0x1p30;
struct SinCos {
    double sin, cos;
};
SinCos exact_sincos(double x);

inline double exact_sin(double x)
{
    return exact_sincos(x).sin;
}

inline double exact_cos(double x)
{
    return exact_sincos(x).cos;
}
