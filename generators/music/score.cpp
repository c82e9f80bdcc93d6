// A minor throughout, a new tempo and voice for each scene:
//   title      150 BPM  the flashes are its beats; static, then the hook
//   dance      120 BPM  the beat flashes are eighths; the arrows play the lead
//   deform     134 BPM  eight bars of acid over the descending cadence
//   greetings  150 BPM  a dotted-eighth then eighth stab on every logo
//   lift       120 BPM  jazz-house heard through the doors, a chime as they open
//   tunnel     160 BPM  breakbeat, reese bass and a sixteenth arpeggio
//   finale     120 BPM  the hook again, a stab on every effect change
#include "generators/music/score.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "scenes/dance_scene.h"
#include "scenes/deform_scene.h"
#include "scenes/finale.h"
#include "scenes/greetings_scene.h"
#include "scenes/lift_scene.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"
#include "scenes/tunnel_scene.h"

// ---- time -----------------------------------------------------------------

// A section's bars: sixteen steps each from the origin; odd steps come late
// by the swing's share of a step.
struct Grid {
    double origin_ms;
    double step_ms;
    double swing;
};

static double at(const Grid& g, int bar, double step)
{
    const double s = bar * 16.0 + step;
    const bool odd = s == std::floor(s) && (int64_t(s) & 1);
    return g.origin_ms + (s + (odd ? g.swing : 0.0)) * g.step_ms;
}

// Title: the 31 flashes peak a beat apart, so the flashes are the beat. The
// first peak falls on beat 1 of bar 0.
constexpr double title_first_peak = title_flash_first + title_flash_length / 2.0;
constexpr Grid title_grid = {title_first_peak - title_flash_every, title_flash_every / 4.0, 0};

// Dance: the beat flashes are the eighths of a 120 BPM bar that starts as the
// arrow row drops in.
static_assert((first_beat - arrows_start) % beat_every == 0, "flashes off the dance grid");
constexpr Grid dance_grid = {arrows_start, beat_every / 2.0, 0.1};

// Deform: eight bars fill the scene exactly.
constexpr Grid deform_grid = {deform_start, (greetings_start - deform_start) / 128.0, 0.18};

// Greetings: a 200 ms logo is an eighth of 150 BPM, a 300 ms one a dotted
// eighth; the grid puts the last logo on a downbeat and every other logo on
// a sixteenth.
constexpr uint32_t greet_step = (logo_switch[logo_count - 1] - logo_switch[logo_count - 2]) / 2;
constexpr uint32_t greet_origin = logo_switch[logo_count - 1] - 48 * greet_step;
constexpr bool logos_on_grid()
{
    for (int i = 0; i < logo_count; i++)
        if ((logo_switch[i] - greet_origin) % greet_step != 0)
            return false;
    return true;
}
static_assert(logos_on_grid(), "a logo switch off the greetings grid");
constexpr Grid greet_grid = {greet_origin, greet_step, 0};

// Lift: the doors move over two beats of 120 BPM; each door time is a beat,
// and the openings are downbeats of a grid that starts a bar before the first.
constexpr uint32_t lift_beat = doors_move_ms / 2;
static_assert((doors_close_start - doors_open_start) % lift_beat == 0, "door off the beat");
static_assert((credit_doors_open_start - doors_open_start) % (4 * lift_beat) == 0,
              "door off the bar");
static_assert((credit_doors_close_start - doors_open_start) % (4 * lift_beat) == 0,
              "door off the bar");
constexpr Grid lift_grid = {doors_open_start - 4.0 * lift_beat, lift_beat / 4.0, 0.2};

// Tunnel: eight bars of 160 BPM fill the scene exactly.
constexpr Grid tunnel_grid = {tunnel_start, (finale_start - tunnel_start) / 128.0, 0.08};

// Finale: an effect change every two beats of 120 BPM; the fade-out starts on
// the downbeat of bar 10.
constexpr Grid finale_grid = {finale_start, finale_switch_ms / 8.0, 0.05};
constexpr uint32_t finale_fade_start = finale_fades[1].start;
constexpr uint32_t finale_fade_ms = finale_fades[1].duration;
static_assert(finale_fade_start == finale_start + 10 * 16 * finale_switch_ms / 8,
              "fade off the bar");

// ---- harmony --------------------------------------------------------------

struct Chord {
    int root;           // bass note, first octave
    int pad[4];         // voicing of the pads and stabs
    int tones[4] = {};  // root, third, fifth and octave in the lead's register
};

constexpr Chord chord_am = {33, {57, 60, 64, 71}, {69, 72, 76, 81}};
constexpr Chord chord_f = {29, {57, 60, 65, 72}, {65, 69, 72, 77}};
constexpr Chord chord_c = {36, {55, 60, 64, 72}, {72, 76, 79, 84}};
constexpr Chord chord_g = {31, {55, 59, 62, 71}, {67, 71, 74, 79}};
constexpr Chord chord_e = {28, {56, 59, 64, 71}, {64, 68, 71, 76}};

// The lift's jazz voicings: rootless sevenths and ninths around middle C.
// Its melody is written out, so they need no lead tones.
constexpr Chord chord_am7 = {33, {55, 60, 64, 69}};
constexpr Chord chord_dm9 = {38, {53, 57, 60, 64}};
constexpr Chord chord_g13 = {31, {53, 59, 62, 64}};
constexpr Chord chord_cmaj9 = {36, {52, 55, 59, 62}};
constexpr Chord chord_fmaj7 = {29, {52, 57, 60, 64}};
constexpr Chord chord_bm7b5 = {35, {53, 57, 59, 62}};
constexpr Chord chord_e7b9 = {28, {53, 56, 59, 62}};

// ---- instruments ----------------------------------------------------------

constexpr Patch pad_patch = {.saw = 0.5f,
                             .unison = 5,
                             .detune = 0.22f,
                             .attack = 0.35f,
                             .decay = 1.5f,
                             .sustain = 0.8f,
                             .release = 0.7f,
                             .cutoff = 1100,
                             .env_cutoff = 900,
                             .filter_decay = 1.2f,
                             .gain = 0.22f};
