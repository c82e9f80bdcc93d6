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
