// The animated sprite sheets: the dancer, the second rider, the dancer in the
// lift and the car. People are posed on a small skeleton (hands and feet put
// in place, elbows and knees solved) and drawn back to front as shaded parts.
#include <algorithm>
#include <cmath>

#include "generators/pictures/glyphs.h"
#include "generators/pictures/pictures.h"

constexpr int frame_w = 64, frame_h = sprite_frame_rows;

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
    V hip;          // pelvis
    double lean;    // torso angle, forward positive
    double nod;     // head angle on top of the lean
    V foot[2];      // ankles, back then front
    double toe[2];  // foot pitch: 0 flat, positive toe down
    V hand[2];      // hands, back then front
    double sway;    // hair swing, -1 .. 1
};

constexpr Colour ink = 0x140A1C;  // every outline
// Body size: lengths and thicknesses in frame pixels are these times S.
constexpr double S = 1.22;
constexpr double thigh = 13 * S, shin = 12.5 * S, upper_arm = 10 * S, forearm = 9.5 * S,
                 torso_len = 18 * S;

static std::vector<Part> arm(V shoulder, V hand, Colour sleeve, Colour trim, Colour skin)
{
    const V elbow = joint(shoulder, hand, upper_arm, forearm, -1);
    return {capsule_part(shoulder.x, shoulder.y, elbow.x, elbow.y, 3.3 * S, 2.8 * S, sleeve),
            capsule_part(elbow.x, elbow.y, hand.x, hand.y, 2.8 * S, 2.3 * S, sleeve),
            capsule_part(shoulder.x, shoulder.y + S, elbow.x, elbow.y, 0.7, 0.7, trim),
            ellipse_part(hand.x, hand.y, 2.6 * S, 2.6 * S, skin)};
}

static std::vector<Part> leg(V hip, V ankle, double toe, Colour pants, Colour shoe, Colour sole)
{
    const V knee = joint(hip, ankle, thigh, shin, 1);
    const V heel = ankle + V{-2.5 * S, 1.5 * S};
    const V tip = ankle + V{6 * S * dcos(toe), 1.5 * S + 6 * S * dsin(toe)};
    return {capsule_part(hip.x, hip.y, knee.x, knee.y, 4.4 * S, 3.8 * S, pants),
            capsule_part(knee.x, knee.y, ankle.x, ankle.y, 3.8 * S, 3.4 * S, pants),
            capsule_part(heel.x, heel.y, tip.x, tip.y, 3.0 * S, 2.6 * S, shoe),
            capsule_part(heel.x, heel.y + 2.2 * S, tip.x, tip.y + 2.2 * S, 1.1, 1.1, sole)};
}

