// GL 1.1 and GLU over OpenGL ES 2: exactly the calls the intro makes. Immediate mode and display lists
// go into vertex buffers, the matrix stacks are kept here with GL's own arithmetic, and the two lights
// are evaluated per vertex in the vertex shader with the fixed-function equation. A call or a value
// the layer does not carry out ends the program with a message, never silently.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "gl_web.h"
#include "gles_backend.h"

namespace
{

[[noreturn]] void unsupported(const char* call, double value)
{
    fprintf(stderr, "gl_web: %s(0x%x) is not carried out by this layer\n", call, (unsigned)value);
    abort();
}

// The log of the traced build, which compiles this file a second time with GL_WEB_TRACED: each entry
// point hands its name and arguments (and the address it was given, if any) to gles::trace. The release
// build's entry points are compiled without it and pack nothing.
#ifdef GL_WEB_TRACED
bool dropping();
template <class... T> void trace_with(const void* pointer, const char* name, T... values)
{
    if (dropping())
        return; // a step nobody sees is not in the log either
    const double args[sizeof...(T) + 1] = { (double)values... };
    gles::trace(name, args, (int)sizeof...(T), pointer);
}
#else
template <class... T> void trace_with(const void*, const char*, T...) { }
#endif
template <class... T> void trace(const char* name, T... values) { trace_with(nullptr, name, values...); }

// A 4 x 4 matrix, column by column, as GL keeps it.
struct Matrix {
    float m[16];
};
const Matrix IDENTITY = { { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 } };

// a times b, summed in GL's own order
Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix p;
    for (int i = 0; i < 4; i++) {
        const float a0 = a.m[i], a1 = a.m[4 + i], a2 = a.m[8 + i], a3 = a.m[12 + i];
        for (int j = 0; j < 4; j++)
            p.m[j * 4 + i] = a0 * b.m[j * 4] + a1 * b.m[j * 4 + 1] + a2 * b.m[j * 4 + 2] + a3 * b.m[j * 4 + 3];
    }
    return p;
}

struct Vertex {
    float position[3];
    float normal[3];
    float color[4];
    float texcoord[2];
};

// One batch of triangles in a list, and which attributes the list gave before its first vertex; the
// others are the current ones when the list is called.
struct Batch {
    int first;
    int count;
    bool normal_given;
    bool color_given;
    bool texcoord_given;
};

// A state call inside a list, replayed when the list is called.
enum OpKind { OP_DRAW, OP_ENABLE, OP_DISABLE, OP_COLOR, OP_NORMAL, OP_TEXCOORD, OP_MULTIPLY, OP_PUSH, OP_POP,
    OP_IDENTITY, OP_MATRIX_MODE, OP_LIGHT, OP_CALL };
struct Op {
    OpKind kind;
    unsigned e[2];
    float f[16];
};

struct List {
    std::vector<Vertex> vertices;
    std::vector<Op> ops;
    std::vector<Batch> batches;
    gles::Uint buffer;
};

struct Light {
    bool enabled;
    float ambient[4];
    float diffuse[4];
    float position[4]; // in eye space, as the modelview was when it was given
};

struct Texture {
    gles::Uint gpu;
    int width;
    int height;
    bool has_image;
    GLint min_filter;
    GLint mag_filter;
    std::vector<unsigned char> pixels; // rows of width x 3 bytes, top row first as given
};

// uniform locations, in the order of UNIFORM_NAMES
enum { U_MVP, U_MODELVIEW, U_NORMAL_MATRIX, U_LIGHTING, U_COLOR_MATERIAL, U_MATERIAL_AMBIENT, U_MATERIAL_DIFFUSE,
    U_LIGHT_ENABLED, U_LIGHT_AMBIENT, U_LIGHT_DIFFUSE, U_LIGHT_POSITION, U_TEXTURING, U_TEXTURE, U_COUNT };

// Everything GL keeps, and what the GPU holds of it.
struct State {
    bool loaded;
    bool lost;
    bool gpu_ready;
    bool dropping; // the frame is not shown: its state is kept, its clears and draws are not made
    gles::Backend gl;
    // matrices
    std::vector<Matrix> modelview { IDENTITY };
    std::vector<Matrix> projection { IDENTITY };
    GLenum matrix_mode = GL_MODELVIEW;
    // current vertex values
    float normal[3] = { 0, 0, 1 };
    float color[4] = { 1, 1, 1, 1 };
    float texcoord[2] = { 0, 0 };
    // lighting
    bool lighting;
    bool color_material;
    Light lights[2] = { { false, { 0, 0, 0, 1 }, { 1, 1, 1, 1 }, { 0, 0, 1, 0 } },
        { false, { 0, 0, 0, 1 }, { 0, 0, 0, 1 }, { 0, 0, 1, 0 } } };
    float material_ambient[4] = { 0.2f, 0.2f, 0.2f, 1 };
    float material_diffuse[4] = { 0.8f, 0.8f, 0.8f, 1 };
    // fragments
    bool texturing;
    bool depth_test;
    bool blend;
    GLenum blend_source = GL_ONE;
    GLenum blend_destination = GL_ZERO;
    float clear_color[4] = { 0, 0, 0, 0 };
    bool viewport_set;
    GLint viewport[4];
    GLint unpack_alignment = 4;
    // textures, by the layer's own names
    std::unordered_map<GLuint, Texture> textures;
    GLuint next_texture = 1;
    GLuint bound_texture;
    // immediate mode and lists
    bool in_begin;
    std::vector<Vertex> begun; // the glBegin's vertices as given, four a quad
    std::vector<Vertex> triangles;
    std::unordered_map<GLuint, List> lists;
    List* compiling;
    GLuint compiling_name;
    bool list_normal_given, list_color_given, list_texcoord_given;
    float saved_normal[3], saved_color[4], saved_texcoord[2]; // the current values, kept while compiling
    // GPU objects
    gles::Uint stream_buffer;
    gles::Int u[U_COUNT];
};
State s;

