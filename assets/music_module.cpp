// The music module: assets/music.xm, embedded byte for byte when the program is built.
#include "assets.h"

// The assembler copies the file in; the build passes its path as GLIMMERHORN_MUSIC_FILE and
// rebuilds this file whenever the module changes. Sixteen zero bytes follow the module.
#ifndef GLIMMERHORN_MUSIC_FILE
#error "GLIMMERHORN_MUSIC_FILE must name assets/music.xm"
#endif

// GLIMMERHORN_ASM_READONLY and GLIMMERHORN_ASM_PREVIOUS, also from the build, enter the object
// format's read-only data section and go back to the section before it.
asm(GLIMMERHORN_ASM_READONLY "\n"
    ".global music_module\n"
    ".balign 16\n"
    "music_module:\n"
    ".incbin \"" GLIMMERHORN_MUSIC_FILE "\"\n"
    "music_module_end:\n"
    ".zero 16\n"
    ".global music_module_size\n"
    ".balign 8\n"
    "music_module_size:\n"
    ".quad music_module_end - music_module\n"
    GLIMMERHORN_ASM_PREVIOUS "\n");
