// What the sound layer asks of the machine: one music stream at a time. The
// desktop's is SDL_mixer (sdl/snd_sdl.cpp), the browser's Web Audio over
// music our own decoder decoded (web/snd_web.cpp). Only show/sound.cpp calls
// these.
#pragma once

struct MixerMusic;  // a music file, ready to play

// Opens the output; false when there is none.
bool mixer_open(int max_channels);
void mixer_close();
// The music in the file at path; null when it cannot be read.
MixerMusic* mixer_load(const char* path);
void mixer_free(MixerMusic* music);
// Plays the music once from its start; false when it cannot.
bool mixer_play(MixerMusic* music);
// Pauses and resumes whatever plays.
void mixer_pause();
void mixer_resume(MixerMusic* music);
// Moves what plays to ms milliseconds from its start; false when it cannot.
bool mixer_set_position(MixerMusic* music, unsigned ms);
// What the listener hears at clock_ms() reading `at` (now, or a frame ahead):
// the position in the music, in ms from its start, of the sound reaching the
// speakers then. That is what the output has played, less what it says is
// still on its way, and never past what was handed to it; before the first
// sample is heard it lies before where play started. False when it cannot be
// told: no output, the music not playing or over, paused.
bool mixer_heard(MixerMusic* music, double at, double* music_ms);
