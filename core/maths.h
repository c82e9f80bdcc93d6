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
