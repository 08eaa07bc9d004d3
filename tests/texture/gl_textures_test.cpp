// OpenGL texture objects against a real off-screen context: Mesa through EGL's
// surfaceless platform with a desktop (compatibility) OpenGL context, so every
// call reaches a real driver. Native builds only: Wine has no EGL.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <vector>

#include "texture/gl_textures.hpp"

namespace quilbet {
namespace {

// One display and context for the whole program. They are never torn down:
// unloading Mesa's driver mid-run would leave its own allocations behind,
// which the leak checker of the sanitizer build would report.
struct SharedGl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

const SharedGl& shared_gl() {
    static const SharedGl gl = [] {
        SharedGl g;
        g.display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (g.display == EGL_NO_DISPLAY || !eglInitialize(g.display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API)) {
            return g;
        }
        const EGLint config_attribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                         EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(g.display, config_attribs, &config, 1, &count) || count < 1) return g;
        g.context = eglCreateContext(g.display, config, EGL_NO_CONTEXT, nullptr);
        return g;
    }();
    return gl;
}

class OffscreenGl : public ::testing::Test {
protected:
    void SetUp() override {
        const SharedGl& gl = shared_gl();
        display_ = gl.display;
        context_ = gl.context;
        ASSERT_NE(display_, EGL_NO_DISPLAY) << "no EGL surfaceless display (Mesa's EGL missing?)";
        ASSERT_NE(context_, EGL_NO_CONTEXT) << "no desktop OpenGL context on the surfaceless display";
        ASSERT_TRUE(eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_));
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    void TearDown() override {
        if (display_ != EGL_NO_DISPLAY) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }

    static GLint bound_texture() {
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return bound;
    }

    static GLint parameter(uint32_t name, GLenum which) {
        GLint value = -1;
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
        glBindTexture(GL_TEXTURE_2D, 0);
        return value;
    }

    static std::vector<uint32_t> read_back(uint32_t name, int w, int h) {
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0xDEADBEEFu);
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return pixels;
    }

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
};

TEST_F(OffscreenGl, CreateSetsSamplingAndLeavesNothingBound) {
    struct Case {
        bool linear, repeat;
        GLint filter, wrap;
    };
    for (const Case c : {Case{true, false, GL_LINEAR, GL_CLAMP}, Case{false, true, GL_NEAREST, GL_REPEAT},
                         Case{true, true, GL_LINEAR, GL_REPEAT}, Case{false, false, GL_NEAREST, GL_CLAMP}}) {
        uint32_t name = 0;
        EXPECT_TRUE(gl_tex_create(name, 128, 128, false, c.linear, c.repeat));
        EXPECT_NE(name, 0u);
        EXPECT_EQ(bound_texture(), 0);
        EXPECT_EQ(parameter(name, GL_TEXTURE_MIN_FILTER), c.filter);
        EXPECT_EQ(parameter(name, GL_TEXTURE_MAG_FILTER), c.filter);
        EXPECT_EQ(parameter(name, GL_TEXTURE_WRAP_S), c.wrap);
        EXPECT_EQ(parameter(name, GL_TEXTURE_WRAP_T), c.wrap);
        GLint mode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        EXPECT_EQ(mode, GL_MODULATE);
        // The new image is zero-filled rather than left undefined.
        for (uint32_t p : read_back(name, 128, 128)) ASSERT_EQ(p, 0u);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    uint32_t compressed = 0;
    EXPECT_TRUE(gl_tex_create(compressed, 128, 128, true, true, false));
    EXPECT_NE(compressed, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(OffscreenGl, CopyReproducesEveryPixel) {
    uint32_t src = 0;
    uint32_t dst = 0;
    ASSERT_TRUE(gl_tex_create(src, 128, 128, false, true, false));
    ASSERT_TRUE(gl_tex_create(dst, 128, 128, false, true, false));
    // Every pixel different and every byte used, so a flip, a shift or a channel swap shows.
    std::vector<uint32_t> image(128 * 128);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint32_t>(i * 2654435761u) ^ 0x01020304u;
    glBindTexture(GL_TEXTURE_2D, src);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 128, 128, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    glBindTexture(GL_TEXTURE_2D, 0);

    EXPECT_TRUE(gl_tex_copy(dst, src, 128, false, 128));
    EXPECT_EQ(bound_texture(), 0);
    const std::vector<uint32_t> copied = read_back(dst, 128, 128);
    ASSERT_EQ(copied.size() * sizeof(uint32_t), 65536u);   // 128 x 128 pixels, 65,536 bytes
    EXPECT_EQ(copied, image);
    EXPECT_EQ(read_back(src, 128, 128), image);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(OffscreenGl, CopyFromASourceOfAnotherSizeDoesNotOverrun) {
    // The read-back would write 256 x 256 pixels into room for 128 x 128; the
    // destination gets a blank image instead.
    uint32_t big = 0;
    uint32_t dst = 0;
    ASSERT_TRUE(gl_tex_create(big, 256, 256, false, true, false));
    ASSERT_TRUE(gl_tex_create(dst, 128, 128, false, true, false));
    EXPECT_TRUE(gl_tex_copy(dst, big, 128, false, 128));
    for (uint32_t p : read_back(dst, 128, 128)) ASSERT_EQ(p, 0u);
    EXPECT_EQ(bound_texture(), 0);
}

TEST_F(OffscreenGl, HarmlessWithoutACurrentContext) {
    ASSERT_TRUE(eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT));
    uint32_t name = 77;
    uint32_t other = 0;
    EXPECT_TRUE(gl_tex_create(name, 128, 128, false, true, false));
    EXPECT_EQ(name, 77u);
    EXPECT_TRUE(gl_tex_copy(other, name, 128, false, 128));
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(name, 77u);
    // Back on the context, nothing was created behind the test's back.
    ASSERT_TRUE(eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_));
    EXPECT_EQ(bound_texture(), 0);
    EXPECT_EQ(glIsTexture(77), GL_FALSE);
}

}  // namespace
}  // namespace quilbet

#endif  // _WIN32