constexpr Patch string_patch = {.saw = 0.5f,
                                .unison = 4,
                                .detune = 0.12f,
                                .attack = 0.6f,
                                .decay = 2,
                                .sustain = 0.9f,
                                .release = 0.9f,
                                .cutoff = 800,
                                .env_cutoff = 300,
                                .filter_decay = 2,
                                .vibrato = 0.05f,
                                .vibrato_rate = 4.5f,
                                .gain = 0.22f};
constexpr Patch stab_patch = {.saw = 0.6f,
                              .unison = 5,
                              .detune = 0.18f,
                              .attack = 0.001f,
                              .decay = 0.16f,
                              .sustain = 0,
                              .release = 0.08f,
                              .cutoff = 700,
                              .env_cutoff = 5000,
                              .filter_decay = 0.12f,
                              .gain = 0.42f};
constexpr Patch pluck_patch = {.saw = 0.5f,
                               .square = 0.3f,
                               .unison = 2,
                               .detune = 0.06f,
                               .attack = 0.001f,
                               .decay = 0.22f,
                               .sustain = 0,
                               .release = 0.1f,
                               .cutoff = 400,
                               .env_cutoff = 5000,
                               .filter_decay = 0.1f,
                               .resonance = 0.3f,
                               .key_track = 0.5f,
                               .gain = 0.9f};
constexpr Patch arrow_patch = {.saw = 0.4f,
                               .square = 0.4f,
                               .unison = 2,
                               .detune = 0.08f,
                               .pulse_width = 0.3f,
                               .attack = 0.001f,
                               .decay = 0.15f,
                               .sustain = 0.35f,
                               .release = 0.08f,
                               .cutoff = 900,
                               .env_cutoff = 6000,
                               .filter_decay = 0.09f,
                               .resonance = 0.2f,
                               .key_track = 0.4f,
                               .gain = 1.1f};
constexpr Patch lead_patch = {.saw = 0.45f,
                              .square = 0.35f,
                              .unison = 3,
                              .detune = 0.1f,
                              .pulse_width = 0.4f,
                              .attack = 0.004f,
                              .decay = 0.4f,
                              .sustain = 0.7f,
                              .release = 0.12f,
                              .cutoff = 1800,
                              .env_cutoff = 4000,
                              .filter_decay = 0.2f,
                              .resonance = 0.15f,
                              .vibrato = 0.15f,
                              .vibrato_rate = 5.5f,
                              .gain = 0.8f};
constexpr Patch rolling_bass_patch = {.saw = 0.7f,
                                      .sine = 0.5f,
                                      .attack = 0.001f,
                                      .decay = 0.09f,
                                      .sustain = 0.25f,
                                      .release = 0.03f,
                                      .cutoff = 220,
                                      .env_cutoff = 1600,
                                      .filter_decay = 0.06f,
                                      .resonance = 0.3f,
                                      .gain = 1.1f};
constexpr Patch funk_bass_patch = {.saw = 0.3f,
                                   .square = 0.5f,
                                   .sine = 0.6f,
                                   .pulse_width = 0.3f,
                                   .decay = 0.15f,
                                   .sustain = 0.3f,
                                   .release = 0.05f,
                                   .cutoff = 300,
                                   .env_cutoff = 1400,
                                   .filter_decay = 0.1f,
                                   .resonance = 0.35f,
                                   .gain = 0.6f};
constexpr Patch acid_patch = {.saw = 0.8f,
                              .attack = 0.001f,
                              .decay = 0.18f,
                              .sustain = 0.4f,
                              .release = 0.03f,
                              .cutoff = 180,
                              .env_cutoff = 2600,
                              .filter_decay = 0.13f,
                              .resonance = 0.82f,
                              .gain = 0.6f};
constexpr Patch reese_patch = {.saw = 0.6f,
                               .sine = 0.6f,
                               .unison = 3,
                               .detune = 0.25f,
                               .attack = 0.01f,
                               .decay = 0.5f,
                               .sustain = 0.85f,
                               .release = 0.12f,
                               .cutoff = 420,
                               .env_cutoff = 500,
                               .filter_decay = 0.4f,
                               .resonance = 0.2f,
                               .gain = 0.41f};
constexpr Patch sub_patch = {
    .sine = 1, .attack = 0.01f, .decay = 1.5f, .sustain = 0.6f, .release = 0.4f, .gain = 0.45f};
constexpr Patch epiano_patch = {.sine = 1,
                                .decay = 1.4f,
                                .sustain = 0.2f,
                                .release = 0.25f,
                                .fm_ratio = 1,
                                .fm_index = 2.2f,
                                .fm_decay = 0.35f,
                                .gain = 0.18f};
constexpr Patch vibes_patch = {.sine = 1,
                               .attack = 0.001f,
                               .decay = 0.7f,
                               .sustain = 0,
                               .release = 0.6f,
                               .fm_ratio = 4,
                               .fm_index = 1.4f,
                               .fm_decay = 0.15f,
                               .vibrato = 0.05f,
                               .gain = 0.22f};
constexpr Patch bell_patch = {.sine = 1,
                              .attack = 0.001f,
                              .decay = 2,
                              .sustain = 0,
                              .release = 1.5f,
                              .fm_ratio = 3.5f,
                              .fm_index = 2.5f,
                              .fm_decay = 0.6f,
                              .gain = 0.5f};
constexpr Patch ping_patch = {.sine = 1,
                              .attack = 0.001f,
                              .decay = 0.35f,
                              .sustain = 0,
                              .release = 0.2f,
                              .fm_ratio = 2,
                              .fm_index = 3,
                              .fm_decay = 0.1f,
                              .gain = 0.3f};

static Out to(Mix& mix, float pan, float send)
{
    return Out{&mix, pan, send};
}

enum Drum { kick_drum, snare_drum, clap_drum, closed_hat, open_hat, shaker_drum, drum_kinds };

static void hit(Mix& mix, Drum drum, double ms, float v)
{
    switch (drum) {
        case kick_drum:
            kick(to(mix, 0, 0.03f), ms, v);
            break;
        case snare_drum:
            snare(to(mix, 0.05f, 0.22f), ms, v);
            break;
        case clap_drum:
            clap(to(mix, -0.08f, 0.25f), ms, v);
            break;
        case closed_hat:
            hat(to(mix, 0.3f, 0.04f), ms, v, 0.035f);
            break;
        case open_hat:
            hat(to(mix, -0.25f, 0.08f), ms, v, 0.09f);
            break;
        case shaker_drum:
            shaker(to(mix, -0.4f, 0.05f), ms, v);
            break;
        case drum_kinds:
            break;
    }
}

