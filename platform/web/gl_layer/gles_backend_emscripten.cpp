// The layer's OpenGL ES 2 functions in the web build: emscripten gives every WebGL 1 call a second
// name, emscripten_gl*, for code that defines the gl* names itself, as the layer does.
#include <webgl/webgl1.h>

#include "gles_backend.h"

namespace gles
{

void load(Backend* backend)
{
#define GLES_TAKE(name) backend->name = emscripten_gl##name;
    GLES_BACKEND_FUNCTIONS(GLES_TAKE)
#undef GLES_TAKE
}

} // namespace gles
