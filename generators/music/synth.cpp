#include "generators/music/synth.h"

#include <algorithm>
#include <cmath>
#include <deque>

constexpr double two_pi = 6.283185307179586;
constexpr int sine_size = 4096;    // a power of two: phases wrap with a mask
constexpr int control_every = 32;  // samples between pitch and filter updates

static float sine_table[sine_size + 1];
static uint32_t noise_state = 0x9E3779B9u;  // own generator: the same track on every build

static float noise()
{
    // xorshift32: one call per sample, in the fixed order the score plays its notes.
    noise_state ^= noise_state << 13;
    noise_state ^= noise_state >> 17;
    noise_state ^= noise_state << 5;
    return float(int32_t(noise_state)) * (1.0f / 2147483648.0f);
}

static float sine(double phase)
{
    // Phase in cycles; linear interpolation between table points.
    // Phase wrapped into [0, 1) without floor(), which is a libm call here.
    double w = phase - double(int64_t(phase));
    if (w < 0)
        w += 1.0;
    const double p = w * sine_size;
    const int i = int(p);
    const float f = float(p - i);
    return sine_table[i] + (sine_table[i + 1] - sine_table[i]) * f;
}

// Correction of a naive saw or square step at its discontinuity (polyBLEP),
// so high notes do not alias into a hiss of mirrored partials.
static float blep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

