// A stand-in for the picture loader and the music start, for tests of the scene's set-up.
#include <cstdlib>

#include "fakes.h"
#include "media.h"

LoaderScript loader_script;

unsigned char* read_jpeg_image(const char* path, int* width, int* height)
{
    fake_record("read_jpeg_image", { (double)*width, (double)*height }, path);
    if (loader_script.writes_size) {
        *width = loader_script.width;
        *height = loader_script.height;
    }
    if (!loader_script.returns_block)
        return nullptr;
    loader_script.block
        = (unsigned char*)malloc((size_t)loader_script.width * (size_t)loader_script.height * 3);
    return loader_script.block;
}

void start_music() { fake_record("start_music"); }
