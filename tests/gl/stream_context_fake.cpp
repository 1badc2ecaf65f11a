// The recording GL needs no context; its log holds GLUT's and the platform's calls too.
#include <string>

#include "fakes.h"

bool stream_context_open();
bool stream_context_open() { return true; }

std::string stream_context_take();
std::string stream_context_take()
{
    std::string lines;
    for (const FakeCall& call : fake_log.calls)
        if (call.name.compare(0, 2, "gl") == 0 && call.name.compare(0, 4, "glut") != 0)
            lines += fake_call_text(call) + "\n";
    fake_calls_clear();
    return lines;
}
