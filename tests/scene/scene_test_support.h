// Helpers shared by the scene tests: expected calls as the fake log prints them.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "assets.h"
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

// The scene as set-up leaves it without a picture, with no set-up run: the record back at its start
// (every slot empty, the first spawn 60 frames away, the scroller at the first letter) and the length
// of the shipped scroll text, which the scroller takes its letters modulo.
inline void reset_scene()
{
    scene_reset();
    scene.scroll_length = (int)strlen(scroll_text);
}