// ---- patterns -------------------------------------------------------------

// One bar of drums: a sixteen-step lane per drum, null for a silent one.
// 'X' is a full hit, 'x' a normal one, 'o' a ghost note.
struct DrumBar {
    const char* lanes[drum_kinds];  // kick, snare, clap, closed hat, open hat, shaker
};

constexpr DrumBar trance_bar = {{"X...X...X...X...", nullptr, "....X.......X...",
                                 "o.o.o.o.o.o.o.o.", "..x...x...x...x.", nullptr}};
constexpr DrumBar trance_fill_bar = {{"X...X...X...X...", "........o.o.xxXX", "....X.......X...",
                                      "o.o.o.o.o.o.o.o.", "..x...x...x.....", nullptr}};
constexpr DrumBar house_bar = {{"X...X...X...X...", nullptr, "....X.......X...", nullptr,
                                "..x...x...x...x.", "xoooxoooxoooxooo"}};
constexpr DrumBar house_fill_bar = {{"X...X...X...X...", "..........o.x.xX", "....X.......X...",
                                     nullptr, "..x...x...x.....", "xoooxoooxoooxooo"}};
constexpr DrumBar house_stop_bar = {{"X...X...X...X...", nullptr, "....X.......X...", nullptr,
                                     "..x...x...x.....", "xoooxoooxoooxo.."}};
constexpr DrumBar break_bar = {
    {"X.....x...X.....", "....X..o....X..o", nullptr, "x.x.x.x.x.x.x.x.", nullptr, nullptr}};
constexpr DrumBar break_b_bar = {{"X.....x.x.X.....", "....X..o....X.o.", nullptr,
                                  "x.x.x.xxx.x.x.x.", "..............x.", nullptr}};
constexpr DrumBar break_fill_bar = {
    {"X.....x...X.....", "....X..o....XxXX", nullptr, "x.x.x.x.x.x.....", nullptr, nullptr}};
constexpr DrumBar two_step_bar = {{"X.........X.....", "....X.......X...", nullptr,
                                   "x.x.x.x.x.x.x.x.", nullptr, "oooxoooxoooxooox"}};
constexpr DrumBar two_step_b_bar = {{"X.....X...X.....", "....X..o....X.o.", nullptr,
                                     "x.x.x.x.x.x.x.x.", "......x.......x.", "oooxoooxoooxooox"}};
constexpr DrumBar two_step_fill_bar = {{"X.........X.....", "....X...o.X.XXXX", nullptr,
                                        "x.x.x.x.x.......", nullptr, "oooxoooxoooxooox"}};
constexpr DrumBar kick_only_bar = {
    {"x...x...x...x...", nullptr, nullptr, nullptr, nullptr, "xoooxoooxoooxooo"}};

static float lane_velocity(char c)
{
    return c == 'X' ? 1.0f : c == 'x' ? 0.72f : c == 'o' ? 0.38f : 0.0f;
}

static void play_drums(Mix& mix, const Grid& g, int bar, const DrumBar& d, float velocity)
{
    for (int k = 0; k < drum_kinds; k++)
        for (int s = 0; d.lanes[k] && s < 16 && d.lanes[k][s]; s++)
            if (const float v = lane_velocity(d.lanes[k][s]); v > 0)
                hit(mix, Drum(k), at(g, bar, s), v * velocity);
}

static int parse_note(const char*& s, const char* line)
{
    constexpr int letter_pitch[7] = {9, 11, 0, 2, 4, 5, 7};  // A .. G
    if (*s < 'A' || *s > 'G') {
        fprintf(stderr, "make_music: bad note in \"%s\"\n", line);
        exit(1);
    }
    int pitch = letter_pitch[*s++ - 'A'];
    if (*s == '#' || *s == 'b')
        pitch += *s++ == '#' ? 1 : -1;
    if (*s < '0' || *s > '9') {
        fprintf(stderr, "make_music: bad octave in \"%s\"\n", line);
        exit(1);
    }
    const int octave = *s++ - '0';
    return 12 * (octave + 1) + pitch;
}

// Plays a line written as "A4/3 C5/3 -/2 E5/2!": a note, or '-' for a rest,
// and its length in sixteenths; '!' accents the note and '~' slides into it
// from the one before. Echoes, when asked for, bounce between the sides
// echo_steps apart.
static void play_line(const Patch& patch, Out out, const Grid& g, int bar, const char* line,
                      float velocity, int transpose = 0, double echo_steps = 0)
{
    double step = 0;
    int last = 0;
    for (const char* s = line; *s;) {
        if (*s == ' ') {
            s++;
            continue;
        }
        int midi = 0;
        if (*s == '-')
            s++;
        else
            midi = parse_note(s, line) + transpose;
        if (*s != '/') {
            fprintf(stderr, "make_music: bad length in \"%s\"\n", line);
            exit(1);
        }
        char* end;
        const double len = std::strtod(s + 1, &end);
        s = end;
        bool accent = false, slide = false;
        for (; *s == '!' || *s == '~'; s++)
            (*s == '!' ? accent : slide) = true;
        if (midi) {
            const double start = at(g, bar, step);
            const double length = 0.92 * (at(g, bar, step + len) - start);
            const float v = velocity * (accent ? 1.0f : 0.8f);
            tone(patch, out, start, length, midi, v, slide ? last : 0);
            for (int k = 1; echo_steps > 0 && k <= 3; k++)
                tone(patch, Out{out.mix, k & 1 ? -0.6f : 0.6f, out.send},
                     start + k * echo_steps * g.step_ms, length, midi,
                     v * float(std::pow(0.38, k)));
            last = midi;
        }
        step += len;
    }
}

static void play_chord(const Patch& patch, Out out, double ms, double length_ms, const Chord& c,
                       float velocity)
{
    // Spread the notes across the field, low left to high right.
    for (int i = 0; i < 4; i++)
        tone(patch, Out{out.mix, out.pan + 0.3f * (i - 1.5f), out.send}, ms, length_ms, c.pad[i],
             velocity);
}