static float soft_clip(float x)
{
    // Rational tanh, exact enough inside +-3 and flat outside.
    if (x > 3.0f)
        return 1.0f;
    if (x < -3.0f)
        return -1.0f;
    const float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

// Topology-preserving state-variable filter: stable while its cutoff moves.
struct Svf {
    float ic1, ic2;
    float a1, a2, a3, k;
};

static void svf_set(Svf& f, float hz, float resonance)
{
    hz = std::clamp(hz, 20.0f, 0.45f * sample_rate);
    const float g = std::tan(float(M_PI) * hz / sample_rate);
    f.k = 2.0f - 2.0f * resonance;
    f.a1 = 1.0f / (1.0f + g * (g + f.k));
    f.a2 = g * f.a1;
    f.a3 = g * f.a2;
}

// One sample through the filter; band-pass into *band, high-pass into *high.
static float svf_low(Svf& f, float x, float* band = nullptr, float* high = nullptr)
{
    const float v3 = x - f.ic2;
    const float v1 = f.a1 * f.ic1 + f.a2 * v3;
    const float v2 = f.ic2 + f.a2 * f.ic1 + f.a3 * v3;
    f.ic1 = 2.0f * v1 - f.ic1;
    f.ic2 = 2.0f * v2 - f.ic2;
    if (band)
        *band = v1;
    if (high)
        *high = x - f.k * v1 - v2;
    return v2;
}

static void pan_gains(float pan, float* gl, float* gr)
{
    const float a = (pan + 1.0f) * float(M_PI) / 4.0f;
    *gl = std::cos(a);
    *gr = std::sin(a);
}

int64_t frame_at(double ms)
{
    return int64_t(std::llround(ms * sample_rate / 1000.0));
}

void mix_make(Mix& mix, int64_t frames)
{
    // Every voice plays into a mix, so the first mix builds the sine table.
    if (sine_table[sine_size / 4] == 0.0f)
        for (int i = 0; i <= sine_size; i++)
            sine_table[i] = float(std::sin(two_pi * i / sine_size));
    mix.left.assign(frames, 0.0f);
    mix.right.assign(frames, 0.0f);
    mix.send.assign(frames, 0.0f);
}

// The frames [start, end) of a voice clipped to the mix.
static int64_t clip_end(const Mix& mix, int64_t end)
{
    return std::min<int64_t>(end, int64_t(mix.left.size()));
}

static double midi_hz(double midi)
{
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

void tone(const Patch& p, Out out, double start_ms, double length_ms, double midi, float velocity,
          double slide_from)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t gate = std::max<int64_t>(1, frame_at(length_ms));
    const float release = std::max(p.release, 0.004f);
    // The release falls toward a little below zero and the note ends where it
    // crosses: a clean end after about 4.6 release times, no long tail.
    const int64_t end = clip_end(mix, start + gate + int64_t(release * sample_rate * 5));
    if (start < 0 || start >= end)
        return;

    const double hz = midi_hz(midi);
    const int unison = std::clamp(p.unison, 1, 8);
    float phase[8], ratio[8];
    for (int i = 0; i < unison; i++) {
        // Stacked voices start anywhere so the stack does not click in phase;
        // a single voice starts at zero so its attack is the same every note.
        phase[i] = unison > 1 ? 0.5f * (noise() + 1.0f) : 0.0f;
        const double spread = unison > 1 ? p.detune * (2.0 * i / (unison - 1) - 1.0) : 0.0;
        ratio[i] = float(std::pow(2.0, spread / 12.0));
    }
    const float stack_gain = 1.0f / std::sqrt(float(unison));
    const float dc = 2.0f * p.pulse_width - 1.0f;
    double sine_phase = 0, fm_phase = 0, vibrato_phase = 0;

    const float attack_step = 1.0f / std::max(1.0f, p.attack * sample_rate);
    const float decay_mul = std::exp(-1.0f / (std::max(p.decay, 0.001f) * sample_rate));
    const float release_mul = std::exp(-1.0f / (release * sample_rate));
    constexpr float release_floor = -0.01f;
    float level = 0;
    bool attacking = true;

    Svf filter{};
    const bool filtered = p.cutoff > 0;
    const float key = filtered ? float(std::pow(hz / 261.63, p.key_track)) : 1.0f;
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    const float amp = p.gain * velocity;

    float dt = 0, fm_index = 0, vibrato = 0;
    for (int64_t n = start; n < end; n++) {
        const int64_t age = n - start;
        if (age % control_every == 0) {
            const double secs = double(age) / sample_rate;
            double f = hz;
            if (slide_from != 0 && secs < 0.06)
                f *= std::pow(2.0, (slide_from - midi) / 12.0 * (1.0 - secs / 0.06));
            vibrato = p.vibrato * float(std::min(1.0, secs * 3.0));
            dt = float(f / sample_rate);
            fm_index = p.fm_index * float(std::exp(-secs / std::max(p.fm_decay, 0.001f)));
            if (filtered) {
                const float env = float(std::exp(-secs / std::max(p.filter_decay, 0.001f)));
                svf_set(filter, (p.cutoff + p.env_cutoff * velocity * env) * key, p.resonance);
            }
        }
        float step = dt;
        if (vibrato != 0) {
            // A small linear pitch factor: the depths stay well under a semitone.
            vibrato_phase += p.vibrato_rate / double(sample_rate);
            step *= 1.0f + vibrato * 0.05776f * sine(vibrato_phase);
        }

        float x = 0;
        if (p.saw != 0 || p.square != 0) {
            float saws = 0, squares = 0;
            for (int i = 0; i < unison; i++) {
                const float d = step * ratio[i];
                float t = phase[i] + d;
                if (t >= 1.0f)
                    t -= 1.0f;
                phase[i] = t;
                saws += 2.0f * t - 1.0f - blep(t, d);
                if (p.square != 0) {
                    float q = t < p.pulse_width ? 1.0f : -1.0f;
                    float u = t + 1.0f - p.pulse_width;
                    if (u >= 1.0f)
                        u -= 1.0f;
                    // A narrow pulse sits off centre: take its mean (2w - 1)
                    // away so the bass does not push the mix off zero.
                    q += blep(t, d) - blep(u, d) - dc;
                    squares += q;
                }
            }
            x += (p.saw * saws + p.square * squares) * stack_gain;
        }
        if (p.sine != 0) {
            fm_phase += step * p.fm_ratio;
            const double mod = fm_index != 0 ? fm_index * sine(fm_phase) / two_pi : 0.0;
            sine_phase += step;
            x += p.sine * sine(sine_phase + mod);
        }
        if (filtered)
            x = svf_low(filter, x);

        if (age < gate) {
            if (attacking) {
                level += attack_step;
                if (level >= 1.0f) {
                    level = 1.0f;
                    attacking = false;
                }
            } else {
                level = p.sustain + (level - p.sustain) * decay_mul;
            }
        } else {
            level = release_floor + (level - release_floor) * release_mul;
            if (level <= 0)
                break;
        }
        x *= level * amp;
        mix.left[n] += x * gl;
        mix.right[n] += x * gr;
        mix.send[n] += x * out.send;
    }
}

// The shared tail of every drum: one mono sample into the mix.
static void put(Mix& mix, int64_t n, float x, float gl, float gr, float send)
{
    mix.left[n] += x * gl;
    mix.right[n] += x * gr;
    mix.send[n] += x * send;
}

void kick(Out out, double start_ms, float velocity, float decay_s, float low_hz)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + int64_t(decay_s * 5 * sample_rate));
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    const float decay_mul = std::exp(-1.0f / (decay_s * sample_rate));
    const float sweep_mul = std::exp(-1.0f / (0.028f * sample_rate));
    const float click_mul = std::exp(-1.0f / (0.004f * sample_rate));
    float env = 1, sweep = 1, click = 1;
    double phase = 0;
    for (int64_t n = start; n < end; n++) {
        // Pitch falls from 260 Hz to the body's own in a few tens of ms: the
        // thump, with a click of noise on top so it cuts through a full mix.
        phase += (low_hz + (260.0f - low_hz) * sweep) / sample_rate;
        const float body = sine(phase) + 0.7f * click * noise();
        const float fade_in = std::min(1.0f, float(n - start) / 44.0f);
        const float x = soft_clip(1.2f * body * env) * fade_in * 0.55f * velocity;
        put(mix, n, x, gl, gr, out.send);
        env *= decay_mul;
        sweep *= sweep_mul;
        click *= click_mul;
    }
}

