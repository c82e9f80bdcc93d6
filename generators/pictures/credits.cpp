// The four credit pictures. Each leaves clear the place where its scene
// writes the credit lines, and each shows what the credited person does.
#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "generators/pictures/glyphs.h"
#include "generators/pictures/pictures.h"

constexpr Colour ink = 0x120A1A;

// Points of a rectangle with corners rounded off by r.
static std::vector<double> rounded_rect(double x0, double y0, double x1, double y1, double r)
{
    std::vector<double> xy;
    const double cx[4] = {x1 - r, x1 - r, x0 + r, x0 + r};
    const double cy[4] = {y0 + r, y1 - r, y1 - r, y0 + r};
    for (int k = 0; k < 4; k++)
        for (int i = 0; i <= 4; i++) {
            const double a = (k + i / 4.0) * pi / 2 - pi / 2;
            xy.push_back(cx[k] + r * dcos(a));
            xy.push_back(cy[k] + r * dsin(a));
        }
    return xy;
}

// A ring between radii r0 and r1 around (cx, cy), one colour per call.
static void ring(Canvas& c, double cx, double cy, double r0, double r1, Colour v)
{
    for (int y = int(cy - r1) - 1; y <= int(cy + r1) + 1; y++)
        for (int x = int(cx - r1) - 1; x <= int(cx + r1) + 1; x++) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double d2 = dx * dx + dy * dy;
            if (d2 >= r0 * r0 && d2 < r1 * r1)
                put(c, x, y, v);
        }
}

// Small text from the bare 6x7 glyphs, one pixel per grid cell.
static void small_text(Canvas& c, const char* text, int x, int y, Colour v)
{
    paint_mask(c, text_mask(text, 1), x, y, v);
}

// A loudspeaker cone: rubber surround, shaded cone, chrome cap.
static void speaker(Canvas& c, double cx, double cy, double r)
{
    ring(c, cx, cy, r, r + 2, 0xB8B8C8);
    ring(c, cx, cy, r + 2, r + 3, ink);
    for (int y = int(cy - r); y <= int(cy + r); y++)
        for (int x = int(cx - r); x <= int(cx + r); x++) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double d = std::sqrt(dx * dx + dy * dy) / r;
            if (d >= 1)
                continue;
            Colour v;
            if (d > 0.86)
                v = (dx + dy < 0) ? 0x4A4456 : 0x141018;  // surround
            else if (d < 0.3)
                v = (dx + dy < -r * 0.15) ? 0xF0F0FF : (dx + dy < r * 0.15 ? 0xA0A0B8 : 0x585870);
            else {
                static constexpr Colour cone[] = {0x3A3448, 0x2C2638, 0x1E1A28};
                v = ramp_at(cone, 3, (dx + dy) / (2.8 * r) + 0.5, x, y);
                if (d > 0.55 && d < 0.6)
                    v = 0x120E18;
            }
            put(c, x, y, v);
        }
}

// A cabinet with bevelled edges.
static void cabinet(Canvas& c, double x0, double y0, double x1, double y1)
{
    draw_group(c, {polygon_part(rounded_rect(x0, y0, x1, y1, 4), 0x3A3046)}, ink);
    for (int y = int(y0) + 4; y < int(y1) - 4; y += 3)
        put(c, int(x0) + 3, y, 0x6A5A7C);
}