#ifdef GL_WEB_TRACED
bool dropping() { return s.dropping; }
#endif

// the uniforms' names in the shaders, by U_
const char* const UNIFORM_NAMES[U_COUNT] = { "u_mvp", "u_modelview", "u_normal_matrix", "u_lighting",
    "u_color_material", "u_material_ambient", "u_material_diffuse", "u_light_enabled", "u_light_ambient",
    "u_light_diffuse", "u_light_position", "u_texturing", "u_texture" };

// The fixed-function lighting of GL 1.1 for one-sided lighting, no local viewer, the default global
// ambient (0.2) and attenuation (none), and a material whose specular colour stays black: the
// specular term is zero whatever the lights' specular colours.
const char VERTEX_SHADER[] = R"(
attribute vec3 a_position;
attribute vec3 a_normal;
attribute vec4 a_color;
attribute vec2 a_texcoord;
uniform mat4 u_mvp;
uniform mat4 u_modelview;
uniform mat3 u_normal_matrix;
uniform bool u_lighting;
uniform bool u_color_material;
uniform vec4 u_material_ambient;
uniform vec4 u_material_diffuse;
uniform float u_light_enabled[2];
uniform vec4 u_light_ambient[2];
uniform vec4 u_light_diffuse[2];
uniform vec4 u_light_position[2];
varying vec4 v_color;
varying vec2 v_texcoord;
void main()
{
    vec4 position = vec4(a_position, 1.0);
    gl_Position = u_mvp * position;
    v_texcoord = a_texcoord;
    if (!u_lighting) {
        v_color = a_color;
        return;
    }
    vec4 ambient = u_color_material ? a_color : u_material_ambient;
    vec4 diffuse = u_color_material ? a_color : u_material_diffuse;
    vec3 eye = (u_modelview * position).xyz;
    vec3 normal = u_normal_matrix * a_normal;
    vec3 color = ambient.rgb * 0.2;
    for (int i = 0; i < 2; i++) {
        if (u_light_enabled[i] == 0.0)
            continue;
        vec4 p = u_light_position[i];
        vec3 to_light = p.w == 0.0 ? normalize(p.xyz) : normalize(p.xyz / p.w - eye);
        color += ambient.rgb * u_light_ambient[i].rgb
            + max(dot(normal, to_light), 0.0) * diffuse.rgb * u_light_diffuse[i].rgb;
    }
    v_color = vec4(clamp(color, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
}
)";
const char FRAGMENT_SHADER[] = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform bool u_texturing;
uniform sampler2D u_texture;
varying vec4 v_color;
varying vec2 v_texcoord;
void main()
{
    gl_FragColor = u_texturing ? v_color * texture2D(u_texture, v_texcoord) : v_color;
}
)";

// Ends the program with the GPU's log, after `failure`, when `status` of the shader or program
// `object` (asked through `get`, the log read through `get_log`) says the step failed.
void check(gles::Uint object, gles::Enum status, void (*get)(gles::Uint, gles::Enum, gles::Int*),
    void (*get_log)(gles::Uint, gles::Sizei, gles::Sizei*, char*), const char* failure)
{
    gles::Int ok = 0;
    get(object, status, &ok);
    if (ok)
        return;
    char log[1024] = "";
    get_log(object, sizeof log, nullptr, log);
    fprintf(stderr, "gl_web: %s: %s\n", failure, log);
    abort();
}

gles::Uint compile(gles::Enum type, const char* source)
{
    const gles::Uint shader = s.gl.CreateShader(type);
    s.gl.ShaderSource(shader, 1, &source, nullptr);
    s.gl.CompileShader(shader);
    check(shader, gles::COMPILE_STATUS, s.gl.GetShaderiv, s.gl.GetShaderInfoLog, "a shader does not compile");
    return shader;
}

