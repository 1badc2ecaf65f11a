// The glyph lists of the block font, and the rule that names them.
#include "geometry.h"

uint32_t glyph_list_name(char c)
{
    return (uint32_t)(int32_t)(signed char)c;
}

void build_glyph_lists()
{
}
