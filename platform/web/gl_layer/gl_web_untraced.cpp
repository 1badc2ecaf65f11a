// The release build's side of the log: its entry points are compiled without one.
#include "gl_web.h"

const char* gl_web_trace_take() { return nullptr; }