void upload_list(List& list)
{
    list.buffer = 0;
    if (list.vertices.empty())
        return;
    s.gl.GenBuffers(1, &list.buffer);
    s.gl.BindBuffer(gles::ARRAY_BUFFER, list.buffer);
    s.gl.BufferData(gles::ARRAY_BUFFER, (gles::Sizeiptr)(list.vertices.size() * sizeof(Vertex)),
        list.vertices.data(), gles::STATIC_DRAW);
}

void upload_texture(Texture& texture)
{
    s.gl.GenTextures(1, &texture.gpu);
    s.gl.BindTexture(GL_TEXTURE_2D, texture.gpu);
    s.gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, texture.min_filter);
    s.gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, texture.mag_filter);
    if (texture.has_image) {
        s.gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
        s.gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGB, texture.width, texture.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
            texture.pixels.data());
        s.gl.PixelStorei(GL_UNPACK_ALIGNMENT, s.unpack_alignment);
    }
}

void set_cap(gles::Enum cap, bool on) { on ? s.gl.Enable(cap) : s.gl.Disable(cap); }

// Makes every GPU object from the layer's copies and sets the GPU's state as the layer's: at the first
// call, and again after a lost context comes back.
void make_gpu_objects()
{
    const gles::Uint program = s.gl.CreateProgram();
    s.gl.AttachShader(program, compile(gles::VERTEX_SHADER, VERTEX_SHADER));
    s.gl.AttachShader(program, compile(gles::FRAGMENT_SHADER, FRAGMENT_SHADER));
    const char* const attributes[4] = { "a_position", "a_normal", "a_color", "a_texcoord" };
    for (gles::Uint i = 0; i < 4; i++)
        s.gl.BindAttribLocation(program, i, attributes[i]);
    s.gl.LinkProgram(program);
    check(program, gles::LINK_STATUS, s.gl.GetProgramiv, s.gl.GetProgramInfoLog, "the shaders do not link");
    s.gl.UseProgram(program);
    for (int i = 0; i < U_COUNT; i++)
        s.u[i] = s.gl.GetUniformLocation(program, UNIFORM_NAMES[i]);
    s.gl.Uniform1i(s.u[U_TEXTURE], 0);
    s.gl.GenBuffers(1, &s.stream_buffer);
    for (auto& entry : s.lists)
        upload_list(entry.second);
    for (auto& entry : s.textures)
        upload_texture(entry.second);
    auto bound = s.textures.find(s.bound_texture);
    s.gl.BindTexture(GL_TEXTURE_2D, bound == s.textures.end() ? 0 : bound->second.gpu);
    s.gl.PixelStorei(GL_UNPACK_ALIGNMENT, s.unpack_alignment);
    set_cap(GL_DEPTH_TEST, s.depth_test);
    set_cap(GL_BLEND, s.blend);
    s.gl.BlendFunc(s.blend_source, s.blend_destination);
    s.gl.ClearColor(s.clear_color[0], s.clear_color[1], s.clear_color[2], s.clear_color[3]);
    if (s.viewport_set)
        s.gl.Viewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    s.gl.EnableVertexAttribArray(0);
    s.gpu_ready = true;
}

// True when the GPU may be called: the objects exist and the context is there.
bool gpu()
{
    if (!s.loaded) {
        gles::load(&s.gl);
        s.loaded = true;
    }
    if (!s.gpu_ready && !s.lost)
        make_gpu_objects();
    return s.gpu_ready;
}

// True when the frame's clears and draws go to the GPU.
bool drawing() { return !s.dropping && gpu(); }

std::vector<Matrix>& stack() { return s.matrix_mode == GL_MODELVIEW ? s.modelview : s.projection; }

void multiply_current(const Matrix& m) { stack().back() = multiply(stack().back(), m); }

// 32 deep, as Mesa's stacks; as in GL, a push on a full stack or a pop of the last matrix does nothing.
void push_matrix()
{
    if (stack().size() < 32)
        stack().push_back(stack().back());
}

void pop_matrix()
{
    if (stack().size() > 1)
        stack().pop_back();
}

// The current colour while GL_COLOR_MATERIAL is on is the material's ambient and diffuse colour, and
// stays it when tracking ends.
void track_color()
{
    if (!s.color_material)
        return;
    memcpy(s.material_ambient, s.color, sizeof s.color);
    memcpy(s.material_diffuse, s.color, sizeof s.color);
}

bool* capability(GLenum cap)
{
    switch (cap) {
    case GL_LIGHTING:
        return &s.lighting;
    case GL_LIGHT0:
        return &s.lights[0].enabled;
    case GL_LIGHT1:
        return &s.lights[1].enabled;
    case GL_COLOR_MATERIAL:
        return &s.color_material;
    case GL_TEXTURE_2D:
        return &s.texturing;
    case GL_DEPTH_TEST:
        return &s.depth_test;
    case GL_BLEND:
        return &s.blend;
    default:
        unsupported("glEnable/glDisable", cap);
    }
}