static void draw_person(Canvas& c, const Look& look, const Pose& p)
{
    const V up = upward(p.lean);  // from the pelvis toward the neck
    const V neck = p.hip + up * torso_len;
    const V head = neck + upward(p.lean + p.nod) * (10.5 * S);
    const V shoulder_back = neck + V{-2.5, 2.5} * S, shoulder_front = neck + V{1.5, 3} * S;
    const V hip_back = p.hip + V{-1.5, 0} * S, hip_front = p.hip + V{1.5, 0.5} * S;
    // The far limbs sit a step back in the light.
    const Colour far_top = mix(look.top, 0x200828, 0.22),
                 far_pants = mix(look.pants, 0x100818, 0.3);
    constexpr double hr = 8.6 * S;  // head radius, generous so faces read

    if (look.ponytail) {
        // The tail streams back and down from the back of the head.
        const V root = head + V{-7, -3} * S;
        const V mid = root + V{-5, 4 + 2 * p.sway} * S;
        const V end = mid + V{-5, 6 + 3 * p.sway} * S;
        draw_group(c,
                   {capsule_part(root.x, root.y, mid.x, mid.y, 2.9 * S, 2.3 * S, look.hair),
                    capsule_part(mid.x, mid.y, end.x, end.y, 2.3 * S, 0.9 * S, look.hair),
                    ellipse_part(root.x + 0.5 * S, root.y, 1.6 * S, 2.2 * S, 0xFFE040)},
                   ink);
    }
    draw_group(c,
               arm(shoulder_back, p.hand[0], far_top, mix(look.trim, 0x301838, 0.3),
                   mix(look.skin, 0x301838, 0.3)),
               ink);
    draw_group(
        c, leg(hip_back, p.foot[0], p.toe[0], far_pants, mix(look.shoe, 0x301838, 0.3), look.sole),
        ink);
    // Torso: a jacket tapering to the waist, its hem band, the trousers' seat.
    const V waist = p.hip + up * (3.5 * S), chest = neck - up * (4 * S);
    draw_group(
        c,
        {ellipse_part(p.hip.x, p.hip.y, 6.2 * S, 4.6 * S, look.pants),
         capsule_part(waist.x, waist.y, chest.x, chest.y, 6.3 * S, 7.6 * S, look.top),
         capsule_part(waist.x + 3 * S, waist.y, chest.x + 3.5 * S, chest.y, 0.6, 0.6, look.trim),
         capsule_part(waist.x - 6 * S, waist.y + 2.5 * S, waist.x + 6 * S, waist.y + 2.5 * S,
                      1.6 * S, 1.6 * S, look.trim)},
        ink);
    draw_group(c, leg(hip_front, p.foot[1], p.toe[1], look.pants, look.shoe, look.sole), ink);

    const V neck_top = neck + upward(p.lean + p.nod) * (5 * S);
    std::vector<Part> h = {
        capsule_part(neck.x, neck.y, neck_top.x, neck_top.y, 2.8 * S, 2.8 * S,
                     shade(look.skin, -1)),
        ellipse_part(head.x, head.y, hr, hr * 1.04, look.skin),
        ellipse_part(head.x + hr - 0.4, head.y + 1.8 * S, 1.8 * S, 1.8 * S, look.skin)};
    if (look.ponytail) {
        h.push_back(ellipse_part(head.x - 2.5 * S, head.y - 5 * S, 7.8 * S, 5 * S, look.hair));
        h.push_back(ellipse_part(head.x - 5.5 * S, head.y - 1 * S, 4 * S, 6 * S, look.hair));
        h.push_back(capsule_part(head.x, head.y - 8 * S, head.x + 6.5 * S, head.y - 4 * S, 2.4 * S,
                                 1.2 * S, look.hair));
    } else {
        // A quiff swept forward, short at the back.
        h.push_back(ellipse_part(head.x - 2 * S, head.y - 4.5 * S, 8.2 * S, 5.8 * S, look.hair));
        h.push_back(ellipse_part(head.x - 5 * S, head.y, 3.8 * S, 5.5 * S, look.hair));
        h.push_back(capsule_part(head.x - 3 * S, head.y - 8.5 * S, head.x + (8.5 + p.sway) * S,
                                 head.y - 10.5 * S, 3.8 * S, 2.2 * S, look.hair));
        // Headphones: the band over the crown and a cup over the ear.
        h.push_back(capsule_part(head.x - 1 * S, head.y - 10 * S, head.x - 1.5 * S, head.y, 1.3 * S,
                                 1.3 * S, 0x2C2C38));
        h.push_back(ellipse_part(head.x - 2 * S, head.y + 1.5 * S, 3.2 * S, 4 * S, 0xF03C50));
    }
    draw_group(c, h, ink);
    // Face: an eye (or shades), the mouth.
    const int hx = int(head.x + 0.5), hy = int(head.y + 0.5);
    const Colour lip = shade(look.skin, -2);
    if (look.ponytail) {
        fill_rect(c, hx + 4, hy - 1, 3, 4, ink);
        put(c, hx + 5, hy, 0xFFFFFF);
        fill_rect(c, hx + 3, hy - 3, 4, 1, ink);
        put(c, hx + 7, hy - 2, ink);
        put(c, hx + 6, hy + 2, lip);
        fill_rect(c, hx + 6, hy + 5, 3, 1, lip);
    } else {
        fill_rect(c, hx + 2, hy - 2, 9, 4, ink);
        fill_rect(c, hx + 3, hy - 1, 3, 2, 0x2070B0);
        fill_rect(c, hx + 7, hy - 1, 3, 2, 0x2070B0);
        put(c, hx + 3, hy - 1, 0xA0F4FF);
        put(c, hx + 7, hy - 1, 0xA0F4FF);
        fill_rect(c, hx + 6, hy + 6, 3, 1, lip);
        put(c, hx + 8, hy + 5, lip);
    }
    draw_group(c, arm(shoulder_front, p.hand[1], look.top, look.trim, look.skin), ink);
}

