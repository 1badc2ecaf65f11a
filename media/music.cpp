// The start of the music: open, start, load and play the embedded module.
#include "assets.h"
#include "media.h"
#include "platform.h"

constexpr int MUSIC_RATE = 44100;

// Called by init_scene as its last step, once. Each step that fails says so in its own box and
// ends the start there; the steps before it are not undone (on_key stops and frees at exit).
void start_music()
{
    if (!player_open(MUSIC_RATE)) {
        message_box_show("BASS initialization failed! No music!", INTRO_CAPTION, MB_OK | MB_ICONWARNING);
        return;
    }
    if (!player_start()) {
        message_box_show("Can't start digital music output!", INTRO_CAPTION, MB_OK | MB_ICONWARNING);
        return;
    }
    if (!player_load(music_module, music_module_size)) {
        message_box_show("Can't load music!", INTRO_CAPTION, MB_OK | MB_ICONWARNING);
        return;
    }
    if (!player_play())
        message_box_show("Can't play music!", INTRO_CAPTION, MB_OK | MB_ICONWARNING);
}