Canvas draw_graph_zelto()
{
    // 400 wide, placed 80 to the left of the screen: image x = screen x + 80.
    // The credit sits at screen x >= 140, y 76..116, so image x >= 220 there.
    Canvas c = make_canvas(400, 240, key);
    cabinet(c, 90, 12, 194, 108);
    speaker(c, 142, 34, 11);
    speaker(c, 142, 76, 22);
    cabinet(c, 84, 112, 200, 250);
    speaker(c, 142, 172, 44);

    // A record spinning in the corner, grooves catching the light.
    constexpr double rx = 330, ry = 238, rr = 86;
    for (int y = int(ry - rr); y < 240; y++)
        for (int x = int(rx - rr); x < 400; x++) {
            const double dx = x + 0.5 - rx, dy = y + 0.5 - ry;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d >= rr + 1)
                continue;
            Colour v;
            if (d >= rr)
                v = ink;
            else if (d < 4)
                v = ink;
            else if (d < 30) {
                v = d < 27 ? (d < 12 && d > 10 ? 0xFFE0A0 : 0xFF8A2C) : 0xC04A18;
            } else {
                const double a = exact_atan2(dy, dx);
                const bool sheen = std::fabs(dsin(a - 0.6)) > 0.93;
                v = int(d) % 3 == 0 ? 0x2A2434 : 0x161220;
                if (sheen)
                    v = int(d) % 3 == 0 ? 0x8A7CA8 : 0x4E4466;
            }
            put(c, x, y, v);
        }
    small_text(c, "VS", int(rx) - 5, int(ry) - 20, ink);

    // Two beamed quavers and a single one, high on the right.
    static constexpr Colour note_ramp[] = {0xB0FFF8, 0x40E0E8, 0x2090C8};
    Canvas notes = make_canvas(400, 240, key);
    Mask m = make_mask(400, 240);
    mask_ellipse(m, 258, 60, 8, 6);
    mask_ellipse(m, 300, 52, 8, 6);
    mask_rect(m, 264, 14, 3, 46);
    mask_rect(m, 306, 6, 3, 46);
    const double beam[] = {264, 12, 309, 4, 309, 12, 264, 20};
    mask_polygon(m, beam, 4);
    mask_ellipse(m, 352, 44, 7, 5.5);
    mask_rect(m, 357, 4, 3, 40);
    const double flag[] = {357, 4, 372, 16, 370, 28, 366, 20, 358, 14};
    mask_polygon(m, flag, 5);
    paint_mask(notes, dilate(dilate(m)), 0, 0, ink);
    paint_mask_ramp(notes, m, 0, 0, note_ramp, 3, 0, 64);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 400; x++)
            if (mask_at(m, x, y) && !mask_at(m, x - 1, y - 1))
                put(notes, x, y, 0xFFFFFF);
    paste(c, notes, 0, 0);
    glint(c, 330, 30, 4, 0xFFFFFF);
    glint(c, 240, 40, 2, 0xFFFFFF);

    // A level meter between the stack and the record.
    static constexpr int level[] = {9, 13, 6, 11, 8};
    for (int b = 0; b < 5; b++)
        for (int k = 0; k < level[b]; k++) {
            const int x = 206 + b * 7, y = 236 - k * 5;
            const Colour v = k > 10 ? 0xFF3A4A : k > 7 ? 0xFFD040 : 0x60F060;
            fill_rect(c, x - 1, y - 4, 7, 6, ink);
            fill_rect(c, x, y - 3, 5, 4, v);
        }
    return c;
}

// The creature on the monitor, one character per pixel.
static constexpr const char* critter[] = {
    "...a....a...", "..aa....aa..", "..abbbbbba..", ".abbbbbbbba.", ".bbwkbbwkbb.",
    ".bbkkbbkkbb.", "cbbbbbbbbbbc", ".bbbbppbbbb.", "..bbbbbbbb..", "...bb..bb...",
};

Canvas draw_graph_nariq()
{
    // The credit sits at the left, x < 140, y 64..104: the art keeps right.
    Canvas c = make_canvas(320, 240, key);
    // Monitor: casing, screen, stand.
    draw_group(c,
               {polygon_part({222, 128, 258, 128, 268, 146, 212, 146}, 0xB8AC98),
                polygon_part(rounded_rect(164, 10, 314, 132, 8), 0xE0D4BC)},
               ink);
    draw_group(c, {polygon_part(rounded_rect(178, 22, 300, 114, 6), 0x101828)}, 0x7A6E5C);
    for (int y = 24; y < 113; y++)
        for (int x = 180; x < 299; x++)
            if (get(c, x, y) == 0x101828 && (y & 1))
                put(c, x, y, 0x0A1020);
    static constexpr Colour critter_colours[] = {0xFF5CB0, 0x7CF040, 0xFFFFFF,
                                                 0x101828, 0xFFD040, 0xFF9AD0};
    for (int j = 0; j < 10; j++)
        for (int i = 0; i < 12; i++) {
            const char k = critter[j][i];
            if (k == '.')
                continue;
            const Colour v = critter_colours[k == 'a'   ? 0
                                             : k == 'b' ? 1
                                             : k == 'w' ? 2
                                             : k == 'k' ? 3
                                             : k == 'c' ? 4
                                                        : 5];
            for (int y = 0; y < 7; y++)
                for (int x = 0; x < 7; x++) {
                    const int px = 197 + i * 7 + x, py = 32 + j * 7 + y;
                    // Every block is one lit pixel: a bright corner, scanlines.
                    Colour p = x == 6 || y == 6     ? shade(v, -2)
                               : (x == 0 || y == 0) ? shade(v, 1)
                                                    : v;
                    if (py & 1)
                        p = shade(p, -1);
                    put(c, px, py, p);
                }
        }
    small_text(c, "READY.", 184, 104, 0x7CF040);
    fill_rect(c, 222, 104, 5, 7, 0x7CF040);
    // Power lamp.
    fill_rect(c, 292, 120, 5, 4, 0x40FF60);

    // A palette of swatches up top on the left.
    static constexpr Colour swatch[] = {0xFF3A4A, 0xFF9A2C, 0xFFE040, 0x60E040, 0x30C0F0, 0x5060FF,
                                        0xB050F0, 0xFF60C0, 0xFFFFFF, 0xA0A0B0, 0x505060, 0x1A1A24};
    for (int i = 0; i < 12; i++) {
        const int x = 10 + (i % 6) * 20, y = 8 + (i / 6) * 22;
        fill_rect(c, x - 1, y - 1, 18, 18, ink);
        fill_rect(c, x, y, 16, 16, swatch[i]);
        fill_rect(c, x, y, 16, 2, shade(swatch[i], 1));
        fill_rect(c, x, y + 13, 16, 3, shade(swatch[i], -1));
    }
    fill_rect(c, 49, 29, 18, 18, 0xFFFFFF);  // the chosen colour
    fill_rect(c, 51, 31, 14, 14, swatch[8 - 6]);

    // A pencil laying down pixels along the bottom.
    const double pencil[] = {312, 170, 318, 182, 212, 232, 206, 220};
    draw_group(c,
               {polygon_part({pencil, pencil + 8}, 0x3C8CF0),
                polygon_part({206, 220, 212, 232, 194, 234}, 0xF0C890),
                polygon_part({198, 227.5, 200, 232.4, 194, 234}, 0x303040),
                polygon_part({312, 170, 318, 182, 306, 188, 300, 176}, 0xFF80A0)},
               ink);
    Rng rng{0x91c7e1};
    for (int i = 0; i < 14; i++) {
        const int x = 184 - i * 12 + range(rng, -2, 2);
        const int y = 222 - int(14 * dsin(i * 0.55)) + range(rng, -2, 2);
        const int size = i < 4 ? 8 : 6;
        const Colour v = swatch[range(rng, 0, 7)];
        fill_rect(c, x - 1, y - 1, size + 2, size + 2, ink);
        fill_rect(c, x, y, size, size, v);
        put(c, x, y, shade(v, 2));
    }
    return c;
}

