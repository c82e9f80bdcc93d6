#include "effects/deform.h"

#include <cmath>
#include <new>

#include "core/maths.h"
#include "draw/surface.h"

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

void deform_make_inversion(DeformShift* table)
{
    if (!table)
        return;
    for (int i = 0; i < deform_table_side; i++) {
        const float y = table_y(i);
        for (int j = 0; j < deform_table_side; j++) {
            const float x = table_x(j);
            const float r = table_radius(x, y);
            const float theta = float(exact_atan2(double(y), double(x)));
            // cos and sin rather than x / r and y / r: the two roundings differ
            // near integer boundaries, and these are the shifts the look was made with.
            const SinCos v = exact_sincos(double(theta));
            const float c = float(v.cos);
            const float s = float(v.sin);
            DeformShift& e = table[i * deform_table_side + j];
            e.column = truncate_to_int32(256.0 * double(c / r));
            e.row = truncate_to_int32(64.0 * double(s / r));
        }
    }
}

void deform_make_ripple(DeformShift* table)
{
    if (!table)
        return;
    for (int i = 0; i < deform_table_side; i++) {
        const float y = table_y(i);
        for (int j = 0; j < deform_table_side; j++) {
            const float r = table_radius(table_x(j), y);
            DeformShift& e = table[i * deform_table_side + j];
            e.column = truncate_to_int32(64.0 * double(float(0.5 * r / pi_f)));
            e.row = truncate_to_int32(64.0 * double(float(exact_sin(7.0 * r))));
        }
    }
}

void deform_free_map(DeformMap* map)
{
    delete[] map->bases;
    delete[] map->column_of;
    delete[] map->row_start_of;
    *map = DeformMap{0, 0, 0, nullptr, nullptr, nullptr};
}

bool deform_make_map(const DeformShift* inversion, const DeformShift* ripple,
                     const Surface* texture, DeformMap* map)
{
    *map = DeformMap{0, 0, 0, nullptr, nullptr, nullptr};
    if (!inversion || !ripple || !texture)
        return false;
    const int w = texture->w;
    const int h = texture->h;
    const int pitch = texture->pitch;
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535)
        return false;
    map->bases = new (std::nothrow) DeformBase[size_t(w) * h];
    map->column_of = new (std::nothrow) uint16_t[2 * size_t(w)];
    map->row_start_of = new (std::nothrow) int32_t[2 * size_t(h)];
    if (!map->bases || !map->column_of || !map->row_start_of) {
        deform_free_map(map);
        return false;
    }
    map->width = w;
    map->height = h;
    map->pitch = pitch;
    for (int x = 0; x < 2 * w; x++)
        map->column_of[x] = uint16_t(x % w);
    for (int y = 0; y < 2 * h; y++)
        map->row_start_of[y] = (y % h) * pitch;

    // What 2^32 leaves over in each axis: a sum that wraps loses that much.
    const uint32_t column_wrap = uint32_t((uint64_t(1) << 32) % uint32_t(w));
    const uint32_t row_wrap = uint32_t((uint64_t(1) << 32) % uint32_t(h));
    DeformBase* b = map->bases;
    for (int i = 0; i < h; i++) {
        const int row_start = (i & side_mask) << side_shift;
        for (int j = 0; j < w; j++, b++) {
            const int k = row_start + (j & side_mask);
            // Unsigned 32-bit sums: a negative shift counts as 2^32 minus its magnitude.
            const uint32_t u =
                uint32_t(j) + uint32_t(inversion[k].column) + uint32_t(ripple[k].column);
            const uint32_t v = uint32_t(i) + uint32_t(inversion[k].row) + uint32_t(ripple[k].row);
            const uint32_t u_rest = u % uint32_t(w);
            const uint32_t v_rest = v % uint32_t(h);
            b->column = {u, {uint16_t(u_rest), uint16_t((u_rest + w - column_wrap) % uint32_t(w))}};
            b->row = {v, {uint16_t(v_rest), uint16_t((v_rest + h - row_wrap) % uint32_t(h))}};
        }
    }
    return true;
}

void deform_draw(uint32_t a, const Surface* texture, const DeformMap* map, Surface* target)
{
    if (!texture || !map || !map->bases || !target)
        return;
    if (texture->w != map->width || texture->h != map->height || texture->pitch != map->pitch)
        return;
    // Only the part of the texture's block that lies on the target is drawn.
    const int cols = texture->w < target->w ? texture->w : target->w;
    const int rows = texture->h < target->h ? texture->h : target->h;

    const uint32_t* src = texture->pixels;
    uint32_t* dst = target->pixels;
    const int tpitch = target->pitch;
    // The frame's two divisions. A remainder plus a's remainder is below twice
    // the size, so lookups shifted by a's remainder finish the sum: column_of
    // gives the column, row_start_of the row already times the pitch.
    const uint16_t* column_of = map->column_of + a % uint32_t(map->width);
    const int32_t* row_start_of = map->row_start_of + a % uint32_t(map->height);
    // A base's sum plus a passes 2^32 exactly when the sum is above ~a.
    const uint32_t no_wrap_limit = ~a;
    for (int i = 0; i < rows; i++) {
        const DeformBase* b = map->bases + size_t(i) * map->width;
        uint32_t* d = dst + i * tpitch;
        for (int j = 0; j < cols; j++, b++) {
            // Picked by index, not by branch: the wrap flips along curves in the picture.
            const int u = column_of[b->column.rest[b->column.sum > no_wrap_limit]];
            const int v_start = row_start_of[b->row.rest[b->row.sum > no_wrap_limit]];
            d[j] = src[v_start + u];
        }
    }
}
