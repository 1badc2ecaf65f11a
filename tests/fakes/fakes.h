// What the test fakes record and how a test scripts them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// One call into a faked layer (GL, GLU, GLUT or the platform), in the order made.
// Numbers are kept as double, which holds every GLfloat, GLint and GLenum exactly; a vector
// given by address (glLightfv) is copied into args; text arguments go into text.
struct FakeCall {
    std::string name;
    std::vector<double> args;
    std::string text;
    const void* pointer;
};

// The fakes' state: the log of calls, whether it is kept, and the texture name the fake GL hands out next.
struct FakeLog {
    std::vector<FakeCall> calls;
    bool recording = true; // while false nothing is logged (and so nothing allocated), for allocation counts
    unsigned next_texture_name = 1;
};
extern FakeLog fake_log;
// Back to the start: an empty log that records, texture names from 1 again.
void fake_log_reset();

// Logs one call, unless recording is off; takes its numbers by initializer list so that a call
// made with recording off allocates nothing.
void fake_record(const char* name, std::initializer_list<double> args = {},
    const std::string& text = std::string(), const void* pointer = nullptr);
// Clears the log (and nothing else).
void fake_calls_clear();
// The log as text, one call a line ("glBegin( 7 )"), for failure messages and screenshots of a frame.
std::string fake_calls_text();
std::string fake_call_text(const FakeCall& call);
// The calls named `name`, in order.
std::vector<FakeCall> fake_calls_named(const std::string& name);
// The recorded calls from `first` on (at most `count`), one printed line each.
std::vector<std::string> call_lines(size_t first = 0, size_t count = (size_t)-1);
// The monotonic clock in milliseconds, for tests that time the real clock.
double now_ms();
// Prints the whole log to stderr; tests that end in exit() register it with atexit.
void print_log_at_exit();

// How the scripted platform layer answers. fake_platform_reset() restores these defaults.
struct PlatformScript {
    bool query_ok = true;
    unsigned period_min = 1;
    unsigned period_max = 1000000;
    bool create_ok = true;
    bool begin_period_ok = true;
    bool arm_ok = true;
    int question_answer = 7; // IDNO
    bool player_open_ok = true;
    bool player_start_ok = true;
    bool player_load_ok = true;
    bool player_play_ok = true;
};

extern PlatformScript platform_script;
void fake_platform_reset();

// GLUT callbacks as the program registered them with the fake GLUT.
struct GlutCallbacks {
    void (*reshape)(int, int);
    void (*keyboard)(unsigned char, int, int);
    void (*display)();
    void (*idle)();
};
extern GlutCallbacks glut_callbacks;

// The scene stand-in (scene_stand_in.cpp), for tests of the app: init_scene is logged with the
// colour mode it is given (1 for 32-bit); draw_frame is logged and keeps the CPU busy for draw_ms,
// like a GPU-bound frame, noting on the monotonic clock when its drawing ended.
struct SceneStandIn {
    double draw_ms = 0;
    double draw_end_ms = 0;
};
extern SceneStandIn scene_stand_in;

// The media stand-in (media_stand_in.cpp), for tests of the scene's set-up: start_music is logged,
// and read_jpeg_image is logged with the out-values as it finds them and answers from this script.
struct LoaderScript {
    bool writes_size = false;
    bool returns_block = false;
    int width = 0;
    int height = 0;
    unsigned char* block = nullptr; // the last block handed out, width x height x 3 bytes
};
extern LoaderScript loader_script;
