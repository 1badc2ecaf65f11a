// Message boxes on Windows: MessageBoxA itself.
#include "platform.h"

#include <windows.h>

// Called for every message of the intro; blocks until the viewer answers. The boxes of the intro have
// no owner; the one kind without an icon, the picture decoder's own message (MB_OK alone), is shown
// over the window that is active at that moment, as that message always has been.
int message_box_show(const char* text, const char* caption, int style)
{
    HWND owner = (style & 0xF0) == 0 ? GetActiveWindow() : nullptr;
    return MessageBoxA(owner, text, caption, (UINT)style);
}