void do_enable(GLenum cap, bool on)
{
    *capability(cap) = on;
    if (cap == GL_COLOR_MATERIAL)
        track_color();
    if ((cap == GL_DEPTH_TEST || cap == GL_BLEND) && gpu())
        set_cap(cap, on);
}

void do_light(GLenum light, GLenum name, const float* v)
{
    if (light != GL_LIGHT0 && light != GL_LIGHT1)
        unsupported("glLightfv", light);
    Light& l = s.lights[light - GL_LIGHT0];
    switch (name) {
    case GL_AMBIENT:
        memcpy(l.ambient, v, sizeof l.ambient);
        break;
    case GL_DIFFUSE:
        memcpy(l.diffuse, v, sizeof l.diffuse);
        break;
    case GL_SPECULAR:
        break; // the material's specular colour stays black: the lights' never count
    case GL_POSITION: {
        // into eye space by the modelview as it is now
        const float* m = s.modelview.back().m;
        for (int i = 0; i < 4; i++)
            l.position[i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2] + m[12 + i] * v[3];
        break;
    }
    default:
        unsupported("glLightfv", name);
    }
}

// The inverse transpose of the modelview's upper 3 x 3, which takes normals into eye space.
void normal_matrix(const float* m, float* n)
{
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], k = m[10];
    const float cofactor[9] = { e * k - f * h, -(d * k - f * g), d * h - e * g, -(b * k - c * h), a * k - c * g,
        -(a * h - b * g), b * f - c * e, -(a * f - c * d), a * e - b * d };
    const float det = a * cofactor[0] + b * cofactor[1] + c * cofactor[2];
    // column by column: column j holds the cofactors of row j
    for (int j = 0; j < 3; j++)
        for (int i = 0; i < 3; i++)
            n[j * 3 + i] = cofactor[i * 3 + j] / det;
}

void set_uniforms()
{
    const Matrix mvp = multiply(s.projection.back(), s.modelview.back());
    s.gl.UniformMatrix4fv(s.u[U_MVP], 1, 0, mvp.m);
    s.gl.Uniform1i(s.u[U_LIGHTING], s.lighting);
    if (s.lighting) {
        float n[9];
        normal_matrix(s.modelview.back().m, n);
        s.gl.UniformMatrix4fv(s.u[U_MODELVIEW], 1, 0, s.modelview.back().m);
        s.gl.UniformMatrix3fv(s.u[U_NORMAL_MATRIX], 1, 0, n);
        s.gl.Uniform1i(s.u[U_COLOR_MATERIAL], s.color_material);
        s.gl.Uniform4fv(s.u[U_MATERIAL_AMBIENT], 1, s.material_ambient);
        s.gl.Uniform4fv(s.u[U_MATERIAL_DIFFUSE], 1, s.material_diffuse);
        float enabled[2], ambient[8], diffuse[8], position[8];
        for (int i = 0; i < 2; i++) {
            enabled[i] = s.lights[i].enabled ? 1.0f : 0.0f;
            memcpy(ambient + 4 * i, s.lights[i].ambient, 16);
            memcpy(diffuse + 4 * i, s.lights[i].diffuse, 16);
            memcpy(position + 4 * i, s.lights[i].position, 16);
        }
        s.gl.Uniform1f(s.u[U_LIGHT_ENABLED], enabled[0]);
        s.gl.Uniform1f(s.u[U_LIGHT_ENABLED] + 1, enabled[1]);
        s.gl.Uniform4fv(s.u[U_LIGHT_AMBIENT], 2, ambient);
        s.gl.Uniform4fv(s.u[U_LIGHT_DIFFUSE], 2, diffuse);
        s.gl.Uniform4fv(s.u[U_LIGHT_POSITION], 2, position);
    }
    // a texture with no image, or with a filter that needs mipmaps, leaves fragments untextured
    auto bound = s.textures.find(s.bound_texture);
    const bool complete = bound != s.textures.end() && bound->second.has_image
        && (bound->second.min_filter == GL_LINEAR || bound->second.min_filter == GL_NEAREST);
    s.gl.Uniform1i(s.u[U_TEXTURING], s.texturing && complete);
}

void draw(gles::Uint buffer, const Batch& batch)
{
    set_uniforms();
    s.gl.BindBuffer(gles::ARRAY_BUFFER, buffer);
    const gles::Sizei stride = sizeof(Vertex);
    s.gl.VertexAttribPointer(0, 3, GL_FLOAT, 0, stride, (const void*)offsetof(Vertex, position));
    const bool given[4] = { true, batch.normal_given, batch.color_given, batch.texcoord_given };
    const int sizes[4] = { 3, 3, 4, 2 };
    const size_t offsets[4]
        = { offsetof(Vertex, position), offsetof(Vertex, normal), offsetof(Vertex, color), offsetof(Vertex, texcoord) };
    for (gles::Uint i = 1; i < 4; i++) {
        if (given[i]) {
            s.gl.EnableVertexAttribArray(i);
            s.gl.VertexAttribPointer(i, sizes[i], GL_FLOAT, 0, stride, (const void*)offsets[i]);
        } else {
            s.gl.DisableVertexAttribArray(i);
        }
    }
    if (!batch.normal_given)
        s.gl.VertexAttrib3f(1, s.normal[0], s.normal[1], s.normal[2]);
    if (!batch.color_given)
        s.gl.VertexAttrib4f(2, s.color[0], s.color[1], s.color[2], s.color[3]);
    if (!batch.texcoord_given)
        s.gl.VertexAttrib2f(3, s.texcoord[0], s.texcoord[1]);
    s.gl.DrawArrays(GL_TRIANGLES, batch.first, batch.count);
}

