// The OpenGL ES 2 functions under the GL 1.1 layer. Several share their C names with GL 1.1 entry
// points the layer itself defines (glEnable, glClear, glViewport...), so the layer reaches them through
// this table, which one file a toolchain fills: from emscripten's emscripten_gl* functions in the web
// build, from eglGetProcAddress natively. Plain C types stand in for GL's typedefs so that the table
// needs neither GL's nor GLES's header, which disagree on some of them.
#pragma once

namespace gles
{

using Enum = unsigned int;
using Uint = unsigned int;
using Int = int;
using Sizei = int;
using Float = float;
using Boolean = unsigned char;
using Bitfield = unsigned int;
using Sizeiptr = long;

// The ES 2 enumerants the layer uses beyond those GL 1.1 has too.
constexpr Enum ARRAY_BUFFER = 0x8892;
constexpr Enum STATIC_DRAW = 0x88E4;
constexpr Enum STREAM_DRAW = 0x88E0;
constexpr Enum FRAGMENT_SHADER = 0x8B30;
constexpr Enum VERTEX_SHADER = 0x8B31;
constexpr Enum COMPILE_STATUS = 0x8B81;
constexpr Enum LINK_STATUS = 0x8B82;
constexpr Enum CLAMP_TO_EDGE = 0x812F;

struct Backend {
    void (*AttachShader)(Uint program, Uint shader);
    void (*BindAttribLocation)(Uint program, Uint index, const char* name);
    void (*BindBuffer)(Enum target, Uint buffer);
    void (*BindTexture)(Enum target, Uint texture);
    void (*BlendFunc)(Enum source, Enum destination);
    void (*BufferData)(Enum target, Sizeiptr size, const void* data, Enum usage);
    void (*Clear)(Bitfield mask);
    void (*ClearColor)(Float red, Float green, Float blue, Float alpha);
    void (*CompileShader)(Uint shader);
    Uint (*CreateProgram)();
    Uint (*CreateShader)(Enum type);
    void (*DeleteBuffers)(Sizei n, const Uint* buffers);
    void (*Disable)(Enum cap);
    void (*DisableVertexAttribArray)(Uint index);
    void (*DrawArrays)(Enum mode, Int first, Sizei count);
    void (*Enable)(Enum cap);
    void (*EnableVertexAttribArray)(Uint index);
    void (*Flush)();
    void (*GenBuffers)(Sizei n, Uint* buffers);
    void (*GenTextures)(Sizei n, Uint* textures);
    void (*GetProgramInfoLog)(Uint program, Sizei size, Sizei* length, char* log);
    void (*GetProgramiv)(Uint program, Enum name, Int* value);
    void (*GetShaderInfoLog)(Uint shader, Sizei size, Sizei* length, char* log);
    void (*GetShaderiv)(Uint shader, Enum name, Int* value);
    Int (*GetUniformLocation)(Uint program, const char* name);
    void (*LinkProgram)(Uint program);
    void (*PixelStorei)(Enum name, Int value);
    void (*ShaderSource)(Uint shader, Sizei count, const char* const* sources, const Int* lengths);
    void (*TexImage2D)(Enum target, Int level, Int internal_format, Sizei width, Sizei height, Int border,
        Enum format, Enum type, const void* pixels);
    void (*TexParameteri)(Enum target, Enum name, Int value);
    void (*Uniform1i)(Int location, Int value);
    void (*Uniform1f)(Int location, Float value);
    void (*Uniform4fv)(Int location, Sizei count, const Float* values);
    void (*UniformMatrix3fv)(Int location, Sizei count, Boolean transpose, const Float* values);
    void (*UniformMatrix4fv)(Int location, Sizei count, Boolean transpose, const Float* values);
    void (*UseProgram)(Uint program);
    void (*VertexAttrib2f)(Uint index, Float x, Float y);
    void (*VertexAttrib3f)(Uint index, Float x, Float y, Float z);
    void (*VertexAttrib4f)(Uint index, Float x, Float y, Float z, Float w);
    void (*VertexAttribPointer)(
        Uint index, Int size, Enum type, Boolean normalized, Sizei stride, const void* offset);
    void (*Viewport)(Int x, Int y, Sizei width, Sizei height);
};

// Every function of the table, for the files that fill it.
#define GLES_BACKEND_FUNCTIONS(X) \
    X(AttachShader) \
    X(BindAttribLocation) \
    X(BindBuffer) \
    X(BindTexture) \
    X(BlendFunc) \
    X(BufferData) \
    X(Clear) \
    X(ClearColor) \
    X(CompileShader) \
    X(CreateProgram) \
    X(CreateShader) \
    X(DeleteBuffers) \
    X(Disable) \
    X(DisableVertexAttribArray) \
    X(DrawArrays) \
    X(Enable) \
    X(EnableVertexAttribArray) \
    X(Flush) \
    X(GenBuffers) \
    X(GenTextures) \
    X(GetProgramInfoLog) \
    X(GetProgramiv) \
    X(GetShaderInfoLog) \
    X(GetShaderiv) \
    X(GetUniformLocation) \
    X(LinkProgram) \
    X(PixelStorei) \
    X(ShaderSource) \
    X(TexImage2D) \
    X(TexParameteri) \
    X(Uniform1i) \
    X(Uniform1f) \
    X(Uniform4fv) \
    X(UniformMatrix3fv) \
    X(UniformMatrix4fv) \
    X(UseProgram) \
    X(VertexAttrib2f) \
    X(VertexAttrib3f) \
    X(VertexAttrib4f) \
    X(VertexAttribPointer) \
    X(Viewport)

// Filled by the toolchain's file at the layer's first GL call; a function that cannot be found ends the
// program with a message.
void load(Backend* backend);

// The traced build's hook (gl_web_trace.cpp), called by each of its entry points with the call's name and
// arguments; the release build's entry points do not call it, and it is not linked there.
void trace(const char* name, const double* args, int count, const void* pointer);

} // namespace gles
