// Message boxes in the browser: a modal dialog of the page with the same caption, text and buttons.
#include "platform.h"
#include "web_page.h"

// Called for every message of the intro; waits until the viewer answers. A question answers IDYES or
// IDNO, a message IDOK.
int message_box_show(const char* text, const char* caption, int style)
{
    const bool yes_no = (style & 0x0F) == MB_YESNO;
    const int yes = web_box_show(text, caption, style & 0xF0, yes_no);
    if (!yes_no)
        return IDOK;
    return yes ? IDYES : IDNO;
}