static void impact(Mix& mix, double ms, float velocity)
{
    kick(to(mix, 0, 0.15f), ms, velocity, 0.7f, 33);
    crash(to(mix, 0, 0.35f), ms, 0.9f * velocity);
    noise_band(to(mix, 0, 0.4f), ms, ms + 1500, 6000, 250, 0.05f * velocity, 0);
}

static void riser(Mix& mix, double from_ms, double to_ms, float level)
{
    noise_band(to(mix, 0, 0.3f), from_ms, to_ms, 400, 9000, 0, level);
}

// A snare roll whose hits come gap_ms apart and grow from v_from to v_to.
static void snare_roll(Mix& mix, double from_ms, double to_ms, double gap_ms, float v_from,
                       float v_to)
{
    const int hits = int((to_ms - from_ms) / gap_ms + 0.5);
    for (int i = 0; i < hits; i++)
        snare(to(mix, 0.05f, 0.25f), from_ms + i * gap_ms,
              v_from + (v_to - v_from) * float(i) / std::max(1, hits - 1));
}

// The bass under a trance beat: every sixteenth but the kick's, the offbeat
// eighth an octave up.
static void rolling_bass(Mix& mix, const Grid& g, int bar, int root, float velocity, int from = 0,
                         int to_step = 16)
{
    for (int s = from; s < to_step; s++)
        if (s % 4 != 0)
            tone(rolling_bass_patch, to(mix, 0, 0.02f), at(g, bar, s), 0.6 * g.step_ms,
                 root + (s % 4 == 2 ? 12 : 0), velocity * (s % 4 == 2 ? 1.0f : 0.8f));
}

// The arpeggio: root, fifth, octave, fifth, third, fifth, octave, fifth.
constexpr int arp_order[8] = {0, 2, 3, 2, 1, 2, 3, 2};

static void arpeggio(Mix& mix, const Grid& g, int bar, const Chord& c, float velocity, int from = 0,
                     int to_step = 16)
{
    for (int s = from; s < to_step; s++)
        tone(pluck_patch, to(mix, s & 1 ? 0.35f : -0.35f, 0.25f), at(g, bar, s), 0.7 * g.step_ms,
             c.tones[arp_order[s & 7]], velocity * (s % 4 == 0 ? 1.0f : 0.75f));
}

// The opening hook, one line per bar over Am, F, C and G, and the turn that
// leads it back round or on.
constexpr const char* hook[4] = {
    "A4/3 C5/3 E5/2! A5/3 G5/2 E5/3",
    "F5/3 E5/3 C5/2! A4/3 C5/2 D5/3",
    "E5/3 G5/3 C6/2! B5/3 G5/2 E5/3",
    "D5/3 B4/3 G4/4 -/2 B4/2 D5/2",
};
constexpr const char* hook_turn = "D5/3 E5/3 G5/2! B5/4 A5/2 G5/2";

// ---- sections -------------------------------------------------------------

static void title_music(Mix& mix)
{
    const Grid& g = title_grid;
    // Power on: a soft thump, then static that follows the noise picture in
    // and out of black.
    kick(to(mix, 0, 0.2f), title_start, 0.55f, 0.5f, 36);
    const double noise_in = title_fades[0].start + title_fades[0].duration;
    const double noise_out = title_fades[1].start;
    noise_band(to(mix, 0, 0.1f), title_fades[0].start, noise_in, 2500, 3200, 0.0f, 0.09f);
    noise_band(to(mix, 0, 0.1f), noise_in, noise_out, 3200, 5000, 0.09f, 0.11f);
    noise_band(to(mix, 0, 0.1f), noise_out, title_picture_time, 5000, 1500, 0.11f, 0.0f);

    // Over the noise every flash is a heartbeat kick and a ping.
    constexpr int ping_notes[4] = {81, 76, 84, 76};
    for (int i = 0; i < title_flash_count; i++) {
        const double peak = title_first_peak + i * double(title_flash_every);
        if (peak >= at(g, 3, 0))
            break;
        kick(to(mix, 0, 0.03f), peak, 0.6f + 0.03f * i);
        tone(ping_patch, to(mix, i & 1 ? 0.5f : -0.5f, 0.5f), peak, 150, ping_notes[i & 3], 0.8f);
    }
    play_chord(pad_patch, to(mix, 0, 0.45f), at(g, 0, 0), at(g, 2, 0) - at(g, 0, 0), chord_am,
               0.7f);
    play_chord(pad_patch, to(mix, 0, 0.45f), at(g, 2, 0), 8 * g.step_ms, chord_f, 0.8f);
    play_chord(pad_patch, to(mix, 0, 0.45f), at(g, 2, 8), 8 * g.step_ms, chord_g, 0.9f);
    for (int s = 0; s < 32; s++) {
        // The arpeggio opens up (its filter follows the velocity) into the drop.
        const Chord& c = s < 16 ? chord_am : s < 24 ? chord_f : chord_g;
        arpeggio(mix, g, 1 + s / 16, c, 0.3f + 0.6f * s / 32.0f, s % 16, s % 16 + 1);
    }
    for (int s = 0; s < 16; s++)
        hat(to(mix, 0.3f, 0.04f), at(g, 2, s), 0.2f + 0.03f * s, 0.035f);
    snare_roll(mix, at(g, 2, 12), at(g, 3, 0), g.step_ms, 0.4f, 0.9f);
    riser(mix, at(g, 2, 0), at(g, 3, 0), 0.08f);

    // The drop as the title picture comes in: the hook over Am F C G, then
    // F-G and a bar on E that winds up into the dance.
    const Chord* theme[4] = {&chord_am, &chord_f, &chord_c, &chord_g};
    crash(to(mix, 0, 0.3f), at(g, 3, 0), 0.9f);
    for (int b = 3; b <= 6; b++) {
        const Chord& c = *theme[b - 3];
        play_drums(mix, g, b, b == 6 ? trance_fill_bar : trance_bar, 1.0f);
        rolling_bass(mix, g, b, c.root, 1.0f);
        play_chord(pad_patch, to(mix, 0, 0.4f), at(g, b, 0), 16 * g.step_ms, c, 0.9f);
        play_line(lead_patch, to(mix, 0.1f, 0.3f), g, b, hook[b - 3], 1.0f, 0, 3);
    }
    crash(to(mix, 0, 0.3f), at(g, 7, 0), 0.7f);
    play_drums(mix, g, 7, trance_bar, 1.0f);
    snare_roll(mix, at(g, 7, 8), at(g, 8, 0), 2 * g.step_ms, 0.3f, 0.6f);
    rolling_bass(mix, g, 7, chord_f.root, 1.0f, 0, 8);
    rolling_bass(mix, g, 7, chord_g.root, 1.0f, 8, 16);
    play_chord(pad_patch, to(mix, 0, 0.4f), at(g, 7, 0), 8 * g.step_ms, chord_f, 0.9f);
    play_chord(pad_patch, to(mix, 0, 0.4f), at(g, 7, 8), 8 * g.step_ms, chord_g, 0.9f);
    play_line(lead_patch, to(mix, 0.1f, 0.3f), g, 7, "C6/3 B5/3 A5/2! G5/3 F5/2 D5/3", 1.0f, 0, 3);

    // Bar 8: no flashes, so no kick; the roll tightens to the scene's cut.
    play_chord(pad_patch, to(mix, 0, 0.5f), at(g, 8, 0), dance_start - at(g, 8, 0), chord_e, 1.0f);
    tone(sub_patch, to(mix, 0, 0), at(g, 8, 0), dance_start - at(g, 8, 0), chord_e.root + 12, 0.8f);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 8, "E5/8 G#5/4 B5/4", 0.9f);
    snare_roll(mix, at(g, 8, 0), at(g, 8, 8), 2 * g.step_ms, 0.25f, 0.45f);
    snare_roll(mix, at(g, 8, 8), at(g, 8, 12), g.step_ms, 0.45f, 0.65f);
    snare_roll(mix, at(g, 8, 12), dance_start, g.step_ms / 2, 0.65f, 1.0f);
    riser(mix, at(g, 8, 0), dance_start, 0.11f);
}

