// The video file: FFmpeg's encoders and muxers, fed one drawn frame and its stretch of the tune at a time.
#pragma once

#include <cstdint>

#include "options.h"

// Opens path for the format of options, width x height, sound at audio_rate (none for GIF); colours
// and lookup are the GIF's palette (null for the others). Says why on stderr when it fails.
bool video_file_open(const CaptureOptions* options, const char* path, int width, int height, int audio_rate,
    const uint32_t* colours, const unsigned char* lookup);
// Encodes video frame number (counted from 0) and the sound up to its end. pixels (B, G, R, unused,
// bottom row first) are read during the call only: they are the caller's again once it returns.
bool video_file_add(const unsigned char* pixels, long number);
// Flushes the encoders and writes the container's index; false when anything failed on the way.
bool video_file_close();
// Drops everything after a failure; the file itself is the caller's to remove.
void video_file_discard();
// Why the last video_file_add or video_file_close failed.
const char* video_file_error();
