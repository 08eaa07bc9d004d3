// Current-context query for Linux and other EGL/GLX systems.
#include "platform/gl_context.hpp"

#include <EGL/egl.h>
#include <GL/glx.h>

namespace quilbet {

bool gl_context_current() {
    if (eglGetCurrentContext() != EGL_NO_CONTEXT) return true;
    return glXGetCurrentContext() != nullptr;
}

}  // namespace quilbet
