// The whole-word search of an extension list, shared by the GLX swap control and the capture's EGL.
#include <cstring>

#include "platform.h"

bool has_extension(const char* list, const char* name)
{
    if (list == nullptr)
        return false;
    const size_t length = strlen(name);
    for (const char* at = strstr(list, name); at; at = strstr(at + length, name)) {
        const bool starts = at == list || at[-1] == ' ';
        const bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}
