// Where the 800 x 600 frame goes in a window or buffer of another size.
#include "app.h"

// Called by the reshape callback with the window's new size. The projections fill whatever
// viewport they are given, so this rectangle alone scales the frame: the largest 4:3 one that fits,
// centred, origin at the bottom left. 800 x 600 gives (0, 0, 800, 600), N times that N times it.
FrameViewport frame_viewport_fit(int width, int height)
{
    FrameViewport fit;
    // the products in 64 bits: a side of a few tens of thousands times 4 stays exact
    if ((long long)width * 3 >= (long long)height * 4) {
        fit.height = height;
        fit.width = (int)((long long)height * 4 / 3);
    } else {
        fit.width = width;
        fit.height = (int)((long long)width * 3 / 4);
    }
    fit.x = (width - fit.width) / 2;
    fit.y = (height - fit.height) / 2;
    return fit;
}
