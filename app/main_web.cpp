// The program's entry in a web page: no arguments, but the page may hand over a sender's text,
// which the greeting rule folds and the scroller then runs through in place of its own. The page's
// composer folds what the sender types through the same rule, in an instance that runs no intro, so
// the two never disagree.
#include <emscripten.h>

#include <cstdlib>

#include "app.h"
#include "assets.h"
#include "greeting.h"
#include "scene.h"
#include "web_page.h"

// the folded text lives as long as the run
static Greeting page_greeting;

// Called by main before the start-up: a text the rule refuses is told to the page, and the intro's
// own text plays.
static void take_page_greeting()
{
    int size = 0;
    char* text = web_greeting_text(&size);
    if (!text)
        return;
    page_greeting = greeting_fold(text, (size_t)size);
    free(text);
    if (page_greeting.ok)
        scene_set_text(page_greeting.bytes.c_str());
    else
        web_greeting_refused(page_greeting.message.c_str());
}

// What the composer's fold hands back to the page, kept until the next fold.
struct GreetingWeb {
    Greeting greeting; // the last text folded for the page
    std::vector<int> gaps; // its gaps as code point, count pairs
    int answer[6];
};

static GreetingWeb greeting_web;

// Called by the page's composer for every change of the text. Past GREETING_READ_BYTES the rule has
// its answer, so a pasted book is not read to its end.
EMSCRIPTEN_KEEPALIVE const int* greeting_web_fold(const char* utf8, int size)
{
    GreetingWeb& web = greeting_web;
    const size_t read = size < 0 ? 0 : (size_t)size;
    web.greeting = greeting_fold(utf8, read < GREETING_READ_BYTES ? read : GREETING_READ_BYTES);
    web.gaps.clear();
    for (const GreetingGap& gap : web.greeting.gaps) {
        web.gaps.push_back((int)gap.code_point);
        web.gaps.push_back(gap.count);
    }
    web.answer[0] = web.greeting.ok;
    web.answer[1] = (int)(size_t)web.greeting.bytes.data();
    web.answer[2] = (int)web.greeting.bytes.size();
    web.answer[3] = (int)(size_t)web.greeting.message.c_str();
    web.answer[4] = (int)(size_t)web.gaps.data();
    web.answer[5] = (int)web.greeting.gaps.size();
    return web.answer;
}

// Called by the page's composer when it opens with no sender's text: the intro's own.
EMSCRIPTEN_KEEPALIVE const char* greeting_web_own_text() { return scroll_text; }

// Called by the page whenever it sizes the canvas: the canvas is the frame's own rectangle, the
// largest 4:3 one of the page's stage, by the rule every window of the intro's uses.
EMSCRIPTEN_KEEPALIVE const FrameViewport* frame_viewport_fit_web(int width, int height)
{
    static FrameViewport fit;
    fit = frame_viewport_fit(width, height);
    return &fit;
}

int main()
{
    take_page_greeting();
    return run_intro();
}
