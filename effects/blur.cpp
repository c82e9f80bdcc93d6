#include "effects/blur.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "draw/surface.h"

// The blurred region: the top-left 320 x 240 pixels, whatever the surface's size.
constexpr int blur_width = 320;
constexpr int blur_height = 240;

// Four pixels, or four 32-bit lanes that each hold two 16-bit channel sums.
// The compiler maps these onto the machine's vector registers (SSE2, NEON).
typedef uint32_t u32x4 __attribute__((vector_size(16)));
typedef uint16_t u16x8 __attribute__((vector_size(16)));

// A pixel's channel bytes spread into 16-bit lanes so that three of them add
// up without carrying into each other: even = bytes 0 and 2, odd = byte 1.
// The top byte is dropped; it never takes part in a mean.
struct Channels {
    u32x4 even, odd;
};

static const uint32_t zero_row[blur_width] = {};

static u32x4 load4(const uint32_t* p)
{
    u32x4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

static void store4(uint32_t* p, u32x4 v)
{
    std::memcpy(p, &v, sizeof v);
}

static Channels split(u32x4 v)
{
    return {v & 0x00FF00FF, (v >> 8) & 0xFF};
}

// Floor of every 16-bit lane divided by 3 (sums of three bytes, at most 765).
// With SSE2 it is written out as the multiply-high an x86 compiler makes of
// the division, x * 0xAAAB >> 17, exact for every 16-bit x: WebAssembly's
// compiler has no such rewrite for vectors and would divide lane by lane.
static u32x4 third(u32x4 sums)
{
#if defined(__SSE2__)
    const __m128i high =
        _mm_mulhi_epu16(reinterpret_cast<__m128i>(sums), _mm_set1_epi16(int16_t(0xAAAB)));
    return reinterpret_cast<u32x4>(_mm_srli_epi16(high, 1));
#else
    return reinterpret_cast<u32x4>(reinterpret_cast<u16x8>(sums) / 3);
#endif
}

static Channels mean(const Channels& a, const Channels& p, const Channels& b)
{
    return {third(a.even + p.even + b.even), third(a.odd + p.odd + b.odd)};
}

// Swaps rows and columns of a 4 x 4 block of pixels.
static void transpose(u32x4 v[4])
{
    const u32x4 ab_lo = __builtin_shufflevector(v[0], v[1], 0, 4, 1, 5);
    const u32x4 ab_hi = __builtin_shufflevector(v[0], v[1], 2, 6, 3, 7);
    const u32x4 cd_lo = __builtin_shufflevector(v[2], v[3], 0, 4, 1, 5);
    const u32x4 cd_hi = __builtin_shufflevector(v[2], v[3], 2, 6, 3, 7);
    v[0] = __builtin_shufflevector(ab_lo, cd_lo, 0, 1, 4, 5);
    v[1] = __builtin_shufflevector(ab_lo, cd_lo, 2, 3, 6, 7);
    v[2] = __builtin_shufflevector(ab_hi, cd_hi, 0, 1, 4, 5);
    v[3] = __builtin_shufflevector(ab_hi, cd_hi, 2, 3, 6, 7);
}

// Horizontal pass over four rows at once. Along a row every pixel needs its
// left neighbour's new value, so a row cannot be split; instead each 4 x 4
// block is transposed, and one vector then carries the same column of four
// rows through that chain. Block x + 4 is read before block x is written, so
// the right neighbour is always the value from before the pass.
static void blur_rows(uint32_t* row, int pitch)
{
    uint32_t* rows[4] = {row, row + pitch, row + 2 * pitch, row + 3 * pitch};
    u32x4 block[4], next[4];
    for (int r = 0; r < 4; r++)
        block[r] = load4(rows[r]);
    transpose(block);
    Channels left = {};
    Channels centre = split(block[0]);
    for (int x = 0; x < blur_width; x += 4) {
        for (int r = 0; r < 4; r++)
            next[r] = x + 4 < blur_width ? load4(rows[r] + x + 4) : u32x4{};
        transpose(next);
        for (int j = 0; j < 4; j++) {
            const Channels right = split(j < 3 ? block[j + 1] : next[0]);
            left = mean(left, centre, right);
            block[j] = left.even | left.odd << 8;
            centre = right;
        }
        transpose(block);
        for (int r = 0; r < 4; r++)
            store4(rows[r] + x, block[r]);
        for (int r = 0; r < 4; r++)
            block[r] = next[r];
    }
}

// Vertical pass over one row: independent from column to column, so four
// pixels go at once. The row above is already replaced, the row below not.
static void blur_columns(const uint32_t* up, uint32_t* row, const uint32_t* down)
{
    for (int x = 0; x < blur_width; x += 4) {
        const Channels m =
            mean(split(load4(up + x)), split(load4(row + x)), split(load4(down + x)));
        const u32x4 grey = third((m.even & 0xFFFF) + (m.even >> 16) + m.odd);
        store4(row + x, m.even | m.odd << 8 | grey << 24);
    }
}

void blur_apply(Surface* surface)
{
    if (!surface || surface->w < blur_width || surface->h < blur_height)
        return;
    uint32_t* const pixels = surface->pixels;
    const int pitch = surface->pitch;
    for (int y = 0; y < blur_height; y += 4)
        blur_rows(pixels + y * pitch, pitch);
    // Neighbours beyond the top and bottom edges count as black.
    for (int y = 0; y < blur_height; y++) {
        uint32_t* row = pixels + y * pitch;
        const uint32_t* up = y > 0 ? row - pitch : zero_row;
        const uint32_t* down = y < blur_height - 1 ? row + pitch : zero_row;
        blur_columns(up, row, down);
    }
}