void call_list(GLuint name, int depth);

void replay(const List& list, int depth)
{
    for (const Op& op : list.ops) {
        switch (op.kind) {
        case OP_DRAW: {
            const Batch& batch = list.batches[op.e[0]];
            if (drawing())
                draw(list.buffer, batch);
            const Vertex& last = list.vertices[(size_t)(batch.first + batch.count - 1)];
            if (batch.normal_given)
                memcpy(s.normal, last.normal, sizeof s.normal);
            if (batch.color_given) {
                memcpy(s.color, last.color, sizeof s.color);
                track_color();
            }
            if (batch.texcoord_given)
                memcpy(s.texcoord, last.texcoord, sizeof s.texcoord);
            break;
        }
        case OP_ENABLE:
        case OP_DISABLE:
            do_enable(op.e[0], op.kind == OP_ENABLE);
            break;
        case OP_COLOR:
            memcpy(s.color, op.f, sizeof s.color);
            track_color();
            break;
        case OP_NORMAL:
            memcpy(s.normal, op.f, sizeof s.normal);
            break;
        case OP_TEXCOORD:
            memcpy(s.texcoord, op.f, sizeof s.texcoord);
            break;
        case OP_MULTIPLY:
            multiply_current(*(const Matrix*)op.f);
            break;
        case OP_PUSH:
            push_matrix();
            break;
        case OP_POP:
            pop_matrix();
            break;
        case OP_IDENTITY:
            stack().back() = IDENTITY;
            break;
        case OP_MATRIX_MODE:
            s.matrix_mode = op.e[0];
            break;
        case OP_LIGHT:
            do_light(op.e[0], op.e[1], op.f);
            break;
        case OP_CALL:
            call_list(op.e[0], depth + 1);
            break;
        }
    }
}

void call_list(GLuint name, int depth)
{
    auto found = s.lists.find(name);
    // GL nests lists 64 deep and calls no list that does not exist
    if (found != s.lists.end() && depth < 64)
        replay(found->second, depth);
}

// Inside glNewList, a state call is kept for the list rather than carried out.
bool record(OpKind kind, unsigned e0 = 0, unsigned e1 = 0, const float* f = nullptr, size_t floats = 0)
{
    if (!s.compiling)
        return false;
    Op op = { kind, { e0, e1 }, {} };
    if (f)
        memcpy(op.f, f, floats * sizeof(float));
    s.compiling->ops.push_back(op);
    return true;
}

void do_multiply(const Matrix& m)
{
    if (!record(OP_MULTIPLY, 0, 0, m.m, 16))
        multiply_current(m);
}

} // namespace

void glClear(GLbitfield mask)
{
    trace("glClear", mask);
    if (mask & ~(GLbitfield)(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT))
        unsupported("glClear", mask);
    if (s.compiling)
        unsupported("glClear in a list", mask);
    if (drawing())
        s.gl.Clear(mask);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    trace("glClearColor", r, g, b, a);
    const float clamped[4] = { fminf(fmaxf(r, 0), 1), fminf(fmaxf(g, 0), 1), fminf(fmaxf(b, 0), 1), fminf(fmaxf(a, 0), 1) };
    memcpy(s.clear_color, clamped, sizeof clamped);
    if (gpu())
        s.gl.ClearColor(clamped[0], clamped[1], clamped[2], clamped[3]);
}

void glFlush()
{
    trace("glFlush");
    if (drawing())
        s.gl.Flush();
}

void glEnable(GLenum cap)
{
    trace("glEnable", cap);
    capability(cap);
    if (!record(OP_ENABLE, cap))
        do_enable(cap, true);
}

void glDisable(GLenum cap)
{
    trace("glDisable", cap);
    capability(cap);
    if (!record(OP_DISABLE, cap))
        do_enable(cap, false);
}

// Smooth shading is what the vertex colours' interpolation gives; flat shading is not carried out.
void glShadeModel(GLenum mode)
{
    trace("glShadeModel", mode);
    if (mode != GL_SMOOTH)
        unsupported("glShadeModel", mode);
}

// The current colour becomes the ambient and diffuse material of both faces (one-sided lighting
// uses the front's alone): the only tracking the layer carries out.
void glColorMaterial(GLenum face, GLenum mode)
{
    trace("glColorMaterial", face, mode);
    if (face != GL_FRONT_AND_BACK || mode != GL_AMBIENT_AND_DIFFUSE)
        unsupported("glColorMaterial", mode);
}