Canvas draw_graph_jaune()
{
    // The credit sits at x 156..264, y 76..116: nothing may reach in there.
    static constexpr Colour yellow[] = {0xFFF8B0, 0xFFE448, 0xFFC820, 0xE09A10};
    Canvas c = make_canvas(320, 240, key);

    // Paint running down from the top edge.
    Mask paint = make_mask(320, 240);
    mask_rect(paint, 0, 0, 320, 12);
    Rng rng{0x7a11e};
    for (int x = 4; x < 316;) {
        const int w = range(rng, 5, 11);
        const bool over_credit = x + w > 150 && x < 270;
        const int len = range(rng, 8, over_credit ? 52 : 86);
        mask_capsule(paint, x + w / 2.0, 8, x + w / 2.0, 8 + len, w / 2.0 - 0.5, w / 2.0 + 0.8);
        x += w + range(rng, 4, 18);
    }
    paint_mask(c, dilate(paint), 0, 0, ink);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (mask_at(paint, x, y)) {
                Colour v = ramp_at(yellow, 4, y / 110.0, x, y);
                if (!mask_at(paint, x - 1, y) || !mask_at(paint, x - 2, y))
                    v = 0xFFFFE0;
                else if (!mask_at(paint, x + 1, y) || !mask_at(paint, x, y + 1))
                    v = yellow[3];
                put(c, x, y, v);
            }

    // The palette on the left, blobs of colour and a thumb hole.
    std::vector<double> board;
    for (int i = 0; i < 24; i++) {
        const double a = i * 2 * pi / 24;
        const double r = 1 - 0.18 * std::max(0.0, dcos(a - 0.3)) * std::max(0.0, dcos(a - 0.3));
        board.push_back(78 + 74 * r * dcos(a));
        board.push_back(168 + 54 * r * dsin(a));
    }
    draw_group(c, {polygon_part(board, 0xE0A060)}, ink);
    Canvas hole = make_canvas(320, 240, key);
    draw_group(hole, {ellipse_part(126, 176, 9, 7, 0x5A3418)}, ink);
    paste(c, hole, 0, 0);
    Mask thumb = make_mask(320, 240);
    mask_ellipse(thumb, 126, 176, 7.5, 5.5);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (mask_at(thumb, x, y))
                put(c, x, y, key);
    static constexpr Colour blobs[] = {0xFFE040, 0xFF8A20, 0xF03040, 0x3C7CF0, 0x40C050, 0xFFFFFF};
    static constexpr double blob_at[][2] = {{34, 150},  {58, 132}, {90, 128},
                                            {120, 140}, {40, 186}, {76, 200}};
    std::vector<Part> dabs;
    for (int i = 0; i < 6; i++)
        dabs.push_back(ellipse_part(blob_at[i][0], blob_at[i][1], 10, 7.5, blobs[i]));
    for (const Part& p : dabs)
        draw_group(c, {p}, ink);

    // A brush leaning across the bottom right, its tip loaded with yellow.
    draw_group(c,
               {capsule_part(312, 238, 250, 176, 4.2, 3.2, 0xC02A38),
                capsule_part(252, 178, 240, 166, 4.6, 4.6, 0xC8C8D8),
                capsule_part(240, 166, 222, 148, 5.2, 1.6, 0x8A5A2C),
                capsule_part(232, 158, 220, 146, 4.2, 1.2, 0xFFD030)},
               ink);
    // A big star below and right of the credit, sparkles around it.
    std::vector<double> star;
    for (int i = 0; i < 10; i++) {
        const double a = i * pi / 5 - pi / 2;
        const double r = i & 1 ? 11 : 26;
        star.push_back(290 + r * dcos(a));
        star.push_back(148 + r * dsin(a));
    }
    draw_group(c, {polygon_part(star, 0xFFD838)}, ink);
    glint(c, 268, 186, 4, 0xFFFFFF);
    glint(c, 306, 110, 2, 0xFFFFFF);
    glint(c, 150, 150, 3, 0xFFF8C0);
    return c;
}

