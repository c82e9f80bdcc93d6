// The animated sprite sheets: the dancer, the second rider, the dancer in the
// lift and the car. People are posed on a small skeleton (hands and feet put
// in place, elbows and knees solved) and drawn back to front as shaded parts.
#include <algorithm>
#include <cmath>

#include "tools/glyphs.h"
#include "tools/pictures.h"

constexpr int frame_w = 64, frame_h = 100;

struct V {
    double x, y;
};
static V operator+(V a, V b)
{
    return {a.x + b.x, a.y + b.y};
}
static V operator-(V a, V b)
{
    return {a.x - b.x, a.y - b.y};
}
static V operator*(V a, double k)
{
    return {a.x * k, a.y * k};
}

// Unit vector leaning a from straight up, positive angles toward +x.
static V upward(double a)
{
    return {dsin(a), -dcos(a)};
}

// The middle joint of a two-bone limb from root to tip; side picks which way
// it bends (+1 bends it toward +x for a limb hanging down).
static V joint(V root, V tip, double l1, double l2, double side)
{
    const V d = tip - root;
    double len = std::sqrt(d.x * d.x + d.y * d.y);
    const V u = len > 0 ? d * (1 / len) : V{0, 1};
    len = std::clamp(len, std::fabs(l1 - l2) + 0.01, l1 + l2 - 0.01);
    const double ca = (l1 * l1 + len * len - l2 * l2) / (2 * l1 * len);
    const double sa = -side * std::sqrt(std::max(0.0, 1 - ca * ca));
    return root + V{u.x * ca - u.y * sa, u.x * sa + u.y * ca} * l1;
}

struct Look {
    Colour skin, hair, top, trim, pants, shoe, sole;
    bool ponytail;  // long hair streaming back, else a quiff with headphones
};

struct Pose {
    V hip;           // pelvis
    double lean;     // torso angle, forward positive
    double nod;      // head angle on top of the lean
    V foot[2];       // ankles, back then front
    double toe[2];   // foot pitch: 0 flat, positive toe down
    V hand[2];       // hands, back then front
    double sway;     // hair swing, -1 .. 1
};

constexpr Colour ink = 0x140A1C;  // every outline
constexpr double thigh = 13, shin = 13, upper_arm = 10, forearm = 9.5, torso_len = 19;

static std::vector<Part> arm(V shoulder, V hand, Colour sleeve, Colour trim, Colour skin)
{
    const V elbow = joint(shoulder, hand, upper_arm, forearm, -1);
    return {capsule_part(shoulder.x, shoulder.y, elbow.x, elbow.y, 3.2, 2.8, sleeve),
            capsule_part(elbow.x, elbow.y, hand.x, hand.y, 2.8, 2.4, sleeve),
            capsule_part(shoulder.x, shoulder.y + 1, elbow.x, elbow.y, 0.7, 0.7, trim),
            ellipse_part(hand.x, hand.y, 2.7, 2.7, skin)};
}

static std::vector<Part> leg(V hip, V ankle, double toe, Colour pants, Colour shoe, Colour sole)
{
    const V knee = joint(hip, ankle, thigh, shin, 1);
    const V heel = ankle + V{-2.5, 1.5}, tip = ankle + V{6 * dcos(toe), 1.5 + 6 * dsin(toe)};
    return {capsule_part(hip.x, hip.y, knee.x, knee.y, 4.3, 3.7, pants),
            capsule_part(knee.x, knee.y, ankle.x, ankle.y, 3.8, 3.4, pants),
            capsule_part(heel.x, heel.y, tip.x, tip.y, 3.0, 2.6, shoe),
            capsule_part(heel.x, heel.y + 2.2, tip.x, tip.y + 2.2, 1.0, 1.0, sole)};
}

