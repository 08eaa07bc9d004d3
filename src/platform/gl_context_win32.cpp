// Current-context query for Windows (WGL).
#include "platform/gl_context.hpp"

#include <windows.h>

namespace quilbet {

bool gl_context_current() { return wglGetCurrentContext() != nullptr; }

}  // namespace quilbet
