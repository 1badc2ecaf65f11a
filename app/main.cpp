// The program's entry: every argument is ignored.
#include <fcntl.h>
#include <unistd.h>

#include "app.h"

// Called by main before anything opens a descriptor. A launcher may start the intro with its standard
// streams closed; the timer and the X connection would then take their numbers, and a library's
// message on stderr would land in the X protocol stream. A closed one is opened on /dev/null, which
// takes the lowest free number: its own.
static void standard_streams_fill()
{
    for (int fd = 0; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) < 0)
            open("/dev/null", O_RDWR);
}

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    standard_streams_fill();
    return run_intro();
}