static void draw_person(Canvas& c, const Look& look, const Pose& p)
{
    const V up = upward(p.lean);  // from the pelvis toward the neck
    const V neck = p.hip + up * torso_len;
    const V head = neck + upward(p.lean + p.nod) * 9.5;
    const V shoulder_back = neck + V{-2.5, 2.5}, shoulder_front = neck + V{1.5, 3};
    const V hip_back = p.hip + V{-1.5, 0}, hip_front = p.hip + V{1.5, 0.5};
    const Colour far_top = shade(look.top, -1), far_pants = shade(look.pants, -1);

    if (look.ponytail) {
        // The tail streams back from the crown in three links.
        const V root = head + V{-6, -4};
        const V mid = root + V{-6, 3 + 2 * p.sway};
        const V end = mid + V{-6, 4 + 3 * p.sway};
        draw_group(c,
                   {capsule_part(root.x, root.y, mid.x, mid.y, 3.6, 3.0, look.hair),
                    capsule_part(mid.x, mid.y, end.x, end.y, 3.0, 1.4, look.hair)},
                   ink);
    }
    draw_group(c, arm(shoulder_back, p.hand[0], far_top, shade(look.trim, -1), shade(look.skin, -1)),
               ink);
    draw_group(c, leg(hip_back, p.foot[0], p.toe[0], far_pants, shade(look.shoe, -1), look.sole),
               ink);
    // Torso: a jacket tapering to the waist, the belt line of the trousers.
    const V waist = p.hip + up * 3.5, chest = neck - up * 4;
    draw_group(c,
               {ellipse_part(p.hip.x, p.hip.y, 6.2, 4.6, look.pants),
                capsule_part(waist.x, waist.y, chest.x, chest.y, 6.3, 7.6, look.top),
                capsule_part(waist.x + 3, waist.y, chest.x + 3.5, chest.y, 0.6, 0.6, look.trim),
                capsule_part(waist.x - 6, waist.y + 2.5, waist.x + 6, waist.y + 2.5, 1.6, 1.6,
                             look.trim)},
               ink);
    draw_group(c, leg(hip_front, p.foot[1], p.toe[1], look.pants, look.shoe, look.sole), ink);

    std::vector<Part> h = {capsule_part(neck.x, neck.y, neck.x + up.x * 5, neck.y + up.y * 5, 2.8,
                                        2.8, shade(look.skin, -1)),
                           ellipse_part(head.x, head.y, 7.6, 8.2, look.skin),
                           ellipse_part(head.x + 7.4, head.y + 1.5, 1.7, 1.7, look.skin)};
    if (look.ponytail) {
        h.push_back(ellipse_part(head.x - 1.5, head.y - 4, 8, 5.5, look.hair));
        h.push_back(ellipse_part(head.x - 4.5, head.y - 0.5, 4.2, 6, look.hair));
        h.push_back(capsule_part(head.x + 1, head.y - 7, head.x + 7, head.y - 3, 2.6, 1.6,
                                 look.hair));
        // Goggles pushed up on the forehead.
        h.push_back(capsule_part(head.x - 5, head.y - 5.5, head.x + 5, head.y - 6.5, 1.4, 1.4,
                                 0x30303C));
        h.push_back(ellipse_part(head.x + 4.5, head.y - 6.5, 2.6, 2.2, 0x7CF0FF));
    } else {
        // A quiff swept forward, short at the back.
        h.push_back(ellipse_part(head.x - 2, head.y - 4, 7.5, 5.5, look.hair));
        h.push_back(ellipse_part(head.x - 4.5, head.y, 3.5, 5, look.hair));
        h.push_back(
            capsule_part(head.x - 3, head.y - 8, head.x + 8 + p.sway, head.y - 10, 3.6, 2.2,
                         look.hair));
        // Headphones: the band over the crown and a cup over the ear.
        h.push_back(capsule_part(head.x - 1, head.y - 9.5, head.x - 1.5, head.y + 1, 1.3, 1.3,
                                 0x2C2C38));
        h.push_back(ellipse_part(head.x - 1.5, head.y + 1.5, 3.2, 4, 0xF03C50));
    }
    draw_group(c, h, ink);
    // Face: an eye (or shades), the mouth.
    const int hx = int(head.x + 0.5), hy = int(head.y + 0.5);
    if (look.ponytail) {
        put(c, hx + 4, hy, ink);
        put(c, hx + 4, hy + 1, ink);
        put(c, hx + 5, hy, 0xFFFFFF);
        put(c, hx + 6, hy + 5, shade(look.skin, -2));
    } else {
        fill_rect(c, hx + 2, hy - 1, 7, 3, ink);
        put(c, hx + 3, hy - 1, 0x80F0FF);
        put(c, hx + 4, hy - 1, 0x40B0E0);
        put(c, hx + 7, hy, 0x40B0E0);
        put(c, hx + 6, hy + 5, shade(look.skin, -2));
        put(c, hx + 5, hy + 5, shade(look.skin, -2));
    }
    draw_group(c, arm(shoulder_front, p.hand[1], look.top, look.trim, look.skin), ink);
}

