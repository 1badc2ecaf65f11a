// The traced build's hook: each call goes into the recording GL's log, in its own form, and leaves it
// as text for the page, which compares it with the desktop's log of the same frames.
#include <string>

#include "fakes.h"
#include "gl_web.h"
#include "gles_backend.h"

void gles::trace(const char* name, const double* args, int count, const void* pointer)
{
    if (fake_log.recording)
        fake_log.calls.push_back(FakeCall { name, std::vector<double>(args, args + count), std::string(), pointer });
}

const char* gl_web_trace_take()
{
    static std::string lines;
    lines.clear();
    for (const FakeCall& call : fake_log.calls)
        lines += fake_call_text(call) + "\n";
    fake_calls_clear();
    return lines.c_str();
}