void snare(Out out, double start_ms, float velocity)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + sample_rate * 6 / 10);
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    Svf band{};
    svf_set(band, 3200, 0.2f);
    const float body_mul = std::exp(-1.0f / (0.045f * sample_rate));
    const float noise_mul = std::exp(-1.0f / (0.12f * sample_rate));
    float body_env = 1, noise_env = 1;
    double phase = 0;
    for (int64_t n = start; n < end; n++) {
        phase += (185.0 + 90.0 * body_env) / sample_rate;
        float bp, hp;
        svf_low(band, noise(), &bp, &hp);
        const float x = 0.55f * body_env * sine(phase) + noise_env * (0.6f * bp + 0.35f * hp);
        put(mix, n, x * 0.6f * velocity, gl, gr, out.send);
        body_env *= body_mul;
        noise_env *= noise_mul;
    }
}

void clap(Out out, double start_ms, float velocity)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + sample_rate / 2);
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    Svf band{};
    svf_set(band, 1300, 0.45f);
    const int64_t burst = sample_rate / 100;  // hands 10 ms apart
    const float burst_mul = std::exp(-1.0f / (0.004f * sample_rate));
    const float tail_mul = std::exp(-1.0f / (0.11f * sample_rate));
    float env = 1;
    for (int64_t n = start; n < end; n++) {
        const int64_t age = n - start;
        if (age < 3 * burst && age % burst == 0)
            env = 1;
        float bp;
        svf_low(band, noise(), &bp);
        put(mix, n, 1.5f * bp * env * velocity, gl, gr, out.send);
        env *= age < 3 * burst ? burst_mul : tail_mul;
    }
}

// Six detuned squares: the metallic ring under hats and cymbals.
constexpr float metal_hz[6] = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};

void hat(Out out, double start_ms, float velocity, float decay_s)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + int64_t(decay_s * 6 * sample_rate));
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    Svf high{};
    svf_set(high, 7500, 0.1f);
    const float mul = std::exp(-1.0f / (decay_s * sample_rate));
    float env = 1;
    float phase[6] = {};
    for (int64_t n = start; n < end; n++) {
        float metal = 0;
        for (int i = 0; i < 6; i++) {
            phase[i] += metal_hz[i] * 2.17f / sample_rate;
            if (phase[i] >= 1.0f)
                phase[i] -= 1.0f;
            metal += phase[i] < 0.5f ? 1.0f : -1.0f;
        }
        float hp;
        svf_low(high, 0.08f * metal + 0.7f * noise(), nullptr, &hp);
        const float fade_in = std::min(1.0f, float(n - start) / 22.0f);
        put(mix, n, hp * env * fade_in * 0.3f * velocity, gl, gr, out.send);
        env *= mul;
    }
}