static const Chord& dance_chord(int bar)
{
    constexpr const Chord* chords[7] = {&chord_am, &chord_am, &chord_f, &chord_c,
                                        &chord_g,  &chord_f,  &chord_e};
    return *chords[std::clamp(bar, 0, 6)];
}

static void dance_music(Mix& mix)
{
    const Grid& g = dance_grid;
    // The cut into the dance, then toms up to the groove as the arrows drop in.
    impact(mix, dance_start, 1.0f);
    play_chord(pad_patch, to(mix, 0, 0.5f), dance_start, arrows_start - dance_start, chord_am,
               0.8f);
    tone(sub_patch, to(mix, 0, 0), dance_start, arrows_start - dance_start, chord_am.root + 12,
         0.9f);
    constexpr float tom_hz[4] = {82, 98, 123, 147};
    for (int i = 0; i < 4; i++)
        tom(to(mix, -0.3f + 0.2f * i, 0.2f), at(g, -1, 8 + 2 * i), 0.5f + 0.15f * i, tom_hz[i]);
    kick(to(mix, 0, 0.03f), at(g, -1, 8), 0.7f);
    kick(to(mix, 0, 0.03f), at(g, -1, 12), 0.8f);
    snare(to(mix, 0, 0.2f), at(g, -1, 15), 0.8f);

    constexpr const char* bass_riff = "A1/2! -/1 A2/1 -/2 E2/1 A2/1 -/2 A1/2 E2/2 A2/2";
    for (int b = 0; b <= 4; b++) {
        const Chord& c = dance_chord(b);
        if (b % 4 == 0)
            crash(to(mix, 0, 0.3f), at(g, b, 0), 0.8f);
        play_drums(mix, g, b, b == 4 ? house_fill_bar : house_bar, 1.0f);
        play_line(funk_bass_patch, to(mix, 0, 0.03f), g, b, bass_riff, 1.0f, c.root - 33);
        play_chord(pad_patch, to(mix, 0, 0.4f), at(g, b, 0), 16 * g.step_ms, c, 0.7f);
        // Offbeat stabs while the arrows climb, thinner once they play.
        constexpr int stab_steps[4] = {2, 5, 10, 13};
        for (int s : stab_steps)
            if (b == 0 || s % 4 == 2)
                play_chord(stab_patch, to(mix, 0, 0.3f), at(g, b, s), g.step_ms, c,
                           b == 0 ? 0.8f : 0.5f);
    }

    // Every beat flash is an arrow reaching its row: the arrow that arrives
    // with flash m is note note_count - 1 - m, and its direction picks the
    // chord tone (left root, down third, up fifth, right octave).
    for (int m = 0; m < note_count; m++) {
        const double t = first_beat + double(m) * beat_every;
        const int bar = int((t - g.origin_ms) / (16 * g.step_ms));
        const ArrowStep& arrow = arrow_pattern[(note_count - 1 - m) % 12];
        const bool on_beat = int((t - g.origin_ms) / g.step_ms) % 4 == 0;
        const double length = 0.6 * beat_every;
        const int midi = dance_chord(bar).tones[arrow.arrow];
        tone(arrow_patch, to(mix, 0.15f, 0.25f), t, length, midi, on_beat ? 0.9f : 1.0f);
        if (!on_beat)
            hat(to(mix, -0.25f, 0.08f), t, 0.6f, 0.12f);
    }
    // The music credit rises with its picture.
    noise_band(to(mix, 0, 0.3f), dance_exit_start, dance_exit_start + dance_exit_ms, 600, 7000,
               0.0f, 0.1f);

    // The last flash lands on bar 5; the beat thins out and winds up again.
    crash(to(mix, 0, 0.35f), at(g, 5, 0), 1.0f);
    play_drums(mix, g, 5, kick_only_bar, 0.9f);
    play_chord(pad_patch, to(mix, 0, 0.5f), at(g, 5, 0), 16 * g.step_ms, chord_f, 1.0f);
    play_line(funk_bass_patch, to(mix, 0, 0.03f), g, 5, "F1/6! F2/2 C2/4 F1/4", 0.9f);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 5, "C6/6 A5/2 G5/4 E5/4", 0.7f, 0, 3);
    play_chord(pad_patch, to(mix, 0, 0.5f), at(g, 6, 0), deform_start - at(g, 6, 0), chord_e, 1.0f);
    tone(sub_patch, to(mix, 0, 0), at(g, 6, 0), deform_start - at(g, 6, 0), chord_e.root + 12,
         0.8f);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 6, "B5/4 G#5/3", 0.8f);
    snare_roll(mix, at(g, 6, 0), at(g, 6, 4), g.step_ms * 2, 0.3f, 0.5f);
    snare_roll(mix, at(g, 6, 4), deform_start, g.step_ms / 2, 0.5f, 1.0f);
    riser(mix, arrows_end, deform_start, 0.11f);
}

