// What the browser build's platform files share: the page's script (library.js) they call, and the
// entries the page calls back into. Every module keeps its state in one record.
#pragma once

// the rectangle a frame is drawn in (app.h)
struct FrameViewport;

extern "C" {
// The page's script, platform/web/library.js. The calls marked "waits" suspend the program (Asyncify)
// until the page answers, so that the code above keeps its blocking calls.
// Shows a modal box (a Yes/No question or an OK message) and waits for the answer: 1 Yes, 0 No or OK.
// The question's answer is also the gesture that lets sound play and full screen begin.
int web_box_show(const char* text, const char* caption, int icon, bool yes_no);
// Waits until the page clock (emscripten_get_now) reaches deadline_ms; returns to the page at least
// once even when the deadline has passed, so that the page can show the frame and handle input.
void web_sleep_until(double deadline_ms);
// Waits for the page's next animation frame (the browser shows what was drawn before it); returns
// the page clock then.
double web_wait_frame();
// Waits until the page is shown again.
void web_wait_visible();
// Sizes the canvas to the largest 4:3 rectangle of the page in device pixels, now and whenever the
// page changes size; reports each size through glut_web_resized.
void web_canvas_fit(int width, int height);
void web_cursor_hide();
// True when the page runs under the browser tests' hooks (window.glimmerhornTest).
bool web_hooked();
// Hands frame number `frame` to the tests' hook before it is shown.
void web_frame_shown(unsigned frame);
// Tells the tests' hook that a stall let `count` steps go unrun.
void web_steps_let_go(int count);
// True when the tests' hook asks that frame number `frame` be drawn even if it would not be shown.
bool web_frame_wanted(unsigned frame);
// Hands the GL log's lines (each ending in a line break) to the tests' hook, all of a frame at once.
void web_gl_lines(const char* lines);
// The sound's output: an AudioContext made running by the question's answer. Waits for it; returns
// its frames per second, or 0 when the page has no sound or it was refused.
int web_audio_open();
// Lets the output pull rendered blocks of block_frames frames (player_web_block); false when no output
// node can be made.
bool web_audio_start(int block_frames);
void web_audio_stop();
void web_audio_close();
// The sender's text the page hands the program, size bytes of UTF-8 in a block the caller frees;
// null when the page has none (the intro's own text plays).
char* web_greeting_text(int* size);
// Tells the page that the rule refused its text, and why; the intro's own text plays.
void web_greeting_refused(const char* message);

// Entries the page calls (kept in the build by EMSCRIPTEN_KEEPALIVE).
// A key pressed on the page (or the touch gesture's Esc): queued for the main loop.
void glut_web_key(int key);
// The canvas took a new size in device pixels: the main loop tells the reshape callback.
void glut_web_resized(int width, int height);
// Renders the next PLAYER_BLOCK_FRAMES frames of the playing module (silence when none plays) and
// returns them, left and right interleaved.
float* player_web_block();
// Folds size bytes of a sender's UTF-8 text by the greeting rule (greeting.h) for the page's
// composer; the answer stays valid until the next call: [ok, bytes, byte count, message (UTF-8, NUL
// ended), gaps, gap count], gaps being gap count pairs of [code point, count].
const int* greeting_web_fold(const char* utf8, int size);
// The intro's own scroll text, NUL-terminated ISO 8859-1: what the composer starts from.
const char* greeting_web_own_text();
// The rectangle the frame is drawn in within width x height device pixels (frame_viewport_fit's),
// which the page gives the canvas; valid until the next call.
const FrameViewport* frame_viewport_fit_web(int width, int height);
}

// The records' resets, at their module's start and end.
void frame_timer_web_reset();
// True when another step is due in this shown frame after the coming one (frame_timer_web.cpp).
bool frame_timer_web_more_due();
// Called by glutSwapBuffers: the step whose turn it is has run, drawn or not.
void frame_timer_web_step_ran();
void player_web_reset();
