// The recording OpenGL ES 2 under the web GL layer, for tests with no GPU: gles::load fills the layer's
// table with functions that log its state, uniform, buffer and draw calls in the recording GL's log and
// ignore the rest. A uniform call's text names the uniform ("u_mvp", "u_light_enabled[1]") and its
// numbers are the values; a buffer's data is logged as its floats.
#include <string>
#include <vector>

#include "fakes.h"
#include "gles_backend.h"

namespace
{

// the layer's uniforms in the order it asked for them; a location is 16 times the index, plus the element
std::vector<std::string> uniform_names;
gles::Uint next_name = 1;

void record_values(const char* call, gles::Int location, const float* values, int count)
{
    std::string name = uniform_names.at((size_t)location / 16);
    if (location % 16)
        name += "[" + std::to_string(location % 16) + "]";
    if (fake_log.recording)
        fake_log.calls.push_back(FakeCall { call, std::vector<double>(values, values + count), name, nullptr });
}

template <class R, class... A> void ignore(R (*&function)(A...))
{
    function = [](A...) { return R(); };
}

void make_names(gles::Sizei n, gles::Uint* names)
{
    for (gles::Sizei i = 0; i < n; i++)
        names[i] = next_name++;
}

} // namespace

void gles::load(Backend* b)
{
#define GLES_IGNORE(name) ignore(b->name);
    GLES_BACKEND_FUNCTIONS(GLES_IGNORE)
#undef GLES_IGNORE
    b->Enable = [](Enum cap) { fake_record("glEnable", { (double)cap }); };
    b->Disable = [](Enum cap) { fake_record("glDisable", { (double)cap }); };
    b->BlendFunc = [](Enum source, Enum destination) { fake_record("glBlendFunc", { (double)source, (double)destination }); };
    b->GenBuffers = make_names;
    b->GenTextures = make_names;
    b->BindBuffer = [](Enum target, Uint buffer) { fake_record("glBindBuffer", { (double)target, (double)buffer }); };
    b->BufferData = [](Enum, Sizeiptr size, const void* data, Enum) {
        const float* floats = (const float*)data;
        fake_log.calls.push_back(FakeCall { "glBufferData", std::vector<double>(floats, floats + size / 4), "", nullptr });
    };
    b->DrawArrays = [](Enum mode, Int first, Sizei count) {
        fake_record("glDrawArrays", { (double)mode, (double)first, (double)count });
    };
    b->GetShaderiv = [](Uint, Enum, Int* value) { *value = 1; };
    b->GetProgramiv = [](Uint, Enum, Int* value) { *value = 1; };
    b->GetUniformLocation = [](Uint, const char* name) {
        uniform_names.push_back(name);
        return (Int)(16 * (uniform_names.size() - 1));
    };
    b->Uniform1i = [](Int location, Int value) {
        const float v = (float)value;
        record_values("glUniform1i", location, &v, 1);
    };
    b->Uniform1f = [](Int location, Float value) { record_values("glUniform1f", location, &value, 1); };
    b->Uniform4fv = [](Int location, Sizei count, const Float* v) { record_values("glUniform4fv", location, v, 4 * count); };
    b->UniformMatrix3fv = [](Int location, Sizei count, Boolean, const Float* v) {
        record_values("glUniformMatrix3fv", location, v, 9 * count);
    };
    b->UniformMatrix4fv = [](Int location, Sizei count, Boolean, const Float* v) {
        record_values("glUniformMatrix4fv", location, v, 16 * count);
    };
}
