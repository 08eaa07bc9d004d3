// OpenGL 1.1 texture objects: creation with fixed sampling settings and a copy
// of one object's image into another by reading it back through client memory.
// The calls act on whatever context is current; with none they do nothing.
#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "platform/gl_context.hpp"
#include "texture/gl_textures.hpp"

namespace quilbet {

namespace {

// ARB_texture_compression's generic compressed RGBA format: the driver picks the encoding.
constexpr GLint compressed_rgba = 0x84EE;
// Legacy internal format "4": four components, driver's choice of precision.
constexpr GLint four_components = 4;

GLint internal_format(bool compressed) { return compressed ? compressed_rgba : four_components; }

// Room for w x h 32-bit pixels, zero-filled; empty for non-positive sizes.
std::vector<uint32_t> pixel_buffer(int32_t w, int32_t h) {
    if (w < 1 || h < 1) return {};
    return std::vector<uint32_t>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0u);
}

}  // namespace

bool gl_tex_create(uint32_t& name, int32_t w, int32_t h, bool compressed, bool linear, bool repeat) {
    if (!gl_context_current()) return true;
    std::vector<uint32_t> buffer = pixel_buffer(w, h);
    GLuint tex = name;
    glGenTextures(1, &tex);
    name = tex;
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    const GLint wrap = repeat ? GL_REPEAT : GL_CLAMP;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexImage2D(GL_TEXTURE_2D, 0, internal_format(compressed), w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 buffer.empty() ? nullptr : buffer.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

bool gl_tex_copy(uint32_t& dst, uint32_t& src, int32_t w, bool compressed, int32_t h) {
    if (!gl_context_current()) return true;
    std::vector<uint32_t> buffer = pixel_buffer(w, h);
    glBindTexture(GL_TEXTURE_2D, src);
    // The read-back writes the source's whole level 0; the buffer only has room
    // for w x h pixels, so a source of another size is not read.
    GLint src_w = 0;
    GLint src_h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &src_w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &src_h);
    const bool readable = !buffer.empty() && src_w == w && src_h == h;
    if (readable) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
    glBindTexture(GL_TEXTURE_2D, dst);
    glTexImage2D(GL_TEXTURE_2D, 0, internal_format(compressed), w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 buffer.empty() ? nullptr : buffer.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

}  // namespace quilbet