static void deform_music(Mix& mix)
{
    const Grid& g = deform_grid;
    // The descending cadence twice: Am G F E.
    const Chord* cadence[4] = {&chord_am, &chord_g, &chord_f, &chord_e};
    constexpr const char* acid_line =
        "A1/1! A1/1 A2/1~ A1/1 -/1 A1/1 E2/1! A1/1 A2/1~ E2/1 A1/1 -/1 A1/1! A2/1~ E2/1 A1/1";
    constexpr const char* acid_turn =
        "A1/1! A2/1~ A1/1 A1/1 E2/1! -/1 A1/1 A2/1~ A1/1! E2/1 E2/1~ A1/1 -/1 A2/1! A1/1 E2/1~";
    constexpr const char* lead_lines[4] = {
        "E5/4 A5/4 C6/3! B5/3 A5/2",
        "B5/4 D6/4 B5/2! G5/4 D5/2",
        "C6/4 A5/4 F5/2! A5/3 C6/3",
        "B5/6 G#5/4! E5/6",
    };
    impact(mix, deform_start, 0.9f);
    for (int b = 0; b < 8; b++) {
        const Chord& c = *cadence[b % 4];
        const DrumBar& drums = b % 4 == 3 ? break_fill_bar : b % 2 ? break_b_bar : break_bar;
        play_drums(mix, g, b, drums, 1.0f);
        // The acid's filter opens bar by bar: it follows the velocity.
        play_line(acid_patch, to(mix, 0, 0.12f), g, b, b % 2 ? acid_turn : acid_line,
                  0.45f + 0.07f * b, c.root - 33);
        play_chord(string_patch, to(mix, 0, 0.5f), at(g, b, 0), 16 * g.step_ms, c, 0.8f);
        if (b >= 4)
            play_line(lead_patch, to(mix, 0.1f, 0.35f), g, b, lead_lines[b - 4], 0.9f, 0, 3);
        if (b == 4)
            crash(to(mix, 0, 0.3f), at(g, b, 0), 0.8f);
    }
    // The rider grows, the credit slides in: a swell for each.
    noise_band(to(mix, 0, 0.3f), rider_grow_start, rider_grow_start + rider_scale_ms, 500, 6000,
               0.0f, 0.07f);
    noise_band(to(mix, 0, 0.3f), deform_credit_start, deform_credit_start + rider_scale_ms, 8000,
               600, 0.08f, 0.0f);
    riser(mix, at(g, 6, 0), greetings_start, 0.09f);
}

static const Chord& greet_chord(double ms)
{
    const Grid& g = greet_grid;
    if (ms < at(g, 1, 0))
        return chord_am;
    if (ms < at(g, 2, 0))
        return chord_f;
    if (ms < at(g, 3, 0))
        return chord_e;
    return ms < at(g, 4, 0) ? chord_am : chord_f;
}

static void greetings_music(Mix& mix)
{
    const Grid& g = greet_grid;
    // Out of the black a low boom and a cymbal drawn backwards into the first logo.
    kick(to(mix, 0, 0.3f), greetings_start, 0.5f, 0.7f, 32);
    noise_band(to(mix, 0, 0.3f), greetings_start, logo_switch[0] - 40, 3000, 12000, 0.0f, 0.2f);

    // A stab on every logo. The eighths climb the harmonic minor from E with
    // the toms, up to the leading note, and the last logo lands on A.
    constexpr int run_notes[10] = {64, 65, 68, 69, 71, 72, 74, 76, 77, 80};
    for (int i = 0; i < logo_count; i++) {
        const double t = logo_switch[i];
        const Chord& c = greet_chord(t);
        const int run = i - 8;
        if (run >= 0 && i < logo_count - 1) {
            tom(to(mix, -0.4f + 0.08f * run, 0.2f), t, 0.5f + 0.03f * run, 90.0f + 14.0f * run);
            snare(to(mix, 0.05f, 0.25f), t, 0.4f + 0.05f * run);
            tone(pluck_patch, to(mix, 0.2f, 0.3f), t, greet_step * 0.9, run_notes[run], 0.9f);
        }
        play_chord(stab_patch, to(mix, 0, 0.35f), t, 1.5 * greet_step, c, 1.0f);
        hat(to(mix, 0.3f, 0.1f), t, 0.7f, 0.05f);
        if (i == logo_count - 1) {
            impact(mix, t, 1.0f);
            tone(pluck_patch, to(mix, 0.2f, 0.4f), t, 4 * greet_step, 81, 1.0f);
        }
    }
    // Under the stabs: a straight kick, the bass on the offbeats, the pads.
    for (double t = logo_switch[0]; t < logo_switch[logo_count - 1]; t += 4 * greet_step)
        kick(to(mix, 0, 0.03f), t, 0.9f);
    for (int b = 0; b < 3; b++)
        for (int s = 2; s < 16; s += 4)
            if (at(g, b, s) > logo_switch[0])
                tone(rolling_bass_patch, to(mix, 0, 0.02f), at(g, b, s), 1.6 * g.step_ms,
                     greet_chord(at(g, b, s)).root + 12, 0.9f);
    play_chord(pad_patch, to(mix, 0, 0.5f), greetings_start, at(g, 1, 0) - greetings_start,
               chord_am, 0.7f);
    play_chord(pad_patch, to(mix, 0, 0.5f), at(g, 1, 0), 16 * g.step_ms, chord_f, 0.8f);
    play_chord(pad_patch, to(mix, 0, 0.5f), at(g, 2, 0), 16 * g.step_ms, chord_e, 1.0f);

    // The last logo stays: the hook comes back for a bar, then the lift.
    play_drums(mix, g, 3, trance_bar, 1.0f);
    rolling_bass(mix, g, 3, chord_am.root, 1.0f);
    play_chord(pad_patch, to(mix, 0, 0.45f), at(g, 3, 0), 16 * g.step_ms, chord_am, 0.9f);
    play_line(lead_patch, to(mix, 0.1f, 0.3f), g, 3, hook[0], 1.0f, 0, 3);
    const double tail = lift_start - at(g, 4, 0);
    play_chord(pad_patch, to(mix, 0, 0.6f), at(g, 4, 0), tail, chord_f, 0.7f);
    play_line(lead_patch, to(mix, 0.1f, 0.5f), g, 4, "F5/3 E5/2", 0.7f, 0, 3);
    kick(to(mix, 0, 0.03f), at(g, 4, 0), 0.8f);
    crash(to(mix, 0, 0.4f), at(g, 4, 0), 0.5f);
}

