// Message boxes through SDL, with stderr when no box can be shown.
#include <SDL.h>

#include <cstdio>

#include "platform.h"

static Uint32 sdl_flags_for(int style)
{
    switch (style & 0xF0) {
    case MB_ICONERROR:
        return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

// Called for every message of the intro; blocks until the viewer answers. No owner window.
int message_box_show(const char* text, const char* caption, int style)
{
    const bool yes_no = (style & 0x0F) == MB_YESNO;
    // listed right to left, so that Yes stands first on screen; Return answers Yes, Esc No
    const SDL_MessageBoxButtonData yes_no_buttons[] = {
        { SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No" },
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes" },
    };
    const SDL_MessageBoxButtonData ok_button[] = {
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK" },
    };
    SDL_MessageBoxData data = {};
    data.flags = sdl_flags_for(style) | SDL_MESSAGEBOX_BUTTONS_RIGHT_TO_LEFT;
    data.window = nullptr;
    data.title = caption;
    data.message = text;
    data.numbuttons = yes_no ? 2 : 1;
    data.buttons = yes_no ? yes_no_buttons : ok_button;

    int answer = 0;
    if (SDL_ShowMessageBox(&data, &answer) != 0) {
        // SDL's reason, said once, tells a user what is missing (X11 boxes need the core X fonts)
        static bool reason_told = false;
        if (!reason_told) {
            fprintf(stderr,
                "Glimmerhorn: no message box could be shown: %s (SDL draws its X11 boxes with the core X "
                "fonts of the package xfonts-base, else it tries zenity)\n",
                SDL_GetError());
            reason_told = true;
        }
        fprintf(stderr, "%s: %s\n", caption, text);
        return yes_no ? IDNO : IDOK;
    }
    if (answer < 0) // the box was closed without a button
        return yes_no ? IDNO : IDOK;
    return answer;
}
