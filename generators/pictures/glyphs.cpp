#include "generators/pictures/glyphs.h"

#include <algorithm>
#include <cstring>
#include <vector>

// Rows of each glyph from code 32 to 126; '#' is ink. Shorter rows and
// missing rows are blank.
static constexpr const char* glyph_rows[95][glyph_grid_h] = {
    {""},                                                             // space
    {"..#", "..#", "..#", "..#", "", "..#"},                          // !
    {".#.#", ".#.#"},                                                 // "
    {".#.#.", "#####", ".#.#.", ".#.#.", "#####", ".#.#."},           // #
    {"..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."},  // $
    {"##...#", "##..#.", "...#..", "..#...", ".#..##", "#...##"},     // %
    {".##...", "#..#..", ".##...", "#..#.#", "#...#.", ".###.#"},     // &
    {"..#", "..#", ".#"},                                             // '
    {"...#", "..#", "..#", "..#", "..#", "...#"},                     // (
    {".#", "..#", "..#", "..#", "..#", ".#"},                         // )
    {"", "..#..", "#.#.#", ".###.", "#.#.#", "..#.."},                // *
    {"", "..#..", "..#..", "#####", "..#..", "..#.."},                // +
    {"", "", "", "", "##", "##", ".#"},                               // ,
    {"", "", "", "####"},                                             // -
    {"", "", "", "", "##", "##"},                                     // .
    {"....#", "...#.", "..#..", "..#..", ".#...", "#...."},           // /
    {".###.", "#..##", "#.#.#", "#.#.#", "##..#", ".###."},           // 0
    {"..#", ".##", "..#", "..#", "..#", ".###"},                      // 1
    {".###.", "#...#", "...#.", "..#..", ".#...", "#####"},           // 2
    {"####.", "....#", ".###.", "....#", "....#", "####."},           // 3
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#."},           // 4
    {"#####", "#....", "####.", "....#", "#...#", ".###."},           // 5
    {".###.", "#....", "####.", "#...#", "#...#", ".###."},           // 6
    {"#####", "....#", "...#.", "..#..", "..#..", "..#.."},           // 7
    {".###.", "#...#", ".###.", "#...#", "#...#", ".###."},           // 8
    {".###.", "#...#", "#...#", ".####", "....#", ".###."},           // 9
    {"", "##", "##", "", "##", "##"},                                 // :
    {"", "##", "##", "", "##", "##", ".#"},                           // ;
    {"", "...#", "..#", ".#", "..#", "...#"},                         // <
    {"", "", "####", "", "####"},                                     // =
    {"", "#", ".#", "..#", ".#", "#"},                                // >
    {".###.", "#...#", "...#.", "..#..", "", "..#.."},                // ?
    {".####.", "#....#", "#.##.#", "#.####", "#.....", ".####."},     // @
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#"},           // A
    {"####.", "#...#", "####.", "#...#", "#...#", "####."},           // B
    {".###.", "#...#", "#....", "#....", "#...#", ".###."},           // C
    {"####.", "#...#", "#...#", "#...#", "#...#", "####."},           // D
    {"#####", "#....", "####.", "#....", "#....", "#####"},           // E
    {"#####", "#....", "####.", "#....", "#....", "#...."},           // F
    {".###.", "#....", "#..##", "#...#", "#...#", ".###."},           // G
    {"#...#", "#...#", "#####", "#...#", "#...#", "#...#"},           // H
    {"###", ".#.", ".#.", ".#.", ".#.", "###"},                       // I
    {"..###", "...#.", "...#.", "...#.", "#..#.", ".##.."},           // J
    {"#...#", "#..#.", "###..", "#..#.", "#...#", "#...#"},           // K
    {"#....", "#....", "#....", "#....", "#....", "#####"},           // L
    {"#...#", "##.##", "#.#.#", "#...#", "#...#", "#...#"},           // M
    {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"},           // N
    {".###.", "#...#", "#...#", "#...#", "#...#", ".###."},           // O
    {"####.", "#...#", "#...#", "####.", "#....", "#...."},           // P
    {".###.", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"},           // Q
    {"####.", "#...#", "#...#", "####.", "#..#.", "#...#"},           // R
    {".####", "#....", ".###.", "....#", "....#", "####."},           // S
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#.."},           // T
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".###."},           // U
    {"#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."},           // V
    {"#...#", "#...#", "#...#", "#.#.#", "##.##", "#...#"},           // W
    {"#...#", ".#.#.", "..#..", "..#..", ".#.#.", "#...#"},           // X
    {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#.."},           // Y
    {"#####", "...#.", "..#..", ".#...", "#....", "#####"},           // Z
    {"###", "#", "#", "#", "#", "###"},                               // [
    {"#....", ".#...", "..#..", "..#..", "...#.", "....#"},           // backslash
    {"###", "..#", "..#", "..#", "..#", "###"},                       // ]
    {"..#..", ".#.#.", "#...#"},                                      // ^
    {"", "", "", "", "", "", "#####"},                                // _
    {"#.", ".#"},                                                     // `
    {"", "", ".####", "#...#", "#..##", ".##.#"},                     // a
    {"#...", "#...", "###.", "#..#", "#..#", "###."},                 // b
    {"", "", ".###", "#...", "#...", ".###"},                         // c
    {"...#", "...#", ".###", "#..#", "#..#", ".###"},                 // d
    {"", "", ".##.", "####", "#...", ".###"},                         // e
    {"..##", ".#..", "####", ".#..", ".#..", ".#.."},                 // f
    {"", "", ".###", "#..#", ".###", "...#", ".##."},                 // g
    {"#...", "#...", "###.", "#..#", "#..#", "#..#"},                 // h
    {".#", "", "##", ".#", ".#", "###"},                              // i
    {"...#", "", "..##", "...#", "...#", "#..#", ".##."},             // j
    {"#...", "#...", "#..#", "###.", "#.#.", "#..#"},                 // k
    {"##.", ".#.", ".#.", ".#.", ".#.", "###"},                       // l
    {"", "", "####.", "#.#.#", "#.#.#", "#.#.#"},                     // m
    {"", "", "###.", "#..#", "#..#", "#..#"},                         // n
    {"", "", ".##.", "#..#", "#..#", ".##."},                         // o
    {"", "", "###.", "#..#", "#..#", "###.", "#..."},                 // p
    {"", "", ".###", "#..#", "#..#", ".###", "...#"},                 // q
    {"", "", "#.##", "##..", "#...", "#..."},                         // r
    {"", "", ".###", "##..", "..##", "###."},                         // s
    {".#..", ".#..", "####", ".#..", ".#..", "..##"},                 // t
    {"", "", "#..#", "#..#", "#..#", ".###"},                         // u
    {"", "", "#...#", "#...#", ".#.#.", "..#.."},                     // v
    {"", "", "#...#", "#.#.#", "#.#.#", ".#.#."},                     // w
    {"", "", "#..#", ".##.", ".##.", "#..#"},                         // x
    {"", "", "#..#", "#..#", ".###", "...#", ".##."},                 // y
    {"", "", "####", "..#.", ".#..", "####"},                         // z
    {"..##", ".#..", "##..", ".#..", ".#..", "..##"},                 // {
    {"#", "#", "#", "#", "#", "#", "#"},                              // |
    {"##..", "..#.", "..##", "..#.", "..#.", "##.."},                 // }
    {"", "", ".#...", "#.#.#", "...#."},                              // ~
};

static bool printable(int code)
{
    return code >= 32 && code <= 126;
}

// Grid mask exactly as written, before trimming.
static Mask raw_glyph(int code)
{
    Mask m = make_mask(glyph_grid_w, glyph_grid_h);
    if (!printable(code))
        return m;
    for (int y = 0; y < glyph_grid_h; y++) {
        const char* row = glyph_rows[code - 32][y];
        if (!row)
            continue;
        for (int x = 0; row[x] && x < glyph_grid_w; x++)
            if (row[x] == '#')
                m.on[size_t(y) * m.w + x] = 1;
    }
    return m;
}

Mask glyph(int code)
{
    const Mask raw = raw_glyph(code);
    int left = glyph_grid_w;
    for (int y = 0; y < raw.h; y++)
        for (int x = 0; x < raw.w; x++)
            if (mask_at(raw, x, y))
                left = std::min(left, x);
    if (left == glyph_grid_w)
        return raw;
    Mask m = make_mask(glyph_grid_w, glyph_grid_h);
    for (int y = 0; y < raw.h; y++)
        for (int x = left; x < raw.w; x++)
            m.on[size_t(y) * m.w + x - left] = raw.on[size_t(y) * raw.w + x];
    return m;
}

int glyph_width(int code)
{
    if (code == ' ')
        return 3;
    const Mask m = glyph(code);
    int w = 0;
    for (int y = 0; y < m.h; y++)
        for (int x = 0; x < m.w; x++)
            if (mask_at(m, x, y))
                w = std::max(w, x + 1);
    return w;
}

Mask text_mask(const char* text, int gap)
{
    const int n = int(strlen(text));
    int width = 0;
    for (int i = 0; i < n; i++)
        width += glyph_width(text[i]) + (i + 1 < n ? gap : 0);
    Mask out = make_mask(std::max(width, 1), glyph_grid_h);
    int x0 = 0;
    for (int i = 0; i < n; i++) {
        const Mask g = glyph(text[i]);
        for (int y = 0; y < g.h; y++)
            for (int x = 0; x < g.w; x++)
                if (mask_at(g, x, y))
                    out.on[size_t(y) * out.w + x0 + x] = 1;
        x0 += glyph_width(text[i]) + gap;
    }
    return out;
}

Mask lettering(const char* text, int gap, int smooth, int block)
{
    Mask m = text_mask(text, gap);
    for (int i = 0; i < smooth; i++)
        m = scale2x(m);
    return block > 1 ? enlarge_mask(m, block) : m;
}

// The smoothly doubled glyph widened toward 12 pixels: letters of 3 to 5
// grid columns get some columns three pixels wide, so the fixed advance of
// 16 does not leave narrow letters standing far apart.
static Mask sheet_glyph(int code)
{
    static constexpr int extra[7][6] = {
        {0}, {0}, {0, 0}, {1, 0, 1}, {1, 1, 1, 1}, {1, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 0},
    };
    const Mask big = scale2x(glyph(code));
    const int g = glyph_width(code);
    std::vector<int> from;  // source column of every output column
    for (int k = 0; k < g; k++) {
        from.push_back(2 * k);
        if (extra[g][k])
            from.push_back(k < g / 2 ? 2 * k : 2 * k + 1);
        from.push_back(2 * k + 1);
    }
    Mask out = make_mask(int(from.size()), big.h);
    for (int y = 0; y < big.h; y++)
        for (int x = 0; x < out.w; x++)
            out.on[size_t(y) * out.w + x] = mask_at(big, from[x], y);
    return out;
}

Canvas glyph_sheet()
{
    // Warm metal from a pale top to a deep bottom, readable on every background
    // of the show thanks to the near-black outline.
    static constexpr Colour fill_ramp[] = {0xFFFBE0, 0xFFE98A, 0xFFC93C, 0xFF9A1F,
                                           0xF2631A, 0xC63A2A, 0x8E2340};
    constexpr Colour outline_colour = 0x120A1E;
    constexpr Colour rim_colour = 0xFFFFFF;
    Canvas sheet = make_canvas(256, 256, key);
    for (int code = 33; code <= 126; code++) {
        const Mask big = sheet_glyph(code);  // up to 12 x 14
        const int ox = (code % 16) * 16 + (16 - big.w) / 2;
        const int oy = (code / 16) * 16 + 1;
        // Outline first, one pixel around the ink, all inside the cell.
        paint_mask(sheet, dilate(big), ox, oy, outline_colour);
        for (int y = 0; y < big.h; y++)
            for (int x = 0; x < big.w; x++) {
                if (!mask_at(big, x, y))
                    continue;
                // The ramp spans the capital height; descenders take its end.
                Colour c = ramp_at(fill_ramp, 7, y / 12.0, x + ox, y);
                if (!mask_at(big, x, y - 1))
                    c = rim_colour;
                else if (!mask_at(big, x + 1, y) && y > 2)
                    c = shade(c, -1);
                put(sheet, ox + x, oy + y, c);
            }
    }
    return sheet;
}