void glBlendFunc(GLenum source, GLenum destination)
{
    trace("glBlendFunc", source, destination);
    if (s.compiling)
        unsupported("glBlendFunc in a list", source);
    s.blend_source = source;
    s.blend_destination = destination;
    if (gpu())
        s.gl.BlendFunc(source, destination);
}

void glPixelStorei(GLenum name, GLint value)
{
    trace("glPixelStorei", name, value);
    if (name != GL_UNPACK_ALIGNMENT || (value != 1 && value != 2 && value != 4 && value != 8))
        unsupported("glPixelStorei", name);
    s.unpack_alignment = value;
    if (gpu())
        s.gl.PixelStorei(name, value);
}

void glLightfv(GLenum light, GLenum name, const GLfloat* params)
{
    if (name == GL_AMBIENT || name == GL_DIFFUSE || name == GL_SPECULAR || name == GL_POSITION)
        trace_with(params, "glLightfv", light, name, params[0], params[1], params[2], params[3]);
    else
        trace_with(params, "glLightfv", light, name, params[0]);
    if (!record(OP_LIGHT, light, name, params, 4))
        do_light(light, name, params);
}

void glNewList(GLuint list, GLenum mode)
{
    trace("glNewList", list, mode);
    if (mode != GL_COMPILE || s.compiling)
        unsupported("glNewList", mode);
    s.compiling_name = list;
    s.compiling = new List();
    s.list_normal_given = s.list_color_given = s.list_texcoord_given = false;
    // compiling changes no current value: the list's values run on copies of them
    memcpy(s.saved_normal, s.normal, sizeof s.normal);
    memcpy(s.saved_color, s.color, sizeof s.color);
    memcpy(s.saved_texcoord, s.texcoord, sizeof s.texcoord);
}

void glEndList()
{
    trace("glEndList");
    if (!s.compiling)
        unsupported("glEndList outside a list", 0);
    auto old = s.lists.find(s.compiling_name);
    if (old != s.lists.end()) {
        if (old->second.buffer && s.gpu_ready)
            s.gl.DeleteBuffers(1, &old->second.buffer);
        s.lists.erase(old);
    }
    List& list = s.lists[s.compiling_name] = std::move(*s.compiling);
    delete s.compiling;
    s.compiling = nullptr;
    memcpy(s.normal, s.saved_normal, sizeof s.normal);
    memcpy(s.color, s.saved_color, sizeof s.color);
    memcpy(s.texcoord, s.saved_texcoord, sizeof s.texcoord);
    if (gpu())
        upload_list(list);
}

void glCallList(GLuint list)
{
    trace("glCallList", list);
    if (!record(OP_CALL, list))
        call_list(list, 0);
}

void glBegin(GLenum mode)
{
    trace("glBegin", mode);
    if (mode != GL_QUADS || s.in_begin)
        unsupported("glBegin", mode);
    s.in_begin = true;
    s.begun.clear();
}

void glEnd()
{
    trace("glEnd");
    if (!s.in_begin)
        unsupported("glEnd outside glBegin", 0);
    s.in_begin = false;
    // each quad as two triangles, split along the diagonal from its second corner to its fourth, as
    // Mesa splits it; a last quad left incomplete draws nothing
    std::vector<Vertex>& out = s.compiling ? s.compiling->vertices : s.triangles;
    const size_t first = s.compiling ? out.size() : 0;
    if (!s.compiling)
        out.clear();
    for (size_t q = 0; q + 3 < s.begun.size(); q += 4) {
        const size_t order[6] = { 0, 1, 3, 1, 2, 3 };
        for (size_t i : order)
            out.push_back(s.begun[q + i]);
    }
    const Batch batch = { (int)first, (int)(out.size() - first), true, true, true };
    if (batch.count == 0)
        return;
    if (s.compiling) {
        Batch kept = { batch.first, batch.count, s.list_normal_given, s.list_color_given, s.list_texcoord_given };
        s.compiling->batches.push_back(kept);
        record(OP_DRAW, (unsigned)(s.compiling->batches.size() - 1));
        return;
    }
    if (!drawing())
        return;
    s.gl.BindBuffer(gles::ARRAY_BUFFER, s.stream_buffer);
    s.gl.BufferData(gles::ARRAY_BUFFER, (gles::Sizeiptr)(out.size() * sizeof(Vertex)), out.data(), gles::STREAM_DRAW);
    draw(s.stream_buffer, batch);
}

