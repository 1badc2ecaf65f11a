// The capture program: the intro drawn off screen, frame by frame with its tune, into a video file.
#pragma once

#include "options.h"

// Called by main once the options are read: the whole capture. Returns the exit status.
int capture_run(const CaptureOptions* options, const char* program_path);
