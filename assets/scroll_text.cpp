// The scroll text: our own greeting, one running line of lower-case ISO 8859-1.
#include "assets.h"

// 14 spaces open it, so the screen starts empty, and 8 close it, so that the wrap back to the start
// shows as a gap. Every byte is a space or has a glyph; a byte without one would show as a gap too.
// clang-format off
extern const char scroll_text[] =
    "              "
    "hello there, and welcome to glimmerhorn! this is a small real-time greeting intro: a flock of "
    "snowflakes drifting, tumbling and sinking through the dark, a wave of red block letters riding "
    "three sine waves of their own, a still picture behind it all, and a little tune that plays in a "
    "loop for as long as you care to stay. so sit back, put the kettle on and read along... * * * "
    "everything you see and hear was made right here: the picture behind the snow is painted by a few "
    "lines of our own code, pixel by pixel, and the tune is written by our own code too, note by note "
    "and sample by sample, into a tracker module that the intro carries inside itself. nothing was "
    "borrowed from anyone. the letters are built from small boxes on a grid of sevenths, sixty glyphs "
    "in all, each one of them carved like a small ice sculpture, and the whole show moves on by fixed "
    "steps, at most one frame every 10 milliseconds. no clock, no tricks: just a steady beat. * * * if "
    "you said \"yes\" to the question at the start, you are watching in 32-bit colour with "
    "transparency, and the snow glimmers through the letters. if you said \"no\", everything is drawn "
    "solid in 16 bits, the way plainer machines would have shown it. both are fine. both are winter. * "
    "* * and now a wintry wish to whoever is watching: may your nights be long and quiet, your windows "
    "frosted with ferns of ice, your tea hot and your socks dry. may the snow fall softly on your roof "
    "and never on your keyboard. may the lights stay on through every storm, and may there always be "
    "someone to share the warmth with when the wind howls outside. hyv\xE4" "\xE4" " joulua, god jul, "
    "and a happy new year to you all! * * * greetings fly out to every maker of demos, intros and tiny "
    "wonders, wherever you are: to the coders who count cycles at three in the morning, to the "
    "graphicians who set their pixels one at a time, to the musicians who hide whole symphonies in a "
    "handful of kilobytes, to the organisers who haul tables, cables and coffee machines into cold "
    "halls, and to everyone who has ever watched a scroller to the very end (yes, that means you). "
    "keep making things for the joy of it - small or large, old school or new, on machines of any age. "
    "the scene is as warm as the people in it! * * * the waves have periods of 82, 74 and 102 frames "
    "and never quite line up, so the line of letters keeps finding new shapes: now a ripple, now a "
    "hump, now a ribbon twisting into the distance. * * * some hot tips for a long winter evening: 1) "
    "brew something warm. 2) write a tune in a minor key. 3) make a snowflake out of little triangles. "
    "5) skip step 4, nobody checks. 7) show it to a friend and say: \"i made this!\" * * * press esc "
    "or q whenever you have had enough. time to wrap up, before the text wraps around by itself. thank "
    "you for watching, thank you for reading, and thank you for keeping the lights of the scene "
    "burning. take care out there in the snow, dress warmly, and remember: every long night ends in a "
    "morning. hyv\xE4" "\xE4" " uutta vuotta! see you at the next party... and here it all comes round "
    "again!"
    "        ";
// clang-format on

static_assert(sizeof scroll_text == 3061 + 1, "3061 bytes before the NUL");
