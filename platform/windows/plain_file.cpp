// Opening a file that must be a plain one: the Windows way.
#include "platform.h"

#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

// A folder, a device (CON, NUL, COM1) or a pipe of that name is refused before a reader could take it
// for an empty or endless file. The attributes tell a folder; the opened handle's type tells a device
// or a pipe, which opening a name on Windows never blocks on.
FILE* plain_file_open(const char* path, const char** why)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *why = "not a plain file";
        errno = 0;
        return nullptr;
    }
    FILE* file = fopen(path, "rb");
    if (file == nullptr) {
        *why = strerror(errno);
        return nullptr;
    }
    const HANDLE handle = (HANDLE)_get_osfhandle(_fileno(file));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        fclose(file);
        *why = "not a plain file";
        errno = 0;
        return nullptr;
    }
    return file;
}
