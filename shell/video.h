// The display: screen surface, back buffer, video set-up and present step.
#pragma once

#include <SDL/SDL.h>

constexpr int screen_width = 640;
constexpr int screen_height = 480;
constexpr int back_width = 320;   // every renderer draws at this size...
constexpr int back_height = 240;  // ...and the present step doubles it

// 640x480 fullscreen, double-buffered; only the present step writes it.
extern SDL_Surface* screen_surface;
// 320x240 software surface in the screen's pixel format; every scene draws here.
extern SDL_Surface* back_buffer;

// Opens the display, makes the back buffer, starts DevIL. Returns false
// after printing "Error at setting video mode: ..." when SDL refuses. From
// here on, losing the X display ends the process at once with status 1 after
// "Error: lost the connection to the display".
bool video_setup();

// Doubles the back buffer onto the screen surface without filtering.
void double_back_buffer();

// Doubles the back buffer onto the screen and flips.
void present();
