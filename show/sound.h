// Our sound layer: a small streaming-music interface kept to the call
// sequence and failure results the show was written against. Every call
// returns 0 on success and non-zero on failure, and accepts null handles.
#pragma once

struct SoundSystem;   // the mixer, opened by sound_system_open
struct Sound;         // one streamed music file
struct SoundChannel;  // where a sound plays

int sound_system_make(SoundSystem** system);
int sound_system_open(SoundSystem* system, int max_channels);
// Opens a streamed sound; fails when the system is not open or the file
// cannot be read.
int sound_load_stream(SoundSystem* system, const char* path, Sound** sound);
// Starts the sound once (no loop) on a free channel, unpaused unless asked.
int sound_play(SoundSystem* system, Sound* sound, bool paused, SoundChannel** channel);
int sound_channel_set_paused(SoundChannel* channel, bool paused);
// Moves the playing sound to ms milliseconds from its start.
int sound_channel_set_position(SoundChannel* channel, unsigned ms);
// Where in the sound (ms from its start) the listener is at clock_ms()
// reading `at`; fails while that cannot be told (paused, over, no output).
int sound_channel_get_heard(SoundChannel* channel, double at, double* ms);
int sound_free(Sound* sound);
int sound_system_close(SoundSystem* system);
int sound_system_free(SoundSystem* system);