constexpr Look zelto = {0xF0B088, 0x3C2A78, 0xFF7A1C, 0xFFFFFF, 0x2A3C8C, 0xF4F4F8, 0xE02848, false};
constexpr Look nariq = {0xB87850, 0xFF5CB0, 0x1EC0A0, 0xFFF6A0, 0x3A2458, 0xFFD040, 0x5A2A8A, true};

static Canvas sheet(int frames)
{
    return make_canvas(frame_w, frame_h * frames, key);
}

// --- the dancer ----------------------------------------------------------------

static void draw_hoverboard(Canvas& c, double y, int frame)
{
    // Jets first, then the deck over them.
    for (int side = 0; side < 2; side++) {
        const int jx = side ? 44 : 20;
        const int len = 3 + ((frame + side * 3) % 4 == 0 ? 3 : (frame + side) % 2 ? 1 : 2);
        const int top = int(y) + 6;
        for (int k = 0; k < len + 2; k++) {
            const int half = k < 2 ? 2 : (len + 2 - k) > 2 ? 2 : 1;
            for (int dx = -half; dx < half; dx++)
                put(c, jx + dx, top + k, std::abs(dx + 0.5) < 1 ? 0xFFFFFF : 0x52E6FF);
        }
    }
    draw_group(c,
               {ellipse_part(20, y + 4.5, 4.5, 2.6, 0x5A5A70),
                ellipse_part(44, y + 4.5, 4.5, 2.6, 0x5A5A70),
                capsule_part(10, y, 54, y, 3, 3, 0x9CF03C),
                capsule_part(13, y + 0.5, 51, y + 0.5, 0.8, 0.8, 0x2C7A2A)},
               ink);
}

Canvas draw_zelto_riding()
{
    Canvas s = sheet(16);
    for (int f = 0; f < 16; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double phi = 2 * pi * f / 16;
        const double bob = dsin(2 * phi);  // two knee bends per loop
        const double crouch = 0.5 * (1 - bob);
        const double by = 88 + 1.5 * dsin(phi);
        Pose p;
        p.foot[0] = {21, by - 4.5};
        p.foot[1] = {40, by - 4.5};
        p.toe[0] = p.toe[1] = 0;
        p.hip = {30 + 1.2 * dsin(phi), by - 4.5 - (23.5 - 5 * crouch)};
        p.lean = 0.14 + 0.08 * crouch;
        p.nod = 0.16 * dsin(2 * phi + 1.2);
        const V neck = p.hip + upward(p.lean) * torso_len;
        // Back hand out for balance, front fist pumping with the knees.
        p.hand[0] = neck + V{-13 + 2 * dsin(phi), 10 - 2 * bob};
        p.hand[1] = neck + V{11, -3 - 9 * (0.5 + 0.5 * dsin(2 * phi + 0.6))};
        p.sway = dsin(2 * phi);
        draw_hoverboard(c, by, f);
        draw_person(c, zelto, p);
        paste(s, c, 0, f * frame_h);
    }
    return s;
}

