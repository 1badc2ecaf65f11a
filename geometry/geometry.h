// Geometry lists: the glyph lists and the ornament list, compiled once at set-up.
#pragma once

#include <cstdint>

constexpr uint32_t ORNAMENT_LIST = 1;

// The display-list name of a text byte: the byte read as signed 8-bit, widened to 32 bits unsigned.
uint32_t glyph_list_name(char c);

// Called by init_scene, with the GL context current: one list per glyph of the block font.
void build_glyph_lists();
// Called by init_scene right after build_glyph_lists: the snowflake in list 1.
void build_ornament_list();
