#include "effects/tunnel.h"

#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/maths.h"

constexpr int table_size = tunnel_table_width * tunnel_table_height;
constexpr int axis_column = tunnel_table_width / 2;
constexpr int axis_row = tunnel_table_height / 2;
constexpr uint32_t texture_mask = tunnel_texture_side - 1;
constexpr int field_shift = 16;

// Packs one entry pair for the renderer.
static uint32_t packed_texel(int32_t depth, int32_t angle)
{
    return (uint32_t(depth) & texture_mask) << field_shift | (uint32_t(angle) & texture_mask);
}

void tunnel_make_tables(TunnelTables* tables)
{
    if (!tables->depth) {
        tables->depth = new (std::nothrow) int32_t[table_size];
        tables->angle = new (std::nothrow) int32_t[table_size];
        tables->texel = new (std::nothrow) uint32_t[table_size];
        if (!tables->depth || !tables->angle || !tables->texel) {
            delete[] tables->depth;
            delete[] tables->angle;
            delete[] tables->texel;
            *tables = TunnelTables{};
            return;
        }
    }
    int32_t* const tunnel_depth = tables->depth;
    int32_t* const tunnel_angle = tables->angle;
    uint32_t* const tunnel_texel = tables->texel;
    for (int i = 0; i <= axis_row; i++) {
        const double y = i - axis_row;
        for (int j = 0; j < tunnel_table_width; j++) {
            const int k = i * tunnel_table_width + j;
            // A tenth of a pixel off the axis column keeps the division finite.
            const double x = j == axis_column ? 0.1 : double(j - axis_column);
            const double theta = exact_atan2(y, x);
            tunnel_depth[k] = int32_t(exact_cos(theta) * 200 * 50 / x);
            tunnel_angle[k] = int32_t(theta * 256 / pi_f);
            tunnel_texel[k] = packed_texel(tunnel_depth[k], tunnel_angle[k]);
        }
    }
    // The tube is symmetric about the axis row: atan2 is odd in y and cos is
    // even, so a row below the axis is the row as far above it with its angles
    // negated, bit for bit. Half the trigonometry of the start-up.
    for (int i = axis_row + 1; i < tunnel_table_height; i++) {
        const int mirror = (2 * axis_row - i) * tunnel_table_width;
        for (int j = 0; j < tunnel_table_width; j++) {
            const int k = i * tunnel_table_width + j;
            tunnel_depth[k] = tunnel_depth[mirror + j];
            tunnel_angle[k] = -tunnel_angle[mirror + j];
            tunnel_texel[k] = packed_texel(tunnel_depth[k], tunnel_angle[k]);
        }
    }
}

bool tunnel_texture_fits(const Surface* texture)
{
    return texture && texture->w >= tunnel_texture_side && texture->h >= tunnel_texture_side;
}

// The position rounding, with a value that has no 32-bit integer (non-finite
// or out of range) turned into -2147483648.
static int32_t round_shift(float v)
{
    const double r = double(v) + 0.5;
    if (!(r > -2147483648.0 && r < 2147483648.0))
        return INT32_MIN;
    return round_position(v);
}

// A surface the renderer may address as 32-bit words, at least w x h.
static bool holds(const Surface* s, int w, int h)
{
    return s && s->w >= w && s->h >= h;
}

void tunnel_draw(const TunnelTables* tables, const Surface* texture, float depth_shift,
                 float angle_shift, float view_column, float view_row, Surface* target)
{
    if (!tables || !tables->texel || !holds(target, tunnel_view_width, tunnel_view_height) ||
        !holds(texture, tunnel_texture_side, tunnel_texture_side))
        return;
    // The window must stay inside the tables: a rounded column 0 .. 320 and
    // row 0 .. 240. Tested before rounding, so NaN and huge values fail too.
    const double column = double(view_column) + 0.5;
    const double row = double(view_row) + 0.5;
    if (!(column > -1.0 && column < tunnel_table_width - tunnel_view_width + 1.0) ||
        !(row > -1.0 && row < tunnel_table_height - tunnel_view_height + 1.0))
        return;
    const int cx = round_position(view_column);
    const int cy = round_position(view_row);
    // Only the low 9 bits of each sum reach the texture, so both shifts are cut
    // to 9 bits like the packed entries.
    const uint32_t U = uint32_t(round_shift(depth_shift)) & texture_mask;
    const uint32_t V = uint32_t(round_shift(angle_shift)) & texture_mask;

    const uint32_t* tex = texture->pixels;
    const uint32_t tex_pitch = uint32_t(texture->pitch);
    const int out_pitch = target->pitch;
    uint32_t* out = target->pixels;
    const uint32_t* lookup = tables->texel + cy * tunnel_table_width + cx;
    // Both shifts in one word, in the packed entries' two fields. A field plus
    // its shift stays below bit 10, so the sums never carry into each other and
    // the 9-bit mask drops what lies above.
    const uint32_t shifts = U << field_shift | V;
    const uint32_t fields = texture_mask << field_shift | texture_mask;
#if defined(__SSE2__)
    // Four pixels a step with SSE2, which every x86-64 has (and WebAssembly's
    // SIMD through the compiler's SSE2 header). The 16-bit halves of
    // a masked sum are the texture column and row, so one multiply-add by
    // (1, pitch) turns four of them into texel offsets: the pixel loop keeps one
    // scalar instruction per pixel besides the texel read. A pitch is at most
    // 16383 pixels (SDL keeps it in 16 bits of bytes), so every product fits.
    const __m128i shift4 = _mm_set1_epi32(int(shifts));
    const __m128i mask4 = _mm_set1_epi32(int(fields));
    const __m128i pitch4 = _mm_set1_epi32(int(tex_pitch << field_shift | 1));
    const __m128i alpha4 = _mm_set1_epi32(int(0xFF000000));
    static_assert(tunnel_view_width % 4 == 0, "a row is a whole number of steps");
    for (int r = 0; r < tunnel_view_height; r++) {
        const uint32_t* p = lookup;
        uint32_t* o = out;
        for (int step = 0; step < tunnel_view_width / 4; step++, p += 4, o += 4) {
            const __m128i entries = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i offsets =
                _mm_madd_epi16(_mm_and_si128(_mm_add_epi32(entries, shift4), mask4), pitch4);
            // Two offsets per 64-bit move out of the vector register.
            const uint64_t lo = uint64_t(_mm_cvtsi128_si64(offsets));
            const uint64_t hi = uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(offsets, offsets)));
            const __m128i t01 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(tex[uint32_t(lo)])),
                                                   _mm_cvtsi32_si128(int(tex[lo >> 32])));
            const __m128i t23 = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(tex[uint32_t(hi)])),
                                                   _mm_cvtsi32_si128(int(tex[hi >> 32])));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o),
                             _mm_or_si128(_mm_unpacklo_epi64(t01, t23), alpha4));
        }
        lookup += tunnel_table_width;
        out += out_pitch;
    }
#else
    // Other processors: the same arithmetic a pixel at a time.
    for (int r = 0; r < tunnel_view_height; r++) {
        for (int q = 0; q < tunnel_view_width; q++) {
            const uint32_t sum = (lookup[q] + shifts) & fields;
            out[q] = tex[(sum >> field_shift) * tex_pitch + (sum & texture_mask)] | 0xFF000000;
        }
        lookup += tunnel_table_width;
        out += out_pitch;
    }
#endif
}

float tunnel_depth_shift(uint32_t t)
{
    return float(t / 5.0);
}

float tunnel_angle_shift(uint32_t t)
{
    return float(t / 4.0);
}
