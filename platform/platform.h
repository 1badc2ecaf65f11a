// The small platform layer under the intro, one implementation a system (linux/, windows/, web/):
// plain files, message boxes, frame timer, display mode, swap control, window class, audio player.
#pragma once

#include <cstddef>
#include <cstdio>

// Opens path for reading when it is a regular file, without blocking on a FIFO of that name. Otherwise
// returns null with *why set to a short reason: strerror's text of the failing call, whose errno is
// left set, or "not a plain file" (a folder, a FIFO, a device), with errno 0. Used by the picture
// loader and the capture program's picture check.
FILE* plain_file_open(const char* path, const char** why);
// True when name is one whole word of the space-separated list (GL, GLX or EGL extensions); a null
// list holds nothing. One name may be the prefix of another, so a plain substring search will not do.
bool has_extension(const char* list, const char* name);

// The caption of the intro's window and of every message box it shows but the timer failures'.
constexpr char INTRO_CAPTION[] = "Glimmerhorn!";

// Message-box styles and answers, with the values the intro's messages were written against. On
// Windows, windows.h (which GLUT's header includes there) defines the same names, with the same
// values, as macros.
#ifndef MB_OK
constexpr int MB_OK = 0;
constexpr int MB_YESNO = 4;
constexpr int MB_ICONERROR = 16;
constexpr int MB_ICONQUESTION = 32;
constexpr int MB_ICONWARNING = 48;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
#endif

// Shows a modal box with no owner window and returns the button pressed (IDOK, IDYES, IDNO).
// When no box can be shown it writes "caption: text" to stderr (the first time after a line with
// SDL's reason, "Glimmerhorn: no message box could be shown: ...") and answers IDNO to a question.
int message_box_show(const char* text, const char* caption, int style);

// Frame timer: one monotonic one-shot timer, made once by init_frame_timer, used by on_display.
// Smallest and largest period the clock supports, in whole milliseconds; false when it cannot be read.
bool frame_timer_query(unsigned* period_min, unsigned* period_max);
// Creates the timer; false when it cannot be made.
bool frame_timer_create();
// Begin and end the run's timer period (Windows' timer resolution; on Linux the thread's timer slack).
bool frame_timer_begin_period(unsigned period);
void frame_timer_end_period(unsigned period);
// Forgets the last frame's arming; an expiry still pending is dropped by the next arming.
void frame_timer_reset();
// Arms a one-shot expiry delay_ms after now, which is also the deadline of the fallback wait; false
// when arming failed.
bool frame_timer_arm(unsigned delay_ms);
// Blocks until the armed expiry; when arming failed, until the frame start plus the delay.
void frame_timer_wait();
// Disarms the timer.
void frame_timer_cancel();
// Closes the timer. The intro leaves that to its exit; tests close it between cases.
void frame_timer_destroy();

// Display: switches the output holding the screen to width x height (bpp picks nothing on X) and
// restores the previous mode when the process ends by any path. Failure is silent. On XWayland the
// switch is left for display_mode_set_on_window.
void display_mode_set(int width, int height, int bpp);
// Called once the window exists and its context is current: makes the switch on XWayland, where it
// must come from the window's own X connection; does nothing elsewhere.
void display_mode_set_on_window();
// Names the current GLX window's WM_CLASS (instance and class), which panels match to the menu entry.
void window_class_set(const char* instance, const char* class_name);
// Asks the driver for swap interval 0 when it offers a way to; needs a current GL context.
void swap_control_disable();

// Audio player: an XM module decoded from memory and played on the default output device.
bool player_open(int rate);
bool player_start();
bool player_load(const void* module, size_t size);
bool player_play();
// Both harmless when nothing was started.
void player_stop();
void player_free();

// The tune's render settings, shared by the player and the capture program: size bytes of module
// data decoded, looping without end, volume changes ramped. Null when the data is no module.
struct openmpt_module;
openmpt_module* player_create_module(const void* module, size_t size);
// Renders the next frames of interleaved stereo of module (null: none) at rate frames a second into
// out, and silence after what the module gave (a module that stopped). Allocates nothing: the audio
// threads call it.
void player_render(openmpt_module* module, int rate, float* out, size_t frames);
// Frames the player renders at a time. libopenmpt's floats move by a step or two of 2^-23 with the
// size of the reads, so a render meant to equal the player's reads blocks of this size too.
constexpr int PLAYER_BLOCK_FRAMES = 1024;
