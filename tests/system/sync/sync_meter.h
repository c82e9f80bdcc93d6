// The sync meter: how far the music a listener hears lies from the picture a
// viewer sees, measured live on one monotonic clock (CLOCK_MONOTONIC).
//
// The picture: a corner of the show's picture on the X screen (free of
// sprites and text in the dance), grabbed every 4 ms with XShm, each grab
// timestamped; five times a second a still of the scroller's band. The sound:
// the PulseAudio sink's monitor, each sample placed on the clock by the record
// stream's latency as PulseAudio reports it, sign and all (a null sink hands
// its monitor samples before it plays them).
//
// The picture read: a white rise in the corner is a flash of the dance. Its
// steepest frame gives the demo time it was drawn for exactly: the flash's
// alpha curve (flash_alpha) inverted from how far that frame has gone from the
// level before the flash to white; it appeared between the grab before it and
// its own. Which flash it is comes from the stills: the scroll text's place
// is a function of demo time alone, matched against the capture tool's frames
// it gives the picture's demo time to a few tens of ms, well within the
// 250 ms between flashes. So each flash yields a point: when it was seen, and
// the demo time it shows.
//
// The sound read: at that moment, where the recording lies in the decoded
// music, by cross-correlation (heard_position, track_match and flash_match
// below say how far it looks): from the music's own content, so a sound a
// whole beat or a bar late reads as such, not as 0.
//
// The offset is the picture's demo time less the music's heard position at
// the same moment: positive when the sound comes after the picture. The
// capture tool's frames shown at their own demo times beside the music read
// as 0 (sync_meter_test); a program that follows PulseAudio's own latency
// reports reads as 0 live (varno-sync-beacon). VARNO_SYNC_DEBUG=1 prints each
// still's match, each rise and each second of the music's track as read.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// CLOCK_MONOTONIC in milliseconds.
double monotonic_ms();

// Where the show's 320x240 picture lies on the X screen: its top-left corner
// and how many screen pixels one picture pixel takes.
struct PictureArea {
    int x = 0, y = 0;
    double scale = 1;
};

// The picture's corner and stills and the sound, as recorded.
struct CornerGrab {
    double t;      // the grab's midpoint, ms
    double span;   // how long the grab took, ms
    double level;  // the corner's mean of R, G and B, 0..255
};
// The scroller's band along the bottom, every second picture pixel: the scroll
// text's place there is a function of demo time alone, and never repeats.
constexpr int still_width = 160, still_height = 11, still_top = 218;
// Picture pixel of a still's pixel (i, j).
constexpr int still_x(int i)
{
    return 2 * i + 1;
}
constexpr int still_y(int j)
{
    return still_top + 2 * j;
}
struct Still {
    double t;
    std::vector<uint8_t> grey;  // still_width x still_height, (R + G + B) / 3
};
struct PictureTrack {
    std::vector<CornerGrab> corner;
    std::vector<Still> stills;
};
struct SoundTrack {
    int rate = 0;
    double t0 = 0;            // monotonic ms of sample 0
    double t0_spread = 0;     // half the range of the per-read estimates of t0 (middle half)
    std::vector<float> mono;  // (left + right) / 2
};

// Grabs the picture from display_name until `until` (monotonic ms). False
// (with *error) if the display or XShm cannot be had.
bool record_picture(const std::string& display_name, const PictureArea& area, double until,
                    PictureTrack* track, std::string* error);
// Records the sink's monitor `source` at `rate` (stereo) until `until`
// (monotonic ms, which may be moved while it records), and sets `flowing`
// once the first sound is in; the server from PULSE_SERVER.
bool record_sound(const std::string& source, int rate, const std::atomic<double>& until,
                  std::atomic<bool>& flowing, SoundTrack* track, std::string* error);

// The capture tool's frames as stills: raw 320x240 0x00RRGGBB frames at fps,
// the first one shown at demo time `from`.
struct References {
    double from = 0, step = 0;
    std::vector<std::vector<uint8_t>> edges;  // edges_of each frame's still
};
bool read_references(FILE* raw, double from, double fps, References* refs);
// The capture tool's frames from `from` to `to` (demo ms), at 50 a second.
bool capture_references(const std::string& capture_tool, uint32_t from, uint32_t to,
                        References* refs);
// The show's picture in the window whose title begins with `title` (a
// browser adds its name), once it is mapped: enlarged by whole steps and
// centred, as the program and the page lay it out.
bool find_picture(const std::string& display_name, const char* title, PictureArea* area);
// The corner's level in a raw frame (320x240 words 0x00RRGGBB), as
// record_picture reads it from the screen.
double corner_level(const uint32_t* frame);
// The still of a raw frame (320x240 words 0x00RRGGBB).
std::vector<uint8_t> still_of_frame(const uint32_t* frame);

