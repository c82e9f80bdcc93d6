// Windows' mixer: the music decoded by stb_vorbis (platform/stb) and played
// through waveOut, which every Windows has (over WASAPI since Vista) and
// which fails cleanly where there is no sound device. (Not XAudio2: with no
// device it takes the process down under wine.)
//
// A thread of ours decodes the music a quarter of a second at a time, from
// where it is asked to play, and hands each piece to the device as it is
// decoded, two seconds ahead of what is heard: the music starts at once
// instead of after the whole file is decoded (a third of a second), and
// waveOut plays the queued pieces one after the other on its own.
#include <windows.h>
// After windows.h, whose types it uses:
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "platform/mixer.h"
#include "platform/ogg.h"
#include "platform/system.h"

struct MixerMusic {
    OggStream* stream;
    int channels, rate;
};

namespace {

constexpr int pieces_a_second = 4;
constexpr size_t pieces_ahead = 8;

struct Piece {
    WAVEHDR header;
    std::vector<int16_t> samples;
};

HWAVEOUT device;
int device_channels, device_rate;  // the format it was opened with
bool paused;

// What the feeding thread plays and has queued; the rest of the mixer touches
// them only while no thread feeds.
MixerMusic* playing;
std::deque<std::unique_ptr<Piece>> queued;
HANDLE feeder;
HANDLE stop_feeding;  // set: the feeding thread ends at once

// Where the music was started from: its frame, and the device's count of
// played samples then; and how many frames have been handed to the device
// since (the feeding thread adds to it).
size_t start_frame;
DWORD start_samples;
std::atomic<size_t> handed;
std::atomic<bool> fed_all;  // the music's end was reached: what is queued plays out

bool open_device(int channels, int rate)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(channels * 2);
    format.nAvgBytesPerSec = DWORD(rate) * format.nBlockAlign;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        device = nullptr;
        return false;
    }
    device_channels = channels;
    device_rate = rate;
    return true;
}

// Whether the device has played the piece and given it back (it sets the
// flag from a thread of its own).
bool played(const Piece& p)
{
    return (static_cast<const volatile DWORD&>(p.header.dwFlags) & WHDR_DONE) != 0;
}

// Gives the pieces the device has played back to us.
void release_played()
{
    while (!queued.empty() && played(*queued.front())) {
        waveOutUnprepareHeader(device, &queued.front()->header, sizeof(WAVEHDR));
        queued.pop_front();
    }
}

// The feeding thread: decodes the next piece whenever fewer than
// pieces_ahead wait to be heard, until the music ends or it is stopped.
DWORD WINAPI feed(void*)
{
    const size_t frames = size_t(playing->rate / pieces_a_second);
    for (;;) {
        release_played();
        if (queued.size() >= pieces_ahead) {
            if (WaitForSingleObject(stop_feeding, 1000 / pieces_a_second / 2) != WAIT_TIMEOUT)
                return 0;
            continue;
        }
        if (WaitForSingleObject(stop_feeding, 0) != WAIT_TIMEOUT)
            return 0;
        std::unique_ptr<Piece> p(new Piece{});
        p->samples.resize(frames * size_t(playing->channels));
        const size_t got = ogg_read(playing->stream, p->samples.data(), frames);
        if (got == 0) {
            fed_all = true;
            return 0;  // the end: what is queued plays out
        }
        WAVEHDR& h = p->header;
        h.lpData = reinterpret_cast<LPSTR>(p->samples.data());
        h.dwBufferLength = DWORD(got * size_t(playing->channels) * sizeof(int16_t));
        if (waveOutPrepareHeader(device, &h, sizeof h) != MMSYSERR_NOERROR)
            return 1;
        if (waveOutWrite(device, &h, sizeof h) != MMSYSERR_NOERROR) {
            waveOutUnprepareHeader(device, &h, sizeof h);
            return 1;
        }
        queued.push_back(std::move(p));
        handed += got;
    }
}

