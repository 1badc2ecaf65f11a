// The scroll text.
#include "assets.h"

extern const char scroll_text[] = "              ";
