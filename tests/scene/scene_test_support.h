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