namespace
{

// A vertex with the current values, or in a list with the values the list gave so far.
void vertex(float x, float y, float z)
{
    if (!s.in_begin)
        unsupported("glVertex outside glBegin", 0);
    Vertex v = { { x, y, z }, { s.normal[0], s.normal[1], s.normal[2] },
        { s.color[0], s.color[1], s.color[2], s.color[3] }, { s.texcoord[0], s.texcoord[1] } };
    s.begun.push_back(v);
}

// Within a list the current values change as the list runs; a value given after a batch began from
// the caller's values would need both in one batch, which the layer does not carry out.
void list_value_given(bool* given)
{
    if (s.compiling && s.in_begin && !*given && !s.begun.empty())
        unsupported("a vertex value given in a list after its first vertex", 0);
    if (s.compiling)
        *given = true;
}

} // namespace

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    trace("glNormal3f", x, y, z);
    list_value_given(&s.list_normal_given);
    const float v[3] = { x, y, z };
    if (s.compiling && !s.in_begin)
        record(OP_NORMAL, 0, 0, v, 3);
    // in a list the value goes with the list's vertices; the current one changes when it runs
    memcpy(s.normal, v, sizeof v);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    trace("glVertex3f", x, y, z);
    vertex(x, y, z);
}

void glVertex2i(GLint x, GLint y)
{
    trace("glVertex2i", x, y);
    vertex((float)x, (float)y, 0);
}

void glTexCoord2f(GLfloat s_, GLfloat t)
{
    trace("glTexCoord2f", s_, t);
    list_value_given(&s.list_texcoord_given);
    const float v[2] = { s_, t };
    if (s.compiling && !s.in_begin)
        record(OP_TEXCOORD, 0, 0, v, 2);
    memcpy(s.texcoord, v, sizeof v);
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    trace("glColor4f", r, g, b, a);
    list_value_given(&s.list_color_given);
    const float v[4] = { r, g, b, a };
    if (s.compiling && !s.in_begin)
        record(OP_COLOR, 0, 0, v, 4);
    memcpy(s.color, v, sizeof v);
    if (!s.compiling)
        track_color();
}

void glGenTextures(GLsizei n, GLuint* textures)
{
    for (GLsizei i = 0; i < n; i++) {
        textures[i] = s.next_texture++;
        s.textures[textures[i]] = Texture { 0, 0, 0, false, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, {} };
        if (gpu())
            upload_texture(s.textures[textures[i]]);
    }
    trace_with(textures, "glGenTextures", n);
}

void glBindTexture(GLenum target, GLuint texture)
{
    trace("glBindTexture", target, texture);
    if (target != GL_TEXTURE_2D || s.compiling)
        unsupported("glBindTexture", target);
    auto found = s.textures.find(texture);
    if (texture != 0 && found == s.textures.end())
        unsupported("glBindTexture of a name glGenTextures did not give", texture);
    s.bound_texture = texture;
    if (gpu())
        s.gl.BindTexture(GL_TEXTURE_2D, found == s.textures.end() ? 0 : found->second.gpu);
}

void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    trace("glTexParameteri", target, name, value);
    auto found = s.textures.find(s.bound_texture);
    if (target != GL_TEXTURE_2D || found == s.textures.end() || s.compiling
        || (name != GL_TEXTURE_MIN_FILTER && name != GL_TEXTURE_MAG_FILTER)
        || (value != GL_LINEAR && value != GL_NEAREST))
        unsupported("glTexParameteri", name);
    (name == GL_TEXTURE_MIN_FILTER ? found->second.min_filter : found->second.mag_filter) = value;
    if (gpu())
        s.gl.TexParameteri(target, name, value);
}

// Three-component pictures, kept here as well for a lost context. As under GL 1.1, a side that is not
// a power of two leaves the texture without an image (ES 2 could not repeat it).
void glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height, GLint border,
    GLenum format, GLenum type, const GLvoid* pixels)
{
    trace_with(pixels, "glTexImage2D", target, level, internal_format, width, height, border, format, type);
    auto found = s.textures.find(s.bound_texture);
    if (target != GL_TEXTURE_2D || level != 0 || (internal_format != 3 && internal_format != GL_RGB) || border != 0
        || format != GL_RGB || type != GL_UNSIGNED_BYTE || found == s.textures.end() || s.compiling || !pixels)
        unsupported("glTexImage2D", internal_format);
    Texture& texture = found->second;
    const bool power_of_two = width > 0 && height > 0 && (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
    texture.has_image = power_of_two;
    texture.width = width;
    texture.height = height;
    texture.pixels.clear();
    if (!power_of_two)
        return;
    const size_t row = (size_t)width * 3;
    const size_t stride = (row + (size_t)s.unpack_alignment - 1) / (size_t)s.unpack_alignment * (size_t)s.unpack_alignment;
    texture.pixels.resize(row * (size_t)height);
    for (GLsizei y = 0; y < height; y++)
        memcpy(&texture.pixels[row * (size_t)y], (const unsigned char*)pixels + stride * (size_t)y, row);
    if (gpu()) {
        s.gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    }
}

void glMatrixMode(GLenum mode)
{
    trace("glMatrixMode", mode);
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION)
        unsupported("glMatrixMode", mode);
    if (!record(OP_MATRIX_MODE, mode))
        s.matrix_mode = mode;
}

void glLoadIdentity()
{
    trace("glLoadIdentity");
    if (!record(OP_IDENTITY))
        stack().back() = IDENTITY;
}