// The samples the device has played since it was opened or reset.
bool samples_played(DWORD* samples)
{
    MMTIME t = {};
    t.wType = TIME_SAMPLES;
    if (!device || waveOutGetPosition(device, &t, sizeof t) != MMSYSERR_NOERROR ||
        t.wType != TIME_SAMPLES)
        return false;
    *samples = t.u.sample;
    return true;
}

// Stops the music: the feeding thread ends, the device lets go of every piece.
void stop()
{
    if (feeder) {
        SetEvent(stop_feeding);
        WaitForSingleObject(feeder, INFINITE);
        CloseHandle(feeder);
        feeder = nullptr;
    }
    if (device && !queued.empty()) {
        waveOutReset(device);  // every piece comes back marked done
        release_played();
    }
    queued.clear();
    playing = nullptr;
}

// Plays the music from `frame` on. A music of another format than the
// device's reopens the device in its own.
bool play_from(MixerMusic* music, size_t frame)
{
    if (!device)
        return false;
    stop();
    if (music->channels != device_channels || music->rate != device_rate) {
        waveOutClose(device);
        if (!open_device(music->channels, music->rate))
            return false;
    }
    if (!ogg_seek(music->stream, frame))
        return false;
    if (paused)
        waveOutPause(device);  // what is queued waits for the resume
    if (!stop_feeding && !(stop_feeding = CreateEventW(nullptr, TRUE, FALSE, nullptr)))
        return false;
    ResetEvent(stop_feeding);
    start_frame = frame;
    handed = 0;
    fed_all = false;
    if (!samples_played(&start_samples))
        start_samples = 0;
    playing = music;
    feeder = CreateThread(nullptr, 0, feed, nullptr, 0, nullptr);
    if (!feeder)
        playing = nullptr;
    return feeder != nullptr;
}

}  // namespace

bool mixer_open(int)
{
    // The show's music's format: 44.1 kHz stereo, 16 bits (SDL_mixer's on Linux).
    paused = false;
    return open_device(2, 44100);
}

void mixer_close()
{
    stop();
    if (device)
        waveOutClose(device);
    device = nullptr;
}

MixerMusic* mixer_load(const char* path)
{
    int channels = 0, rate = 0;
    OggStream* stream = ogg_open(path, &channels, &rate);
    // Mono and stereo are what plain 16-bit PCM says. A file that decodes to
    // no sound at all fails here, as it does with the whole file decoded.
    int16_t first[2 * 64];
    if (!stream || channels > 2 || ogg_read(stream, first, 64) == 0) {
        ogg_close(stream);
        return nullptr;
    }
    return new MixerMusic{stream, channels, rate};
}

void mixer_free(MixerMusic* music)
{
    if (playing == music)
        stop();
    ogg_close(music->stream);
    delete music;
}

bool mixer_play(MixerMusic* music)
{
    paused = false;
    if (device)
        waveOutRestart(device);
    return play_from(music, 0);
}

void mixer_pause()
{
    paused = true;
    if (device)
        waveOutPause(device);
}

void mixer_resume(MixerMusic*)
{
    paused = false;
    if (device)
        waveOutRestart(device);
}

bool mixer_set_position(MixerMusic* music, unsigned ms)
{
    return play_from(music, size_t(uint64_t(ms) * uint64_t(music->rate) / 1000));
}

bool mixer_heard(MixerMusic* music, double at, double* heard)
{
    DWORD samples;
    const double now = clock_ms();
    if (!playing || playing != music || paused || !samples_played(&samples))
        return false;
    // Played since the start, as the device counts (wrapping with its DWORD);
    // never more than was handed over.
    const size_t done = std::min(size_t(DWORD(samples - start_samples)), size_t(handed));
    if (fed_all && done >= handed)
        return false;  // over
    const double rate_ms = music->rate / 1000.0;
    *heard = std::min((double(start_frame + done) + (at - now) * rate_ms) / rate_ms,
                      double(start_frame + handed) / rate_ms);
    return true;
}
