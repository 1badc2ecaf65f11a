// The program's entry: every argument is ignored.
#include "app.h"

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    return run_intro();
}