void crash(Out out, double start_ms, float velocity)
{
    // Left and right from their own noise: the cymbal fills the width.
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + sample_rate * 4);
    Svf high_l{}, high_r{};
    svf_set(high_l, 4200, 0.15f);
    svf_set(high_r, 4400, 0.15f);
    const float mul = std::exp(-1.0f / (0.9f * sample_rate));
    const float shimmer_mul = std::exp(-1.0f / (0.08f * sample_rate));
    float env = 1, shimmer = 1;
    float phase[6] = {};
    for (int64_t n = start; n < end; n++) {
        float metal = 0;
        for (int i = 0; i < 6; i++) {
            phase[i] += metal_hz[i] * 3.1f / sample_rate;
            if (phase[i] >= 1.0f)
                phase[i] -= 1.0f;
            metal += phase[i] < 0.5f ? 1.0f : -1.0f;
        }
        float hl, hr;
        svf_low(high_l, noise() + 0.06f * metal, nullptr, &hl);
        svf_low(high_r, noise() + 0.06f * metal, nullptr, &hr);
        const float fade_in = std::min(1.0f, float(n - start) / 44.0f);
        const float g = (env * 0.2f + shimmer * 0.15f) * fade_in * velocity;
        mix.left[n] += hl * g;
        mix.right[n] += hr * g;
        mix.send[n] += 0.5f * (hl + hr) * g * out.send;
        env *= mul;
        shimmer *= shimmer_mul;
    }
}

void tom(Out out, double start_ms, float velocity, float hz)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + sample_rate);
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    const float mul = std::exp(-1.0f / (0.2f * sample_rate));
    const float bend_mul = std::exp(-1.0f / (0.05f * sample_rate));
    float env = 1, bend = 1;
    double phase = 0;
    for (int64_t n = start; n < end; n++) {
        phase += hz * (1.0f + 0.5f * bend) / sample_rate;
        const float fade_in = std::min(1.0f, float(n - start) / 44.0f);
        const float x = (sine(phase) + 0.15f * bend * noise()) * env * fade_in;
        put(mix, n, soft_clip(1.4f * x) * 0.7f * velocity, gl, gr, out.send);
        env *= mul;
        bend *= bend_mul;
    }
}

void shaker(Out out, double start_ms, float velocity)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(start_ms);
    const int64_t end = clip_end(mix, start + sample_rate / 6);
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    Svf high{};
    svf_set(high, 6000, 0.3f);
    const int64_t rise = sample_rate / 200;
    const float mul = std::exp(-1.0f / (0.028f * sample_rate));
    float env = 1;
    for (int64_t n = start; n < end; n++) {
        float hp;
        svf_low(high, noise(), nullptr, &hp);
        const int64_t age = n - start;
        const float shape = age < rise ? float(age) / rise : env;
        if (age >= rise)
            env *= mul;
        put(mix, n, hp * shape * 0.3f * velocity, gl, gr, out.send);
    }
}

void noise_band(Out out, double from_ms, double to_ms, float hz_from, float hz_to, float level_from,
                float level_to)
{
    Mix& mix = *out.mix;
    const int64_t start = frame_at(from_ms);
    const int64_t end = clip_end(mix, frame_at(to_ms));
    if (start >= end)
        return;
    Svf left{}, right{};
    const double span = double(frame_at(to_ms) - start);
    const double octaves = std::log2(double(hz_to) / hz_from);
    float gl, gr;
    pan_gains(out.pan, &gl, &gr);
    for (int64_t n = start; n < end; n++) {
        const double u = (n - start) / span;
        if ((n - start) % control_every == 0) {
            const float hz = float(hz_from * std::exp2(octaves * u));
            svf_set(left, hz, 0.55f);
            svf_set(right, hz * 1.03f, 0.55f);
        }
        const float level = float(level_from + (level_to - level_from) * u);
        float bl, br;
        svf_low(left, noise(), &bl);
        svf_low(right, noise(), &br);
        // The two sides are independent noise: wide like a real sweep, and the
        // pan only leans it.
        mix.left[n] += bl * level * gl * 1.41f;
        mix.right[n] += br * level * gr * 1.41f;
        mix.send[n] += 0.5f * (bl + br) * level * out.send;
    }
}

// Freeverb's comb and all-pass lengths at 44.1 kHz; the right side is spread
// by a few samples so the two sides decorrelate.
constexpr int comb_lengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int allpass_lengths[4] = {556, 441, 341, 225};
constexpr int stereo_spread = 23;