Canvas draw_zelto_jamming()
{
    // Sliding backwards: the foot that slides is flat, the other rests on its
    // toes, and they trade every half cycle.
    Canvas s = sheet(16);
    constexpr double ground = 95;
    for (int f = 0; f < 16; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double phi = 2 * pi * f / 16;
        const double step = dsin(2 * phi), speed = dcos(2 * phi);
        Pose p;
        const double fx[2] = {31 - 8 * step, 31 + 8 * step};
        for (int k = 0; k < 2; k++) {
            const bool sliding = (k == 0 ? speed : -speed) > 0;
            p.foot[k] = {fx[k], ground - 4.5 - (sliding ? 0 : 3)};
            p.toe[k] = sliding ? 0 : 0.7;
        }
        p.hip = {31, ground - 4.5 - 22.5 + 1.5 * std::fabs(speed)};
        p.lean = -0.05 + 0.06 * step;
        p.nod = 0.2 * dsin(4 * phi);
        const V neck = p.hip + upward(p.lean) * torso_len;
        // Arms swing against the legs; the front hand snaps above the head on
        // every other beat.
        p.hand[0] = neck + V{-8 - 5 * step, 16};
        const double snap = 0.5 + 0.5 * dsin(4 * phi);
        p.hand[1] = neck + V{7 + 5 * step, 14 - 26 * snap};
        p.sway = step;
        // A soft shadow grounds the feet.
        for (int x = 14; x < 50; x++)
            put(c, x, int(ground), x > 16 && x < 47 ? 0x3A2E44 : 0x4C4058);
        draw_person(c, zelto, p);
        paste(s, c, 0, f * frame_h);
    }
    return s;
}

Canvas draw_lift_zelto()
{
    // Waiting for the doors, nodding along to the headphones, fingers snapping.
    Canvas s = sheet(4);
    constexpr double ground = 95;
    for (int f = 0; f < 4; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double phi = 2 * pi * f / 4;
        Pose p;
        p.foot[0] = {25, ground - 4.5};
        p.foot[1] = {37, ground - 4.5};
        p.toe[0] = p.toe[1] = 0;
        p.hip = {31, ground - 4.5 - 23.5 + 1.2 * (0.5 + 0.5 * dcos(phi))};
        p.lean = 0.02;
        p.nod = 0.22 * dsin(phi);
        const V neck = p.hip + upward(p.lean) * torso_len;
        p.hand[0] = p.hip + V{-5, 2};  // in the pocket
        p.hand[1] = neck + V{9, 6 - 3 * dsin(phi)};
        p.sway = dsin(phi);
        fill_rect(c, 16, int(ground), 32, 1, 0x5C5C64);
        draw_person(c, zelto, p);
        if (f & 1)
            glint(c, int(p.hand[1].x) + 4, int(p.hand[1].y) - 5, 2, 0xFFFFFF);
        paste(s, c, 0, f * frame_h);
    }
    return s;
}

// --- the second rider ----------------------------------------------------------

static void draw_scooter(Canvas& c, int frame)
{
    const double spin = frame * 0.9;
    std::vector<Part> parts = {
        capsule_part(45, 89, 39, 46, 1.8, 1.8, 0xB8C0D0),      // stem
        capsule_part(35, 46, 43, 46, 1.4, 1.4, 0x30303C),      // bar
        capsule_part(36, 46, 39, 46, 1.9, 1.9, 0xE0344A),      // grip
        capsule_part(12, 88, 45, 88, 2.4, 2.4, 0x7048C8),      // deck
        ellipse_part(14, 93, 4.5, 4.5, 0x26262E),              // wheels
        ellipse_part(48, 93, 4.5, 4.5, 0x26262E),
    };
    draw_group(c, parts, ink);
    for (int w = 0; w < 2; w++) {
        const int cx = w ? 48 : 14;
        put(c, cx, 93, 0xE8E8F0);
        put(c, cx + int(std::floor(2.4 * dcos(spin) + 0.5)),
            93 + int(std::floor(2.4 * dsin(spin) + 0.5)), 0x8890A0);
    }
}

Canvas draw_nariq_riding()
{
    Canvas s = sheet(16);
    for (int f = 0; f < 16; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double phi = 2 * pi * f / 16;
        Pose p;
        p.foot[1] = {31, 83.5};
        p.toe[1] = 0;
        // Half the loop the back foot pushes along the ground, the other half
        // it swings forward again in an arc.
        if (f < 8) {
            p.foot[0] = {24 - 2.2 * f, 92};
            p.toe[0] = 0.15;
        } else {
            const double u = (f - 8) / 8.0;
            p.foot[0] = {8 + 15 * u, 90 - 9 * dsin(pi * u)};
            p.toe[0] = 0.5 - 0.4 * u;
        }
        const double push = f < 8 ? dsin(pi * f / 8) : 0;
        p.hip = {25 + 1.5 * push, 60 + 2.5 * push};
        p.lean = 0.3 + 0.05 * push;
        p.nod = -0.1;
        p.hand[0] = {36, 46.5};
        p.hand[1] = {39, 46};
        p.sway = dsin(2 * phi);
        draw_scooter(c, f);
        draw_person(c, nariq, p);
        paste(s, c, 0, f * frame_h);
    }
    return s;
}