constexpr Look zelto = {0xF0B088, 0x3C2A78, 0xFF7A1C, 0xFFFFFF,
                        0x2A3C8C, 0xF4F4F8, 0xE02848, false};
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
    draw_group(
        c,
        {ellipse_part(20, y + 4.5, 4.5, 2.6, 0x5A5A70),
         ellipse_part(44, y + 4.5, 4.5, 2.6, 0x5A5A70), capsule_part(10, y, 54, y, 3, 3, 0x9CF03C),
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
        const double by = 90 + 1.5 * dsin(phi);
        Pose p;
        p.foot[0] = {20, by - 6};
        p.foot[1] = {42, by - 6};
        p.toe[0] = p.toe[1] = 0;
        p.hip = {30 + 1.2 * dsin(phi), by - 6 - (27.5 - 6 * crouch)};
        p.lean = 0.14 + 0.08 * crouch;
        p.nod = 0.16 * dsin(2 * phi + 1.2);
        const V neck = p.hip + upward(p.lean) * torso_len;
        // Back hand out for balance, front fist pumping with the knees.
        p.hand[0] = neck + V{-17 + 2 * dsin(phi), 12 - 3 * bob};
        p.hand[1] = neck + V{15, -1 - 12 * (0.5 + 0.5 * dsin(2 * phi + 0.6))};
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
    constexpr double ground = 97;
    for (int f = 0; f < 16; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double phi = 2 * pi * f / 16;
        const double step = dsin(2 * phi), speed = dcos(2 * phi);
        Pose p;
        const double fx[2] = {31 - 10 * step, 31 + 10 * step};
        for (int k = 0; k < 2; k++) {
            const bool sliding = (k == 0 ? speed : -speed) > 0;
            p.foot[k] = {fx[k], ground - 6 - (sliding ? 0 : 3)};
            p.toe[k] = sliding ? 0 : 0.7;
        }
        p.hip = {31, ground - 6 - 27.5 + 2 * std::fabs(speed)};
        p.lean = -0.05 + 0.06 * step;
        p.nod = 0.2 * dsin(4 * phi);
        const V neck = p.hip + upward(p.lean) * torso_len;
        // Arms swing against the legs; the front hand snaps above the head on
        // every other beat.
        p.hand[0] = neck + V{-11 - 6 * step, 19};
        const double snap = 0.5 + 0.5 * dsin(4 * phi);
        p.hand[1] = neck + V{11 + 5 * step, 16 - 32 * snap};
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
    constexpr double ground = 97;
    for (int f = 0; f < 4; f++) {
        Canvas c = make_canvas(frame_w, frame_h, key);
        const double phi = 2 * pi * f / 4;
        Pose p;
        p.foot[0] = {24, ground - 6};
        p.foot[1] = {39, ground - 6};
        p.toe[0] = p.toe[1] = 0;
        p.hip = {31, ground - 6 - 29.5 + 1.5 * (0.5 + 0.5 * dcos(phi))};
        p.lean = 0.02;
        p.nod = 0.22 * dsin(phi);
        const V neck = p.hip + upward(p.lean) * torso_len;
        p.hand[0] = p.hip + V{-6, 3};  // in the pocket
        p.hand[1] = neck + V{12, 8 - 4 * dsin(phi)};
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
        capsule_part(48, 89, 45, 41, 1.8, 1.8, 0xB8C0D0),  // stem
        capsule_part(41, 40, 50, 40, 1.4, 1.4, 0x30303C),  // bar
        capsule_part(41, 40, 45, 40, 2.0, 2.0, 0xE0344A),  // grip
        capsule_part(12, 88, 45, 88, 2.4, 2.4, 0x7048C8),  // deck
        ellipse_part(14, 93, 4.5, 4.5, 0x26262E),          // wheels
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
        p.foot[1] = {31, 80.5};
        p.toe[1] = 0;
        // Half the loop the back foot pushes along the ground, the other half
        // it swings forward again in an arc; the standing knee bends to let
        // it reach down.
        const double push = f < 8 ? dsin(pi * (f + 0.5) / 8) : 0;
        p.hip = {23 + push, 58 + 5 * push};
        if (f < 8) {
            p.foot[0] = {26 - 2.4 * f, 92};
            p.toe[0] = 0.1;
        } else {
            const double u = (f - 8) / 8.0;
            p.foot[0] = {9 + 16 * u, 88 - 9 * dsin(pi * u)};
            p.toe[0] = 0.5 - 0.4 * u;
        }
        const V reach = p.foot[0] - p.hip;
        const double d = std::sqrt(reach.x * reach.x + reach.y * reach.y), most = thigh + shin - 1;
        if (d > most)
            p.foot[0] = p.hip + reach * (most / d);
        p.lean = 0.3 + 0.05 * push;
        p.nod = -0.1;
        p.hand[0] = {43, 40.5};
        p.hand[1] = {46, 40};
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
    constexpr Colour body = 0xD8283A;
    constexpr int car_raise = 24;
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
        draw_group(
            c,
            {polygon_part({16, 46 + b, 48, 46 + b, 55, 62 + b, 9, 62 + b}, body),
             polygon_part({9, 60 + b, 55, 60 + b, 62, 76 + b, 62, 90 + b, 2, 90 + b, 2, 76 + b},
                          body),
             ellipse_part(5, 60 + b, 3, 2.2, body), ellipse_part(59, 60 + b, 3, 2.2, body)},
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
        fill_rect(c, 4, by, 56, 1, 0xFF8A90);
        const Colour lamp = f ? 0xFFB040 : 0xF08A20, core = f ? 0xFFFFF0 : 0xFFE0A0;
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
        fill_rect(c, 2, by + 23, 60, 1, 0x8A4A5C);
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
        // Drawn resting on row 97, then raised so that the whole car stays
        // above the scroller band wherever the view path takes it.
        Canvas raised = make_canvas(frame_w, frame_h, key);
        paste(raised, c, 0, -car_raise);
        paste(s, raised, 0, f * frame_h);
    }
    return s;
}
