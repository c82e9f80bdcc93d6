// The ffmpeg pipe: Debian's ffmpeg program as a child process, which only
// encodes (H.264 and AAC in MP4) the frames tools/video.h converts. Linking
// FFmpeg's libraries instead would make the program GPL and tie it to their
// API. Built only where a process can be started (not on Windows, not in the
// browser).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/video.h"

// "" when the ffmpeg program can encode H.264 with libx264 and AAC; otherwise
// the one line that tells the user what to install.
std::string ffmpeg_missing();

struct VideoSettings {
    std::string path;   // the finished file
    std::string sound;  // the music file ffmpeg reads
    VideoGeometry geometry;
    uint32_t first_frame;  // the clip's first frame, counted from the show's start
    uint32_t frames;
    int crf;
    std::string preset;
};

// A running ffmpeg writing path + ".part", fed one frame at a time.
struct VideoEncoder {
    pid_t pid = -1;
    int pipe = -1;  // its standard input
    int log = -1;   // its standard error, kept to quote on a failure
    std::string part, path;
};

// Starts ffmpeg. The music is cut to the frames' window there, sample for
// sample: the first sample belongs to the first frame, the last to the last.
// Ctrl-C, hang-up and termination are caught from here on (video_stopped).
bool video_start(const VideoSettings& s, VideoEncoder* e, std::string* error);
// One frame; false when ffmpeg has gone or a signal asked us to stop.
bool video_write(VideoEncoder* e, const uint8_t* frame, size_t bytes);
// Ends the input, waits for ffmpeg and renames the finished file into place;
// on any failure removes it and says why, with ffmpeg's last lines.
bool video_finish(VideoEncoder* e, std::string* error);
// Ends ffmpeg at once and removes what it wrote; a failure's last words from
// ffmpeg in *error when it had already failed.
void video_abort(VideoEncoder* e, std::string* error);
// The signal that asked us to stop, or 0.
int video_stopped();