// Where a still changes sharply: 1 where the next pixel to the right differs
// by more than edge_step.
constexpr int edge_step = 40;
std::vector<uint8_t> edges_of(const std::vector<uint8_t>& still);
// The demo time a still shows, by the reference whose edges agree best with
// its own (the share of edge pixels both have), and 1 less that share.
double match_still(const std::vector<uint8_t>& still, const References& refs, double* error);

// A flash as seen: when it was first seen, which flash (its demo time T), and
// the demo time of the frame that showed it there.
struct FlashSeen {
    uint32_t flash;
    double t;          // monotonic ms the frame appeared (between two grabs)
    double demo;       // demo time the frame was drawn for
    double certainty;  // half the time between the two grabs, ms
};
// The demo time after a flash at which the overlay reaches alpha, on the
// flash's rising half, from flash_alpha; alpha in 0..255.
double flash_rise_ms(double alpha);
// Every flash of `flashes` found in the corner, its rise read as above. The
// stills' matched times say roughly when each flash should have been seen.
std::vector<FlashSeen> find_flashes(const PictureTrack& picture, const References& refs,
                                    const std::vector<uint32_t>& flashes);

// Where a stretch of the recording lies in the music: the music position (ms)
// heard at monotonic time t, from the `window` ms of the recording around t
// matched against the music within guess +- search ms; *quality gets the
// normalised correlation of the best match and *runner_up that of the best
// match more than 20 ms away from it.
struct Match {
    double window, search;
};
double heard_position(const SoundTrack& sound, const std::vector<float>& music_mono, int music_rate,
                      double t, double guess, const Match& m, double* quality, double* runner_up);

// Placing the heard music, in two steps. First the track: a second of the
// recording every 250 ms matched within +-2.5 s of the picture's time; a
// second of this music does not repeat within that (its best match elsewhere
// stays under 0.85 of a clean one), where 400 ms may repeat a bar. Then each
// flash: 400 ms matched within +-60 ms of the lag (music position less
// monotonic time) the track found within 600 ms of it, a lag that moves only
// by the sound's gaps.
constexpr Match track_match = {1000, 2500};
constexpr Match flash_match = {400, 60};
constexpr double track_every_ms = 250;
constexpr double track_near_ms = 600;

// The offsets, one per flash seen, and their summary.
struct FlashOffset {
    FlashSeen seen;
    double heard;   // the music's position heard then, ms
    double offset;  // seen.demo - heard: sound after picture when positive
    double quality, runner_up;
    bool poor;  // a reading the meter cannot vouch for (poor_read)
};
// A flash read poorly: its frame's moment known only to more than
// poor_certainty_ms either way (the grabber itself was held up around the
// rise, as on a busy machine: two grabs far apart), or the music matched
// there with a correlation under poor_quality (a gap or a click in the
// recording). Its offset says more about the meter than about the show: it
// is printed, marked, and left out of the summary.
constexpr double poor_certainty_ms = 8;
constexpr double poor_quality = 0.8;
bool poor_read(const FlashOffset& f);
// The summary is of the flashes read well; `poor` counts the others.
struct SyncReport {
    std::vector<FlashOffset> flashes;
    double median = 0, min = 0, max = 0;
    int read_well = 0, poor = 0;
};
// Only the flashes seen from `after` to `before` (monotonic ms) count, read
// from the music recorded in that span alone (a stop between moves the lag).
SyncReport measure_offsets(const PictureTrack& picture, const SoundTrack& sound,
                           const References& refs, const std::vector<float>& music_mono,
                           int music_rate, const std::vector<uint32_t>& flashes, double after = 0,
                           double before = 1e300);
// Prints the report, one line a flash and a summary line starting with label.
void print_report(const SyncReport& r, const char* label, FILE* out);

// The dance's flashes, one on every beat.
std::vector<uint32_t> dance_flashes();

// What every measurement reads: the capture tool's frames of the dance and
// the music, decoded and mixed down to one channel.
struct SyncInputs {
    References refs;
    std::vector<float> music;
    int rate = 0;
};
bool load_sync_inputs(const std::string& capture_tool, const char* music_path, SyncInputs* in);

// The picture and the sound recorded side by side for `ms`, from `start`:
// once the sound is in (the monitor's first samples have come 0.01 to 1.8 s
// after it was asked for), so that the whole clip has both. `started` is
// called at `start`, to time what is done to the program from there.
struct Recording {
    double start = 0;
    double sound_waited = 0;  // ms from asking for the sound to `start`; not saved
    PictureTrack picture;
    SoundTrack sound;
};
bool record_both(const std::string& display_name, const PictureArea& area,
                 const std::string& source, int rate, double ms, Recording* rec, std::string* error,
                 const std::function<void()>& started = {});

// A recording to a file and back, to be read again later (varno-sync --load).
bool save_recording(const Recording& rec, const std::string& path);
bool load_recording(const std::string& path, Recording* rec);
