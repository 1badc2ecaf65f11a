// The application shell: start-up order, GLUT callbacks, frame pacing.
#pragma once

// A viewport in GL window coordinates: its lower-left corner and its size.
struct FrameViewport {
    int x;
    int y;
    int width;
    int height;
};

// Everything the app keeps from one call to the next, in one record: as at program start and after
// app_reset.
struct AppState {
    // the display's colour depth: 16, or 32 once the question is answered Yes
    int display_bpp;
    // the timer resolution init_frame_timer picked, handed to frame_timer_begin_period and _end_period
    unsigned timer_period;
    // the viewport the frames are drawn in: at first the one the context was made with, the window's
    // own 800 x 600
    FrameViewport reshape_viewport;
    // set by on_display, cleared by on_idle: whether GLUT drew a frame since the last idle call
    bool frame_drawn;
};

extern AppState app;

// Puts the whole record back to its start, as at program start. Called by tests between cases; the
// live intro runs once and never calls it.
void app_reset();

// Called by main with nothing from the command line; returns 1 when the frame timer cannot be set
// up or started, and otherwise never returns (the GLUT main loop ends the process).
int run_intro();

// Called first by run_intro: picks app.timer_period and makes the frame timer.
bool init_frame_timer();
// Called by run_intro after the question: switches the display to 800 x 600.
void set_display_mode();
// Called by run_intro after the frame timer, before the question (and by the scene benchmark):
// initialises GLUT, whose errors end the program with a line on stderr.
void init_glut();
// Called by run_intro once the display is switched (and by the scene benchmark): the 800 x 600
// window and its context, with alpha in 32-bit colour (truecolor); made full-screen with the pointer
// hidden and swap interval 0, and current.
void open_window(bool truecolor);

// The viewport that shows the 800 x 600 frame in a window of width x height: the largest 4:3
// rectangle in it, centred.
FrameViewport frame_viewport_fit(int width, int height);

// GLUT callbacks, registered by run_intro in this order.
void on_reshape(int width, int height);
void on_key(unsigned char key, int x, int y);
void on_display();
void on_idle();