void glPushMatrix()
{
    trace("glPushMatrix");
    if (!record(OP_PUSH))
        push_matrix();
}

void glPopMatrix()
{
    trace("glPopMatrix");
    if (!record(OP_POP))
        pop_matrix();
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    trace("glOrtho", l, r, b, t, n, f);
    const float left = (float)l, right = (float)r, bottom = (float)b, top = (float)t, near = (float)n, far = (float)f;
    Matrix m = IDENTITY;
    m.m[0] = 2.0f / (right - left);
    m.m[12] = -(right + left) / (right - left);
    m.m[5] = 2.0f / (top - bottom);
    m.m[13] = -(top + bottom) / (top - bottom);
    m.m[10] = -2.0f / (far - near);
    m.m[14] = -(far + near) / (far - near);
    do_multiply(m);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    trace("glTranslatef", x, y, z);
    Matrix m = IDENTITY;
    m.m[12] = x;
    m.m[13] = y;
    m.m[14] = z;
    do_multiply(m);
}

// The rotation matrix as Mesa makes it: the sine and cosine in single precision, and a rotation
// about one axis written straight in.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    trace("glRotatef", angle, x, y, z);
    const float sine = sinf((float)(angle * M_PI / 180.0));
    const float c = cosf((float)(angle * M_PI / 180.0));
    Matrix m = IDENTITY;
    float* M = m.m;
    if (x == 0 && y == 0 && z != 0) {
        M[0] = c;
        M[5] = c;
        M[4] = z < 0 ? sine : -sine;
        M[1] = z < 0 ? -sine : sine;
    } else if (x == 0 && z == 0 && y != 0) {
        M[0] = c;
        M[10] = c;
        M[8] = y < 0 ? -sine : sine;
        M[2] = y < 0 ? sine : -sine;
    } else if (y == 0 && z == 0 && x != 0) {
        M[5] = c;
        M[10] = c;
        M[9] = x < 0 ? sine : -sine;
        M[6] = x < 0 ? -sine : sine;
    } else {
        const float mag = sqrtf(x * x + y * y + z * z);
        if (mag <= 1.0e-4f)
            return;
        x /= mag;
        y /= mag;
        z /= mag;
        const float one_c = 1.0f - c;
        M[0] = one_c * x * x + c;
        M[4] = one_c * x * y - z * sine;
        M[8] = one_c * z * x + y * sine;
        M[1] = one_c * x * y + z * sine;
        M[5] = one_c * y * y + c;
        M[9] = one_c * y * z - x * sine;
        M[2] = one_c * z * x - y * sine;
        M[6] = one_c * y * z + x * sine;
        M[10] = one_c * z * z + c;
    }
    do_multiply(m);
}

void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    trace("glViewport", x, y, w, h);
    const GLint v[4] = { x, y, w, h };
    memcpy(s.viewport, v, sizeof v);
    s.viewport_set = true;
    if (gpu())
        s.gl.Viewport(x, y, w, h);
}

// GLU's own arithmetic: the perspective in double precision, the look-at in single.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble near_plane, GLdouble far_plane)
{
    trace("gluPerspective", fovy, aspect, near_plane, far_plane);
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double delta = far_plane - near_plane;
    const double sine = sin(radians);
    if (delta == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = cos(radians) / sine;
    Matrix m = IDENTITY;
    m.m[0] = (float)(cotangent / aspect);
    m.m[5] = (float)cotangent;
    m.m[10] = (float)(-(far_plane + near_plane) / delta);
    m.m[11] = -1;
    m.m[14] = (float)(-2 * near_plane * far_plane / delta);
    m.m[15] = 0;
    do_multiply(m);
}

namespace
{

void normalize(float v[3])
{
    const float r = (float)sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (r == 0.0f)
        return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

} // namespace

void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux,
    GLdouble uy, GLdouble uz)
{
    trace("gluLookAt", ex, ey, ez, cx, cy, cz, ux, uy, uz);
    float forward[3] = { (float)(cx - ex), (float)(cy - ey), (float)(cz - ez) };
    float up[3] = { (float)ux, (float)uy, (float)uz };
    float side[3];
    normalize(forward);
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, up);
    Matrix m = IDENTITY;
    for (int i = 0; i < 3; i++) {
        m.m[i * 4] = side[i];
        m.m[i * 4 + 1] = up[i];
        m.m[i * 4 + 2] = -forward[i];
    }
    do_multiply(m);
    Matrix t = IDENTITY;
    t.m[12] = (float)-ex;
    t.m[13] = (float)-ey;
    t.m[14] = (float)-ez;
    do_multiply(t);
}

void gl_web_drop_calls(bool drop) { s.dropping = drop; }

void gl_web_context_lost()
{
    s.lost = true;
    s.gpu_ready = false;
}

void gl_web_context_restored()
{
    s.lost = false;
    s.gpu_ready = false;
    gpu();
}
