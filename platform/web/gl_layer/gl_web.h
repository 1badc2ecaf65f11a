// The GL 1.1 layer of the web build, over OpenGL ES 2 (WebGL 1): what the web platform layer calls
// around the GL entry points themselves, which the scene calls as it would desktop GL's.
#pragma once

// The layer makes its GPU objects at the first GL call, in whatever context is current then.
// Called from the canvas's webglcontextlost handler: the GPU objects are gone. Until the context comes
// back the layer keeps every call in its own state and draws nothing.
void gl_web_context_lost();
// Called from the webglcontextrestored handler, with the new context current: every GPU object is made
// again from the layer's own copies (display lists' vertices, the texture's pixels, the shaders) and
// the GL state is set as the scene left it, so the next frame draws as if nothing had happened.
void gl_web_context_restored();

// While drop is true the frames drawn are never shown: every call still changes the layer's state (and
// the GPU's, so the next shown frame starts from the same state), but clears, draws and flushes are
// not made and the traced build logs nothing.
void gl_web_drop_calls(bool drop);

// The traced build of the layer logs every GL and GLU call as the recording GL of the tests prints
// it, one line a call ("glBegin( 7 )"). Returns the lines logged since the last call, each ending in a
// line break, valid until the next call; null from the untraced build.
const char* gl_web_trace_take();
