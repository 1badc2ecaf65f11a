// Helpers shared by the scene tests: expected calls as the fake log prints them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "fakes.h"
#include "scene.h"

// One expected call, printed the way the fake log prints a recorded one.
inline std::string call(
    const char* name, std::initializer_list<double> args = {}, const std::string& text = "")
{
    return fake_call_text(FakeCall { name, std::vector<double>(args), text, nullptr });
}

// The recorded calls from `first` on, one printed line each.
inline std::vector<std::string> call_lines(size_t first = 0, size_t count = (size_t)-1)
{
    std::vector<std::string> lines;
    for (size_t i = first; i < fake_calls.size() && lines.size() < count; i++)
        lines.push_back(fake_call_text(fake_calls[i]));
    return lines;
}

// A float constant as the fake log holds it.
inline double f(double value) { return (double)(float)value; }

// An empty flock, as before the first frame: every slot cleared, the first spawn 60 frames away.
inline void reset_flock()
{
    for (OrnamentSlot& slot : ornament_slots)
        slot = OrnamentSlot();
    next_ornament_slot = 0;
    spawn_counter = 0;
}