// --- the car -------------------------------------------------------------------

Canvas draw_car()
{
    // Seen from behind, low in the frame: the tunnel floor runs under it.
    constexpr Colour body = 0x2C6CEC;
    Canvas s = sheet(2);
    for (int f = 0; f < 2; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double b = f;  // the body rocks on its springs
        for (int x = 2; x < 62; x++)
            fill_rect(c, x, 95, 1, 3, x < 5 || x > 58 ? 0x3A2A1C : 0x1E140C);
        for (int side = 0; side < 2; side++) {
            const int x = side ? 50 : 4;
            fill_rect(c, x - 1, 81, 12, 16, ink);
            fill_rect(c, x, 82, 10, 14, 0x22222A);
            for (int y = 84; y < 95; y += 3)
                fill_rect(c, x + 1, y, 8, 1, 0x3C3C48);
        }
        draw_group(c,
                   {polygon_part({16, 46 + b, 48, 46 + b, 55, 62 + b, 9, 62 + b}, body),
                    polygon_part({9, 60 + b, 55, 60 + b, 62, 76 + b, 62, 90 + b, 2, 90 + b,
                                  2, 76 + b},
                                 body),
                    ellipse_part(5, 60 + b, 3, 2.2, body),
                    ellipse_part(59, 60 + b, 3, 2.2, body)},
                   ink);
        // Rear window with a streak of reflection.
        Mask glass = make_mask(frame_w, frame_h);
        const double pane[] = {18, 49 + b, 46, 49 + b, 51, 60 + b, 13, 60 + b};
        mask_polygon(glass, pane, 4);
        for (int y = 0; y < frame_h; y++)
            for (int x = 0; x < frame_w; x++)
                if (mask_at(glass, x, y)) {
                    const int d = x - y * 1 + 40;
                    put(c, x, y, (d > 6 && d < 10) || (d > 12 && d < 14) ? 0x8CB4F0 : 0x182040);
                }
        // Spoiler, lights, plate, bumper, pipes.
        const int by = 62 + f;
        fill_rect(c, 3, by - 1, 58, 3, ink);
        fill_rect(c, 4, by, 56, 1, 0x4C8CFF);
        const Colour lamp = f ? 0xFF6A6A : 0xE8202E, core = f ? 0xFFF0F0 : 0xFFA0A0;
        for (int side = 0; side < 2; side++) {
            const int x = side ? 45 : 5;
            fill_rect(c, x - 1, by + 4, 16, 7, ink);
            fill_rect(c, x, by + 5, 14, 5, lamp);
            fill_rect(c, x + (side ? 8 : 2), by + 6, 4, 2, core);
        }
        fill_rect(c, 22, by + 12, 20, 9, ink);
        fill_rect(c, 23, by + 13, 18, 7, 0xF2F0D8);
        paint_mask(c, text_mask("VS", 1), 27, by + 13, ink);
        fill_rect(c, 2, by + 23, 60, 4, 0x1A1A24);
        fill_rect(c, 2, by + 23, 60, 1, 0x5A6AA0);
        for (int side = 0; side < 2; side++) {
            const int x = side ? 46 : 16;
            draw_group(c, {ellipse_part(x, by + 26.5, 2.6, 1.9, 0xC8C8D8)}, ink);
            put(c, x, by + 27, ink);
            if (f) {
                // The afterburn puffs toward the viewer on the second frame.
                draw_group(c, {ellipse_part(x, by + 30, 3.2, 2.4, 0xFF9A2C)}, 0xC83A10);
                put(c, x, by + 30, 0xFFF4B0);
                put(c, x - 1, by + 30, 0xFFE070);
            }
        }
        paste(s, c, 0, f * frame_h);
    }
    return s;
}