struct Comb {
    std::vector<float> buffer;
    int pos;
    float store;
};

struct Allpass {
    std::vector<float> buffer;
    int pos;
};

static float comb_step(Comb& c, float x, float feedback, float damp)
{
    const float y = c.buffer[c.pos];
    c.store = y * (1.0f - damp) + c.store * damp;
    c.buffer[c.pos] = x + c.store * feedback;
    if (++c.pos == int(c.buffer.size()))
        c.pos = 0;
    return y;
}

static float allpass_step(Allpass& a, float x)
{
    const float y = a.buffer[a.pos];
    a.buffer[a.pos] = x + y * 0.5f;
    if (++a.pos == int(a.buffer.size()))
        a.pos = 0;
    return y - x;
}

void add_hall(Mix& mix, double from_ms, float room, float damp, float level)
{
    Comb combs[2][8];
    Allpass allpasses[2][4];
    for (int side = 0; side < 2; side++) {
        for (int i = 0; i < 8; i++)
            combs[side][i] = {std::vector<float>(comb_lengths[i] + side * stereo_spread), 0, 0};
        for (int i = 0; i < 4; i++)
            allpasses[side][i] = {std::vector<float>(allpass_lengths[i] + side * stereo_spread), 0};
    }
    const int64_t end = int64_t(mix.left.size());
    float* outs[2] = {mix.left.data(), mix.right.data()};
    for (int64_t n = std::max<int64_t>(0, frame_at(from_ms)); n < end; n++) {
        const float x = mix.send[n] * 0.015f;
        for (int side = 0; side < 2; side++) {
            float y = 0;
            for (Comb& c : combs[side])
                y += comb_step(c, x, room, damp);
            for (Allpass& a : allpasses[side])
                y = allpass_step(a, y);
            outs[side][n] += y * level;
        }
    }
}

void lowpass_span(Mix& mix, int64_t from, int64_t to, const std::vector<float>& cutoff_hz)
{
    to = std::min<int64_t>(to, int64_t(mix.left.size()));
    Svf left{}, right{};
    for (int64_t n = std::max<int64_t>(from, 0); n < to; n++) {
        const float hz = cutoff_hz[n - from];
        svf_set(left, hz, 0.3f);  // k = 1.4: the flat Butterworth shape
        svf_set(right, hz, 0.3f);
        mix.left[n] = svf_low(left, mix.left[n]);
        mix.right[n] = svf_low(right, mix.right[n]);
    }
}

void limit(Mix& mix, float ceiling)
{
    const int64_t frames = int64_t(mix.left.size());
    const int64_t look = sample_rate / 200;  // 5 ms ahead
    std::vector<float> target(frames);
    for (int64_t n = 0; n < frames; n++) {
        const float peak = std::max(std::fabs(mix.left[n]), std::fabs(mix.right[n]));
        target[n] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Gain for sample n: the least target over the next `look` samples (a
    // sliding-window minimum), released slowly, then averaged over the
    // previous `look` samples. Every value in that average is at most the
    // target of n itself, so the limit holds without a hard edge.
    // Held in double: in float the last steps of the release round away and
    // the gain would stall just short of 1 for the rest of the track.
    const double release = 1.0 - std::exp(-1.0 / (0.08 * sample_rate));
    std::deque<int64_t> window;
    std::vector<float> gain(frames);
    double held = 1.0;
    for (int64_t n = 0; n < frames; n++) {
        const int64_t last = std::min(n + look - 1, frames - 1);
        if (n == 0)
            for (int64_t k = 0; k < last; k++) {
                while (!window.empty() && target[window.back()] >= target[k])
                    window.pop_back();
                window.push_back(k);
            }
        while (!window.empty() && target[window.back()] >= target[last])
            window.pop_back();
        window.push_back(last);
        while (window.front() < n)
            window.pop_front();
        held = std::min(double(target[window.front()]), held + (1.0 - held) * release);
        gain[n] = float(held);
    }
    double sum = 0;
    for (int64_t n = 0; n < frames; n++) {
        sum += gain[n] - (n >= look ? gain[n - look] : 1.0f);
        const float g = std::min(float(sum / look + 1.0), target[n]);
        mix.left[n] *= g;
        mix.right[n] *= g;
    }
}