static void lift_music(Mix& show, Mix& lift)
{
    const Grid& g = lift_grid;
    const Chord* changes[8] = {&chord_am7,   &chord_dm9,   &chord_g13,  &chord_cmaj9,
                               &chord_fmaj7, &chord_bm7b5, &chord_e7b9, &chord_am7};
    constexpr const char* octave_bass =
        "A1/1! -/1 A2/1 -/1 A1/1 -/1 A2/1 A1/1 -/1 A1/1 A2/1 -/1 A1/1 -/1 A2/1 A1/1";
    constexpr const char* octave_stop =
        "A1/1! -/1 A2/1 -/1 A1/1 -/1 A2/1 A1/1 -/1 A1/1 A2/1 -/1 A1/1 -/3";
    constexpr int comp_steps[5] = {0, 3, 6, 10, 13};
    constexpr const char* vibes_lines[4] = {
        "E5/2 F5/2 A5/4! G5/2 E5/2 C5/4",
        "D5/2 F5/2 A5/4! B5/2 A5/2 F5/2",
        "G#5/3 B5/3 D6/2! B5/4 G#5/4",
        "A5/6! E5/2 G5/4 A5/4",
    };

    // Inside the lift it is already going: the first chord as the scene
    // fades in, a clap pickup into the bar.
    play_chord(epiano_patch, to(lift, 0, 0.3f), lift_start, 8 * g.step_ms, chord_am7, 0.8f);
    for (int s = 12; s < 16; s++)
        clap(to(lift, -0.08f, 0.25f), at(g, -1, s), 0.3f + 0.1f * (s - 12));
    for (int b = 0; b < 8; b++) {
        const Chord& c = *changes[b];
        // Bar 5 stops short for the doors closing on the turnaround.
        const DrumBar& drums = b == 5 ? house_stop_bar : b % 4 == 3 ? house_fill_bar : house_bar;
        play_drums(lift, g, b, drums, 0.95f);
        play_line(funk_bass_patch, to(lift, 0, 0.03f), g, b, b == 5 ? octave_stop : octave_bass,
                  0.95f, c.root - 33);
        for (int s : comp_steps)
            play_chord(epiano_patch, to(lift, 0, 0.3f), at(g, b, s), 2 * g.step_ms, c,
                       s == 0 ? 0.9f : 0.7f);
        if (b >= 4)
            play_line(vibes_patch, to(lift, 0.2f, 0.4f), g, b, vibes_lines[b - 4], 1.0f, 0, 3);
    }
    // The last bar turns back to E for the tunnel.
    play_chord(epiano_patch, to(lift, 0, 0.4f), at(g, 8, 0), 8 * g.step_ms, chord_e7b9, 0.8f);
    tone(funk_bass_patch, to(lift, 0, 0.03f), at(g, 8, 0), 6 * g.step_ms, chord_e7b9.root, 0.9f);
    snare_roll(lift, at(g, 8, 4), tunnel_start, g.step_ms / 2, 0.3f, 0.7f);

    // Outside the doors: the chime as they open, a hush as they close. Inside,
    // a crash on each door time and a tom as each pair starts to close.
    for (double t : {double(doors_open_start), double(credit_doors_open_start)})
        tone(bell_patch, to(show, 0.2f, 0.4f), t, 400, 88, 0.9f);
    for (double t : {double(doors_open_start), double(credit_doors_open_start),
                     double(credit_doors_close_start)})
        crash(to(lift, 0, 0.3f), t, 0.8f);
    tom(to(lift, 0.3f, 0.2f), doors_close_start, 0.8f, 110);
    tom(to(lift, 0.3f, 0.2f), credit_doors_close_start, 0.8f, 82);
    noise_band(to(show, 0, 0.2f), doors_close_start, doors_close_start + doors_move_ms, 2500, 500,
               0.05f, 0.0f);
    noise_band(to(show, 0, 0.2f), credit_doors_close_start,
               credit_doors_close_start + credit_doors_move_ms, 2500, 500, 0.05f, 0.0f);
}

static const Chord& tunnel_chord(int bar)
{
    constexpr const Chord* chords[8] = {&chord_am, &chord_am, &chord_f, &chord_f,
                                        &chord_c,  &chord_g,  &chord_f, &chord_e};
    return *chords[bar];
}

