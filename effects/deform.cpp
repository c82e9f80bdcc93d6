#include "effects/deform.h"

#include <cmath>

#include "shell/image.h"

// The single-precision pi the ripple's drift is written with.
static const double pi_f = 3.1415927410125732;

constexpr int side_mask = deform_table_side - 1;
constexpr int side_shift = 9;  // deform_table_side == 1 << side_shift

// Truncation toward zero as the x86 conversion does it: anything that does
// not fit a signed 32-bit value (the centre's infinity and NaN) becomes
// -2147483648, without the undefined behaviour of a plain cast.
static int32_t truncate_to_int32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return int32_t(v);
}

// Normalised picture coordinates of table row i and column j: the centre of a
// 320x240 picture is (0, 0), its edges -1 and 1.
static float table_y(int i)
{
    return float(2.0 * i / 240.0 - 1.0);
}

static float table_x(int j)
{
    return float(2.0 * j / 320.0 - 1.0);
}

static float table_radius(float x, float y)
{
    return float(std::sqrt(double(x) * x + double(y) * y));
}

void build_inversion_table(DeformShift* table)
{
    if (!table)
        return;
    for (int i = 0; i < deform_table_side; i++) {
        const float y = table_y(i);
        for (int j = 0; j < deform_table_side; j++) {
            const float x = table_x(j);
            const float r = table_radius(x, y);
            const float theta = float(std::atan2(double(y), double(x)));
            // cos and sin rather than x / r and y / r: the two roundings differ
            // near integer boundaries, and these are the shifts the look was made with.
            const float c = float(std::cos(double(theta)));
            const float s = float(std::sin(double(theta)));
            DeformShift& e = table[i * deform_table_side + j];
            e.column = truncate_to_int32(256.0 * double(c / r));
            e.row = truncate_to_int32(64.0 * double(s / r));
        }
    }
}

void build_ripple_table(DeformShift* table)
{
    if (!table)
        return;
    for (int i = 0; i < deform_table_side; i++) {
        const float y = table_y(i);
        for (int j = 0; j < deform_table_side; j++) {
            const float r = table_radius(table_x(j), y);
            DeformShift& e = table[i * deform_table_side + j];
            e.column = truncate_to_int32(64.0 * double(float(0.5 * r / pi_f)));
            e.row = truncate_to_int32(64.0 * double(float(std::sin(7.0 * r))));
        }
    }
}

__extension__ typedef unsigned __int128 uint128;

// Remainder by a fixed divisor without a divide (Lemire, Kaser and Kurz,
// "Faster remainder by direct computation"): with magic = 2^64 / d rounded up,
// the high word of (magic * n mod 2^64) * d is n mod d for every 32-bit n
// and d. Two multiplies instead of a division of 20-odd cycles, and the
// result is the unsigned remainder bit for bit, wrap-around sums included.
static inline uint64_t remainder_magic(uint32_t d)
{
    return UINT64_MAX / d + 1;
}

static inline uint32_t fast_remainder(uint32_t n, uint64_t magic, uint32_t d)
{
    const uint64_t fraction = magic * n;
    return uint32_t((uint128(fraction) * d) >> 64);
}

void render_deformation(uint32_t a, SDL_Surface* texture, const DeformShift* inversion,
                        const DeformShift* ripple, SDL_Surface* target)
{
    if (!texture || !inversion || !ripple || !target)
        return;
    if (texture->format->BytesPerPixel != 4 || target->format->BytesPerPixel != 4)
        return;
    const uint32_t w = uint32_t(texture->w);
    const uint32_t h = uint32_t(texture->h);
    if (w == 0 || h == 0)
        return;
    // Only the part of the texture's block that lies on the target is drawn.
    const int cols = texture->w < target->w ? texture->w : target->w;
    const int rows = texture->h < target->h ? texture->h : target->h;

    lock_surface(texture);
    lock_surface(target);
    const Uint32* src = static_cast<const Uint32*>(texture->pixels);
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    const int spitch = pitch_pixels(texture);
    const int tpitch = pitch_pixels(target);
    const uint64_t w_magic = remainder_magic(w);
    const uint64_t h_magic = remainder_magic(h);

    for (int i = 0; i < rows; i++) {
        const DeformShift* p_row = inversion + ((i & side_mask) << side_shift);
        const DeformShift* r_row = ripple + ((i & side_mask) << side_shift);
        const uint32_t row_base = uint32_t(i) + a;
        Uint32* d = dst + i * tpitch;
        // Columns past 511 start the table row over; in 512-wide runs the
        // entry pointers just step along.
        for (int run = 0; run < cols; run += deform_table_side) {
            const int run_end = cols - run < deform_table_side ? cols : run + deform_table_side;
            const DeformShift* p = p_row;
            const DeformShift* r = r_row;
            uint32_t column_base = uint32_t(run) + a;
            for (int j = run; j < run_end; j++, p++, r++, column_base++) {
                // Unsigned 32-bit sums: a negative shift wraps to 2^32 minus its
                // magnitude before the remainder, so -1 lands on (2^32 - 1) mod w.
                const uint32_t u_sum = column_base + uint32_t(p->column) + uint32_t(r->column);
                const uint32_t v_sum = row_base + uint32_t(p->row) + uint32_t(r->row);
                const uint32_t u = fast_remainder(u_sum, w_magic, w);
                const uint32_t v = fast_remainder(v_sum, h_magic, h);
                d[j] = src[size_t(v) * spitch + u];
            }
        }
    }
    unlock_surface(target);
    unlock_surface(texture);
}
