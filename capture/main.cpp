// The capture program's entry: the intro into a video file, with no display.
#include "capture.h"
#include "options.h"
#include "tune.h"

int main(int argc, char** argv)
{
    CaptureOptions options;
    const int status = options_parse(argc, argv, tune_embedded_pass_seconds(), &options);
    if (status >= 0)
        return status;
    return capture_run(&options, argv[0]);
}
