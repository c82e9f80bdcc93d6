// The music generator's instruments: oscillators, envelopes, filters and a
// hall, rendering notes into whole-track mixes at demo-time positions.
#pragma once

#include <cstdint>
#include <vector>

constexpr int sample_rate = 44100;

// A stereo mix of the whole track, with a mono send into its own hall.
struct Mix {
    std::vector<float> left, right;
    std::vector<float> send;  // what the hall hears; added back by add_hall
};

// Where a voice goes: which mix, where in the stereo field, how much hall.
struct Out {
    Mix* mix;
    float pan;   // -1 left .. 1 right
    float send;  // share of the voice sent to the hall
};

// A melodic voice: oscillators into a resonant low-pass under an envelope.
// Times are in seconds, frequencies in Hz.
struct Patch {
    float saw = 0, square = 0, sine = 0;  // oscillator levels
    int unison = 1;                       // saws and squares stacked, 1 .. 8
    float detune = 0;                     // spread of the stack in semitones
    float pulse_width = 0.5f;             // of the square, 0 .. 1
    float attack = 0.002f, decay = 0.2f, sustain = 1, release = 0.05f;
    float cutoff = 0;           // low-pass base, 0 for none
    float env_cutoff = 0;       // added to the cutoff by the filter envelope, times velocity
    float filter_decay = 0.2f;  // of the filter envelope
    float resonance = 0;        // 0 .. 0.95
    float key_track = 0;        // 1: cutoff follows the pitch from middle C
    float fm_ratio = 1;         // modulator of the sine, as a multiple of its pitch
    float fm_index = 0;         // modulation depth at the note start
    float fm_decay = 1;         // of the modulation depth
    float vibrato = 0;          // depth in semitones, reached after a third of a second
    float vibrato_rate = 5;     // Hz
    float gain = 0.2f;
};

// Demo time in ms to a sample index.
int64_t frame_at(double ms);

// A silent mix long enough for the given number of frames.
void mix_make(Mix& mix, int64_t frames);

// One note of a patch; length_ms is the time to the release. When slide_from
// is non-zero the pitch glides from that note over the first 60 ms.
void tone(const Patch& patch, Out out, double start_ms, double length_ms, double midi,
          float velocity, double slide_from = 0);

// Drums and effects, each a single hit at start_ms.
void kick(Out out, double start_ms, float velocity, float decay_s = 0.32f, float low_hz = 46);
void snare(Out out, double start_ms, float velocity);
void clap(Out out, double start_ms, float velocity);
void hat(Out out, double start_ms, float velocity, float decay_s);
void crash(Out out, double start_ms, float velocity);
void tom(Out out, double start_ms, float velocity, float hz);
void shaker(Out out, double start_ms, float velocity);

// Band of noise whose centre glides from hz_from to hz_to while its level
// moves from level_from to level_to: static, risers, swooshes.
void noise_band(Out out, double from_ms, double to_ms, float hz_from, float hz_to, float level_from,
                float level_to);

// Adds the hall of the mix's send into the mix, from a demo time on.
void add_hall(Mix& mix, double from_ms, float room, float damp, float level);

// Two-pole low-pass over [from, to) of one mix, cutoff_hz giving a cutoff
// per sample of the span.
void lowpass_span(Mix& mix, int64_t from, int64_t to, const std::vector<float>& cutoff_hz);

// Look-ahead brick-wall limiter: no sample of the mix exceeds ceiling.
void limit(Mix& mix, float ceiling);
