#include "gl_log.h"

#include <cstdio>

std::string gl_call_line(const std::string& name, const double* args, size_t count, const std::string& text)
{
    std::string line = name + "(";
    const char* separator = " ";
    if (!text.empty()) {
        line += " \"" + text + "\"";
        separator = ", ";
    }
    for (size_t i = 0; i < count; i++) {
        char number[40];
        snprintf(number, sizeof number, "%.17g", args[i]);
        line += separator;
        line += number;
        separator = ", ";
    }
    line += " )";
    return line;
}
