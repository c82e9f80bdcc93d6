// The piece, written against the show's own timeline: every section starts
// on a scene boundary and every accent on a time the scenes draw from.
#pragma once

#include "generators/music/synth.h"

constexpr double track_ms = 101500;  // the show's 101 s and a little silence

// Plays every section into the mix, adds the halls, lets the lift's music
// through its doors and fades out with the last picture. Needs a mix of
// track_ms, allocated with mix_make.
void play_score(Mix& show);
