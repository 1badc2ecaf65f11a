// The application shell: start-up order, GLUT callbacks, frame pacing.
#pragma once

extern int display_bpp;
extern unsigned timer_period;

// Called by main with nothing from the command line; returns 1 when the frame timer cannot be set
// up or started, and otherwise never returns (the GLUT main loop ends the process).
int run_intro();

// Called first by run_intro: picks timer_period and makes the frame timer.
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

// A viewport in GL window coordinates: its lower-left corner and its size.
struct FrameViewport {
    int x;
    int y;
    int width;
    int height;
};
// The viewport that shows the 800 x 600 frame in a window of width x height: the largest 4:3
// rectangle in it, centred.
FrameViewport frame_viewport_fit(int width, int height);

// GLUT callbacks, registered by run_intro in this order.
void on_reshape(int width, int height);
void on_key(unsigned char key, int x, int y);
void on_display();
void on_idle();