Canvas draw_graph_ascenseur()
{
    // Shown on black; the credit sits at x 156..264, y 96..136.
    Canvas c = make_canvas(320, 240, key);
    // The call panel: brushed steel, a floor display, a column of buttons.
    draw_group(c, {polygon_part(rounded_rect(20, 12, 128, 228, 6), 0xA8B0C0)}, ink);
    for (int y = 16; y < 225; y += 2)
        for (int x = 24; x < 125; x++)
            if (get(c, x, y) == 0xA8B0C0 && ((x * 7 + y * 3) % 11) < 4)
                put(c, x, y, 0x98A0B0);
    fill_rect(c, 34, 24, 80, 42, ink);
    fill_rect(c, 36, 26, 76, 38, 0x1A0A06);
    static constexpr Colour amber[] = {0xFFE0A0, 0xFFA030, 0xE06010};
    const Mask digits = lettering("42", 1, 1, 2);
    paint_mask_ramp(c, digits, 52, 31, amber, 3, 0, 24);
    Mask up = make_mask(320, 240);
    const double tri[] = {98, 32, 106, 44, 90, 44};
    mask_polygon(up, tri, 3);
    paint_mask(c, up, 0, 0, 0x60FF80);
    Mask down = make_mask(320, 240);
    const double tri2[] = {90, 48, 106, 48, 98, 60};
    mask_polygon(down, tri2, 3);
    paint_mask(c, down, 0, 0, 0x2A4A30);
    for (int i = 0; i < 8; i++) {
        const int bx = i & 1 ? 98 : 50, by = 84 + (i / 2) * 36;
        const bool lit = i == 5;
        ring(c, bx, by, 11, 13, ink);
        ring(c, bx, by, 9, 11, 0xE8ECF4);
        draw_group(c, {ellipse_part(bx, by, 8.5, 8.5, lit ? 0xFFB040 : 0x4A5060)}, 0x6A7080);
        char label[2] = {char('0' + i), 0};
        small_text(c, label, bx - 2, by - 3, lit ? 0x3A1404 : 0xE8ECF4);
    }
    // Up and down chevrons above the credit.
    for (int k = 0; k < 3; k++) {
        Mask m = make_mask(320, 240);
        const double y = 18 + k * 14;
        const double chev[] = {210, y,     236, y + 14, 236, y + 22,
                               210, y + 8, 184, y + 22, 184, y + 14};
        mask_polygon(m, chev, 6);
        paint_mask(c, dilate(m), 0, 0, 0x0A2A14);
        paint_mask(c, m, 0, 0, k == 0 ? 0x9CFFB0 : k == 1 ? 0x40D070 : 0x208A40);
    }
    // A terminal window with the code that runs the lift.
    draw_group(c, {polygon_part(rounded_rect(140, 146, 310, 230, 3), 0x202838)}, 0x8090B0);
    fill_rect(c, 141, 147, 169, 9, 0x5060A0);
    for (int k = 0; k < 3; k++)
        fill_rect(c, 146 + k * 8, 150, 5, 4, k == 0 ? 0xFF5A5A : k == 1 ? 0xFFD040 : 0x60E060);
    small_text(c, "lift.c", 250, 148, 0xE0E8FF);
    struct Code {
        const char* text;
        int indent;
        Colour colour;
    };
    static constexpr Code code[] = {
        {"while(open){", 0, 0xFF7AC8}, {"floor+=dir;", 2, 0x7CE8FF}, {"if(beat())", 2, 0xFF7AC8},
        {"dance();", 4, 0xFFE070},     {"}", 0, 0xE0E8FF},
    };
    for (int i = 0; i < 5; i++)
        small_text(c, code[i].text, 146 + code[i].indent * 5, 160 + i * 13, code[i].colour);
    fill_rect(c, 152, 212, 5, 7, 0xE0E8FF);  // the cursor
    return c;
}
