// The traced build's hook: each call becomes a line of the GL call log, which the page takes after the
// frame and compares with the desktop's log of the same frames.
#include <string>

#include "gl_log.h"
#include "gl_web.h"
#include "gles_backend.h"

// the lines logged since the last take, and the ones handed out by it
static std::string logged;
static std::string taken;

void gles::trace(const char* name, const double* args, int count, const void*)
{
    logged += gl_call_line(name, args, (size_t)count, std::string());
    logged += '\n';
}

const char* gl_web_trace_take()
{
    taken.swap(logged);
    logged.clear();
    return taken.c_str();
}