static void tunnel_music(Mix& mix)
{
    const Grid& g = tunnel_grid;
    constexpr const char* reese_line = "A1/10! A1/2 E2/4~";
    impact(mix, tunnel_start, 1.0f);
    for (int b = 0; b < 8; b++) {
        const Chord& c = tunnel_chord(b);
        const DrumBar& drums = b == 7 ? two_step_fill_bar : b % 2 ? two_step_b_bar : two_step_bar;
        play_drums(mix, g, b, drums, 1.0f);
        play_line(reese_patch, to(mix, 0, 0.05f), g, b, reese_line, 1.0f, c.root - 33);
        play_chord(string_patch, to(mix, 0, 0.5f), at(g, b, 0), 16 * g.step_ms, c, 0.8f);
        if (b >= 2)
            arpeggio(mix, g, b, c, 0.55f + 0.06f * b);
    }
    // The credits slide in over a second; the arpeggio starts as they land.
    noise_band(to(mix, 0, 0.3f), tunnel_credit_start, at(g, 2, 0), 700, 8000, 0.0f, 0.1f);
    crash(to(mix, 0, 0.3f), at(g, 2, 0), 0.8f);
    crash(to(mix, 0, 0.3f), at(g, 4, 0), 0.7f);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 4, "E5/6 G5/6 C6/4!", 0.8f, 0, 3);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 5, "B5/6 D6/6 B5/4", 0.8f, 0, 3);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 6, "C6/6 A5/6 F5/4", 0.8f, 0, 3);
    play_line(lead_patch, to(mix, 0.1f, 0.35f), g, 7, "G#5/8! B5/8", 0.8f, 0, 3);
    snare_roll(mix, at(g, 7, 8), finale_start, g.step_ms / 2, 0.4f, 1.0f);
    riser(mix, at(g, 6, 0), finale_start, 0.11f);
}

static const Chord& finale_chord(int bar, int step)
{
    constexpr const Chord* chords[11] = {&chord_am, &chord_f, &chord_c, &chord_g,
                                         &chord_am, &chord_f, &chord_g, &chord_e,
                                         &chord_am, &chord_f, &chord_am};
    if (bar == 9 && step >= 8)
        return chord_g;
    return *chords[std::clamp(bar, 0, 10)];
}

static void finale_music(Mix& mix)
{
    const Grid& g = finale_grid;
    constexpr const char* finale_lines[10] = {
        hook[0],
        hook[1],
        hook[2],
        hook[3],
        hook[0],
        hook[1],
        hook_turn,
        "E5/4 G#5/4! B5/4 E6/4",
        "A5/3 C6/3 E6/2! A5/3 G5/2 E5/3",
        "F5/3 E5/3 C5/2! D5/4 B4/4",
    };
    impact(mix, finale_start, 1.0f);
    for (int b = 0; b < 10; b++) {
        const Chord& c = finale_chord(b, 0);
        crash(to(mix, 0, 0.3f), at(g, b, 0), b % 4 == 0 ? 0.9f : 0.5f);
        play_drums(mix, g, b, b % 4 == 3 || b == 9 ? trance_fill_bar : trance_bar, 1.0f);
        rolling_bass(mix, g, b, c.root, 1.0f, 0, b == 9 ? 8 : 16);
        if (b == 9)
            rolling_bass(mix, g, b, chord_g.root, 1.0f, 8, 16);
        play_chord(pad_patch, to(mix, 0, 0.4f), at(g, b, 0), (b == 9 ? 8 : 16) * g.step_ms, c,
                   0.9f);
        if (b == 9)
            play_chord(pad_patch, to(mix, 0, 0.4f), at(g, 9, 8), 8 * g.step_ms, chord_g, 0.9f);
        play_line(lead_patch, to(mix, 0.1f, 0.3f), g, b, finale_lines[b], 1.0f, 0, 3);
        arpeggio(mix, g, b, c, 0.6f);
    }
    // A stab on every effect change.
    for (uint32_t t = finale_start + finale_switch_ms; t < finale_fade_start;
         t += finale_switch_ms) {
        const int step = int((t - g.origin_ms) / g.step_ms);
        play_chord(stab_patch, to(mix, 0, 0.35f), t, 1.5 * g.step_ms,
                   finale_chord(step / 16, step % 16), 0.8f);
    }
    // The last chord rings into the fade.
    const double end = finale_fade_start;
    impact(mix, end, 0.9f);
    play_chord(pad_patch, to(mix, 0, 0.5f), end, finale_fade_ms, chord_am, 1.0f);
    play_chord(stab_patch, to(mix, 0, 0.5f), end, 2 * g.step_ms, chord_am, 1.0f);
    tone(sub_patch, to(mix, 0, 0), end, finale_fade_ms, chord_am.root + 12, 1.0f);
    tone(lead_patch, to(mix, 0.1f, 0.5f), end, finale_fade_ms, 81, 0.9f);
}

// ---- the whole track ------------------------------------------------------

// How the doors let the lift's music out: a low-pass from a muffle when shut
// to the open air at the credit screen's full opening, and a little level.
constexpr float door_shut_hz = 320;
constexpr float door_open_hz = 16000;

void play_score(Mix& show)
{
    Mix lift;
    mix_make(lift, int64_t(show.left.size()));
    title_music(show);
    dance_music(show);
    deform_music(show);
    greetings_music(show);
    lift_music(show, lift);
    tunnel_music(show);
    finale_music(show);

    add_hall(show, 0, 0.84f, 0.3f, 1.0f);
    add_hall(lift, lift_start, 0.7f, 0.4f, 0.8f);

    const int64_t from = frame_at(lift_start);
    const int64_t frames = int64_t(show.left.size());
    std::vector<float> cutoff(frames - from), level(frames - from);
    for (int64_t n = from; n < frames; n++) {
        const double ms = n * 1000.0 / sample_rate;
        const double open =
            std::sqrt(std::clamp(door_opening(ms) / credit_doors_half_width, 0.0, 1.0));
        cutoff[n - from] = float(door_shut_hz * std::pow(door_open_hz / door_shut_hz, open));
        level[n - from] = float(0.55 + 0.45 * open);
    }
    lowpass_span(lift, from, frames, cutoff);
    for (int64_t n = from; n < frames; n++) {
        show.left[n] += lift.left[n] * level[n - from];
        show.right[n] += lift.right[n] * level[n - from];
    }

    // The finale's fade to black is a fade to silence, on the same curve.
    const int64_t fade_from = frame_at(finale_fade_start);
    const int64_t fade_to = frame_at(finale_fade_start + finale_fade_ms);
    for (int64_t n = fade_from; n < frames; n++) {
        float gain = 0;
        if (n < fade_to) {
            const float x = float(n - fade_from) / float(fade_to - fade_from);
            const float s = x * x * (3 - 2 * x);
            gain = (1 - s) * (1 - s);
        }
        show.left[n] *= gain;
        show.right[n] *= gain;
    }
}
