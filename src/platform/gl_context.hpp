// Whether an OpenGL rendering context is current on the calling thread. The
// texture objects are only touched when one is; the module never makes its own.
#pragma once

namespace quilbet {

// True when the calling thread has a current OpenGL context (WGL on Windows;
// EGL or GLX elsewhere). Makes no GL call and changes nothing.
bool gl_context_current();

}  // namespace quilbet
