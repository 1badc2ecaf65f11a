// The GL call log's line, one a call ("glBegin( 7 )", "glLightfv( 16384, 4608, 0.2, 0.2, 0.2, 1 )"):
// the form in which the traced web build hands its calls to the page and the recording GL of the
// tests prints the desktop's, so that the two streams compare line for line.
#pragma once

#include <cstddef>
#include <string>

// name, then the text argument in double quotes if there is one, then each number with the 17
// significant digits that give a double back exactly; no line break.
std::string gl_call_line(const std::string& name, const double* args, size_t count, const std::string& text);
