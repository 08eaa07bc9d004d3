// Preview renderer: EGL surfaceless context, one VAO per group, Blinn-Phong
// shading in a GLSL 3.30 program, multisampled framebuffer, resolve, read
// back, 2x2 box filter, rows flipped to top-first.
#include "station/preview.hpp"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace quilbet {
namespace {

// The OpenGL entry points used here, all fetched through eglGetProcAddress.
struct Gl {
    PFNGLGETERRORPROC GetError;
    PFNGLVIEWPORTPROC Viewport;
    PFNGLCLEARCOLORPROC ClearColor;
    PFNGLCLEARPROC Clear;
    PFNGLENABLEPROC Enable;
    PFNGLDISABLEPROC Disable;
    PFNGLDRAWELEMENTSPROC DrawElements;
    PFNGLREADPIXELSPROC ReadPixels;
    PFNGLPIXELSTOREIPROC PixelStorei;
    PFNGLGETINTEGERVPROC GetIntegerv;
    PFNGLGENTEXTURESPROC GenTextures;
    PFNGLDELETETEXTURESPROC DeleteTextures;
    PFNGLBINDTEXTUREPROC BindTexture;
    PFNGLTEXIMAGE2DPROC TexImage2D;
    PFNGLTEXPARAMETERIPROC TexParameteri;
    PFNGLACTIVETEXTUREPROC ActiveTexture;
    PFNGLGENERATEMIPMAPPROC GenerateMipmap;
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer;
    PFNGLGENRENDERBUFFERSPROC GenRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC BindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC RenderbufferStorageMultisample;
    PFNGLCREATESHADERPROC CreateShader;
    PFNGLSHADERSOURCEPROC ShaderSource;
    PFNGLCOMPILESHADERPROC CompileShader;
    PFNGLGETSHADERIVPROC GetShaderiv;
    PFNGLGETSHADERINFOLOGPROC GetShaderInfoLog;
    PFNGLDELETESHADERPROC DeleteShader;
    PFNGLCREATEPROGRAMPROC CreateProgram;
    PFNGLATTACHSHADERPROC AttachShader;
    PFNGLBINDATTRIBLOCATIONPROC BindAttribLocation;
    PFNGLLINKPROGRAMPROC LinkProgram;
    PFNGLGETPROGRAMIVPROC GetProgramiv;
    PFNGLGETPROGRAMINFOLOGPROC GetProgramInfoLog;
    PFNGLUSEPROGRAMPROC UseProgram;
    PFNGLDELETEPROGRAMPROC DeleteProgram;
    PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation;
    PFNGLUNIFORMMATRIX4FVPROC UniformMatrix4fv;
    PFNGLUNIFORM3FVPROC Uniform3fv;
    PFNGLUNIFORM4FVPROC Uniform4fv;
    PFNGLUNIFORM1FPROC Uniform1f;
    PFNGLUNIFORM1IPROC Uniform1i;
    PFNGLGENVERTEXARRAYSPROC GenVertexArrays;
    PFNGLDELETEVERTEXARRAYSPROC DeleteVertexArrays;
    PFNGLBINDVERTEXARRAYPROC BindVertexArray;
    PFNGLGENBUFFERSPROC GenBuffers;
    PFNGLDELETEBUFFERSPROC DeleteBuffers;
    PFNGLBINDBUFFERPROC BindBuffer;
    PFNGLBUFFERDATAPROC BufferData;
    PFNGLVERTEXATTRIBPOINTERPROC VertexAttribPointer;
    PFNGLENABLEVERTEXATTRIBARRAYPROC EnableVertexAttribArray;

    bool load(std::string& missing) {
        bool ok = true;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(eglGetProcAddress(name));
            if (fn == nullptr) {
                missing += std::string(missing.empty() ? "" : ", ") + name;
                ok = false;
            }
        };
        get(GetError, "glGetError");
        get(Viewport, "glViewport");
        get(ClearColor, "glClearColor");
        get(Clear, "glClear");
        get(Enable, "glEnable");
        get(Disable, "glDisable");
        get(DrawElements, "glDrawElements");
        get(ReadPixels, "glReadPixels");
        get(PixelStorei, "glPixelStorei");
        get(GetIntegerv, "glGetIntegerv");
        get(GenTextures, "glGenTextures");
        get(DeleteTextures, "glDeleteTextures");
        get(BindTexture, "glBindTexture");
        get(TexImage2D, "glTexImage2D");
        get(TexParameteri, "glTexParameteri");
        get(ActiveTexture, "glActiveTexture");
        get(GenerateMipmap, "glGenerateMipmap");
        get(GenFramebuffers, "glGenFramebuffers");
        get(DeleteFramebuffers, "glDeleteFramebuffers");
        get(BindFramebuffer, "glBindFramebuffer");
        get(FramebufferRenderbuffer, "glFramebufferRenderbuffer");
        get(CheckFramebufferStatus, "glCheckFramebufferStatus");
        get(BlitFramebuffer, "glBlitFramebuffer");
        get(GenRenderbuffers, "glGenRenderbuffers");
        get(DeleteRenderbuffers, "glDeleteRenderbuffers");
        get(BindRenderbuffer, "glBindRenderbuffer");
        get(RenderbufferStorageMultisample, "glRenderbufferStorageMultisample");
        get(CreateShader, "glCreateShader");
        get(ShaderSource, "glShaderSource");
        get(CompileShader, "glCompileShader");
        get(GetShaderiv, "glGetShaderiv");
        get(GetShaderInfoLog, "glGetShaderInfoLog");
        get(DeleteShader, "glDeleteShader");
        get(CreateProgram, "glCreateProgram");
        get(AttachShader, "glAttachShader");
        get(BindAttribLocation, "glBindAttribLocation");
        get(LinkProgram, "glLinkProgram");
        get(GetProgramiv, "glGetProgramiv");
        get(GetProgramInfoLog, "glGetProgramInfoLog");
        get(UseProgram, "glUseProgram");
        get(DeleteProgram, "glDeleteProgram");
        get(GetUniformLocation, "glGetUniformLocation");
        get(UniformMatrix4fv, "glUniformMatrix4fv");
        get(Uniform3fv, "glUniform3fv");
        get(Uniform4fv, "glUniform4fv");
        get(Uniform1f, "glUniform1f");
        get(Uniform1i, "glUniform1i");
        get(GenVertexArrays, "glGenVertexArrays");
        get(DeleteVertexArrays, "glDeleteVertexArrays");
        get(BindVertexArray, "glBindVertexArray");
        get(GenBuffers, "glGenBuffers");
        get(DeleteBuffers, "glDeleteBuffers");
        get(BindBuffer, "glBindBuffer");
        get(BufferData, "glBufferData");
        get(VertexAttribPointer, "glVertexAttribPointer");
        get(EnableVertexAttribArray, "glEnableVertexAttribArray");
        return ok;
    }
};

// An EGL display and a current GL 3.3 core context without any surface;
// released on destruction.
class OffscreenContext {
public:
    bool open(std::string& error) {
        auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (get_display == nullptr) {
            error = "EGL has no eglGetPlatformDisplayEXT";
            return false;
        }
        dpy_ = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (dpy_ == EGL_NO_DISPLAY || !eglInitialize(dpy_, nullptr, nullptr)) {
            error = "cannot open an EGL display on the surfaceless platform (Mesa)";
            dpy_ = EGL_NO_DISPLAY;
            return false;
        }
        if (!eglBindAPI(EGL_OPENGL_API)) {
            error = "EGL cannot bind desktop OpenGL";
            return false;
        }
        const EGLint config_attribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        eglChooseConfig(dpy_, config_attribs, &config, 1, &count);
        const EGLint ctx_attribs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
        ctx_ = eglCreateContext(dpy_, count > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, ctx_attribs);
        if (ctx_ == EGL_NO_CONTEXT) {
            error = "cannot create an OpenGL 3.3 core context";
            return false;
        }
        if (!eglMakeCurrent(dpy_, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx_)) {
            error = "cannot make the OpenGL context current without a surface";
            return false;
        }
        return true;
    }
    ~OffscreenContext() {
        if (dpy_ != EGL_NO_DISPLAY) {
            eglMakeCurrent(dpy_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            if (ctx_ != EGL_NO_CONTEXT) eglDestroyContext(dpy_, ctx_);
            // The display stays initialised: eglTerminate unloads Mesa's driver,
            // which strands the driver's own bookkeeping (leak checkers then
            // report it), and the next preview reuses the same display anyway.
        }
    }

private:
    EGLDisplay dpy_ = EGL_NO_DISPLAY;
    EGLContext ctx_ = EGL_NO_CONTEXT;
};

const char* vertex_shader = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_nrm;
layout(location = 2) in vec2 a_uv;
uniform mat4 u_mvp;
out vec3 v_pos;
out vec3 v_nrm;
out vec2 v_uv;
void main() {
    v_pos = a_pos;
    v_nrm = a_nrm;
    v_uv = a_uv;
    gl_Position = u_mvp * vec4(a_pos, 1.0);
}
)";

const char* fragment_shader = R"(#version 330 core
in vec3 v_pos;
in vec3 v_nrm;
in vec2 v_uv;
uniform sampler2D u_tex;
uniform int u_has_tex;
uniform vec4 u_diffuse;
uniform vec3 u_emissive;
uniform vec3 u_specular;
uniform float u_specpow;
uniform vec3 u_eye;
uniform vec3 u_key;
uniform vec3 u_fill;
out vec4 o_colour;
void main() {
    vec3 v = normalize(u_eye - v_pos);
    vec3 n = v_nrm;
    float len = length(n);
    n = len > 1e-6 ? n / len : v;
    if (dot(n, v) < 0.0) n = -n;   // thin parts are seen from both sides
    vec3 albedo = u_diffuse.rgb;
    if (u_has_tex != 0) albedo *= texture(u_tex, v_uv).rgb;
    float key = max(dot(n, u_key), 0.0);
    float fill = max(dot(n, u_fill), 0.0);
    vec3 ambient = mix(vec3(0.10, 0.10, 0.11), vec3(0.24, 0.25, 0.28), 0.5 + 0.5 * n.y);
    vec3 light = ambient + key * vec3(1.05, 1.0, 0.94) + fill * vec3(0.28, 0.31, 0.36);
    vec3 colour = albedo * light + u_emissive;
    if (u_specpow > 0.0) {
        vec3 h = normalize(u_key + v);
        colour += u_specular * 0.6 * pow(max(dot(n, h), 0.0), u_specpow) * step(0.0, key);
    }
    o_colour = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
)";

using V3 = std::array<double, 3>;
V3 sub(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 add(V3 a, V3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 mul(V3 a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 cross(V3 a, V3 b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
V3 unit(V3 a) { return mul(a, 1.0 / std::sqrt(dot(a, a))); }

// A perspective camera looking along `forward` at `centre` from distance `dist`.
struct Camera {
    V3 centre{}, right{}, up{}, forward{};
    double dist = 1, tan_x = 1, tan_y = 1, near = 0.1, far = 100;
    V3 eye() const { return sub(centre, mul(forward, dist)); }
    // Normalised device x and y of a point in front of the camera.
    std::array<double, 2> project(V3 p) const {
        const V3 r = sub(p, centre);
        const double depth = dist + dot(r, forward);
        return {dot(r, right) / (depth * tan_x), dot(r, up) / (depth * tan_y)};
    }
};

// Fits the camera so that every point lies within `fill` of the frame's half
// extents, and centres the points' projected box by moving the centre.
Camera fit_camera(const std::vector<V3>& pts, V3 view_dir, double fov_y, double aspect, double fill) {
    Camera cam;
    cam.forward = unit(mul(view_dir, -1));
    cam.right = unit(cross(cam.forward, {0, 1, 0}));
    cam.up = cross(cam.right, cam.forward);
    cam.tan_y = std::tan(fov_y / 2);
    cam.tan_x = cam.tan_y * aspect;
    V3 lo = pts[0], hi = pts[0];
    for (const V3& p : pts) {
        for (int c = 0; c < 3; ++c) lo[c] = std::min(lo[c], p[c]), hi[c] = std::max(hi[c], p[c]);
    }
    cam.centre = mul(add(lo, hi), 0.5);
    for (int iteration = 0; iteration < 12; ++iteration) {
        double d = -INFINITY;
        for (const V3& p : pts) {
            const V3 r = sub(p, cam.centre);
            const double x = std::fabs(dot(r, cam.right)), y = std::fabs(dot(r, cam.up)), z = dot(r, cam.forward);
            d = std::max({d, x / (fill * cam.tan_x) - z, y / (fill * cam.tan_y) - z});
        }
        cam.dist = d;
        double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
        for (const V3& p : pts) {
            const auto q = cam.project(p);
            x0 = std::min(x0, q[0]), x1 = std::max(x1, q[0]), y0 = std::min(y0, q[1]), y1 = std::max(y1, q[1]);
        }
        const double mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
        if (std::fabs(mx) < 1e-4 && std::fabs(my) < 1e-4) break;
        cam.centre = add(cam.centre, add(mul(cam.right, mx * cam.dist * cam.tan_x), mul(cam.up, my * cam.dist * cam.tan_y)));
    }
    double zmin = INFINITY, zmax = -INFINITY;
    for (const V3& p : pts) {
        const double z = dot(sub(p, cam.centre), cam.forward);
        zmin = std::min(zmin, z), zmax = std::max(zmax, z);
    }
    cam.near = std::max(0.01, (cam.dist + zmin) * 0.5);
    cam.far = (cam.dist + zmax) * 1.5 + 1;
    return cam;
}

// Column-major view-projection matrix for OpenGL.
std::array<float, 16> view_projection(const Camera& c) {
    const V3 e = c.eye();
    const double n = c.near, f = c.far;
    // View: rows right, up, -forward; translation -R e.
    const double view[16] = {
        c.right[0], c.up[0], -c.forward[0], 0,
        c.right[1], c.up[1], -c.forward[1], 0,
        c.right[2], c.up[2], -c.forward[2], 0,
        -dot(c.right, e), -dot(c.up, e), dot(c.forward, e), 1};
    const double proj[16] = {
        1 / c.tan_x, 0, 0, 0,
        0, 1 / c.tan_y, 0, 0,
        0, 0, -(f + n) / (f - n), -1,
        0, 0, -2 * f * n / (f - n), 0};
    std::array<float, 16> out{};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += proj[k * 4 + row] * view[col * 4 + k];
            out[static_cast<size_t>(col * 4 + row)] = static_cast<float>(s);
        }
    }
    return out;
}

unsigned compile(const Gl& gl, unsigned type, const char* src, std::string& error) {
    const unsigned s = gl.CreateShader(type);
    gl.ShaderSource(s, 1, &src, nullptr);
    gl.CompileShader(s);
    GLint ok = 0;
    gl.GetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        gl.GetShaderInfoLog(s, sizeof log, nullptr, log);
        error = std::string("shader compilation failed: ") + log;
    }
    return s;
}

// Three-quarter views from above, from each quarter around the station; the
// one that shows the station largest (largest projected box) wins.
Camera choose_camera(const std::vector<V3>& pts, double aspect, double fov) {
    const double pi = 3.14159265358979323846;
    std::vector<V3> sample;
    const size_t step = std::max<size_t>(1, pts.size() / 60000);
    for (size_t i = 0; i < pts.size(); i += step) sample.push_back(pts[i]);
    V3 best_dir{1.0, 0.62, 1.35};
    double best_area = -1;
    for (int quarter = 0; quarter < 4; ++quarter) {
        for (double elevation : {24.0, 34.0}) {
            const double az = (35.0 + 90.0 * quarter) * pi / 180.0, el = elevation * pi / 180.0;
            const V3 dir{std::cos(el) * std::sin(az), std::sin(el), std::cos(el) * std::cos(az)};
            const Camera c = fit_camera(sample, dir, fov, aspect, 0.9);
            double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
            for (const V3& p : sample) {
                const auto q = c.project(p);
                x0 = std::min(x0, q[0]), x1 = std::max(x1, q[0]), y0 = std::min(y0, q[1]), y1 = std::max(y1, q[1]);
            }
            const double area = (x1 - x0) * (y1 - y0);
            if (area > best_area * 1.02) {   // prefer the first candidates unless clearly better
                best_area = area;
                best_dir = dir;
            }
        }
    }
    return fit_camera(pts, best_dir, fov, aspect, 0.9);
}

// The projected box in output pixels, for callers that check the framing.
void frame_box(const std::vector<V3>& pts, const Camera& cam, int32_t width, int32_t height, PreviewInfo& info) {
    info.min_x = info.min_y = INFINITY;
    info.max_x = info.max_y = -INFINITY;
    for (const V3& p : pts) {
        const auto q = cam.project(p);
        const double px = (q[0] * 0.5 + 0.5) * width, py = (0.5 - q[1] * 0.5) * height;
        info.min_x = std::min(info.min_x, px), info.max_x = std::max(info.max_x, px);
        info.min_y = std::min(info.min_y, py), info.max_y = std::max(info.max_y, py);
    }
}

// Multisampled colour and depth renderbuffers (fb[0]) resolved into a plain
// colour one (fb[1]); deleted with the object.
struct Targets {
    GLuint rb[3] = {}, fb[2] = {};
    const Gl* gl = nullptr;
    ~Targets() { release(); }
    void release() {
        if (gl == nullptr) return;
        gl->DeleteFramebuffers(2, fb);
        gl->DeleteRenderbuffers(3, rb);
        gl = nullptr;
    }
    // Makes the targets, rw x rh, in the current context; false, with nothing
    // left allocated, when the GL refuses the size or cannot allocate them.
    bool create(const Gl& g, int rw, int rh, std::string& error) {
        GLint max_size = 0, max_samples = 0;
        g.GetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_size);
        g.GetIntegerv(GL_MAX_SAMPLES, &max_samples);
        if (rw > max_size || rh > max_size) {
            error = "this OpenGL renders at most " + std::to_string(max_size) + " pixels across, and the preview is drawn at " +
                    "twice its size";
            return false;
        }
        const int samples = std::min(4, std::max(0, max_samples));
        // Clear earlier errors so that the check below sees only these calls' (a
        // lost context answers an error for ever, so the clearing is bounded).
        for (int i = 0; i < 16 && g.GetError() != GL_NO_ERROR; ++i) {
        }
        gl = &g;
        g.GenRenderbuffers(3, rb);
        g.GenFramebuffers(2, fb);
        g.BindRenderbuffer(GL_RENDERBUFFER, rb[0]);
        g.RenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, rw, rh);
        g.BindRenderbuffer(GL_RENDERBUFFER, rb[1]);
        g.RenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, rw, rh);
        g.BindRenderbuffer(GL_RENDERBUFFER, rb[2]);
        g.RenderbufferStorageMultisample(GL_RENDERBUFFER, 0, GL_RGBA8, rw, rh);
        g.BindFramebuffer(GL_FRAMEBUFFER, fb[1]);
        g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb[2]);
        const bool resolve_ok = g.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        g.BindFramebuffer(GL_FRAMEBUFFER, fb[0]);
        g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb[0]);
        g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb[1]);
        const bool draw_ok = g.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        const GLenum err = g.GetError();
        if (!resolve_ok || !draw_ok || err != GL_NO_ERROR) {
            error = err == GL_OUT_OF_MEMORY ? std::string("OpenGL ran out of memory for the off-screen framebuffer")
                                            : std::string("the off-screen framebuffer is incomplete");
            release();
            return false;
        }
        return true;
    }
};

// The shading program, compiled and linked; deleted with the object.
struct Program {
    unsigned vs = 0, fs = 0, prog = 0;
    const Gl* gl = nullptr;
    ~Program() {
        if (gl == nullptr) return;
        if (prog != 0) gl->DeleteProgram(prog);
        if (vs != 0) gl->DeleteShader(vs);
        if (fs != 0) gl->DeleteShader(fs);
    }
    bool build(const Gl& g, std::string& error) {
        gl = &g;
        vs = compile(g, GL_VERTEX_SHADER, vertex_shader, error);
        fs = compile(g, GL_FRAGMENT_SHADER, fragment_shader, error);
        if (!error.empty()) return false;
        prog = g.CreateProgram();
        g.AttachShader(prog, vs);
        g.AttachShader(prog, fs);
        g.LinkProgram(prog);
        GLint linked = 0;
        g.GetProgramiv(prog, GL_LINK_STATUS, &linked);
        if (!linked) {
            char log[2048] = {};
            g.GetProgramInfoLog(prog, sizeof log, nullptr, log);
            error = std::string("shader linking failed: ") + log;
            return false;
        }
        return true;
    }
};

// Camera and lights: a key light from above, behind the viewer's left
// shoulder; a fill light from the lower right.
void set_view(const Gl& gl, unsigned prog, const Camera& cam) {
    const auto mvp = view_projection(cam);
    const V3 eye = cam.eye();
    const V3 key = unit(add(add(mul(cam.up, 0.9), mul(cam.right, -0.55)), mul(cam.forward, -0.75)));
    const V3 fill = unit(add(add(mul(cam.up, -0.3), mul(cam.right, 0.8)), mul(cam.forward, -0.3)));
    const float eyef[3] = {float(eye[0]), float(eye[1]), float(eye[2])};
    const float keyf[3] = {float(key[0]), float(key[1]), float(key[2])};
    const float fillf[3] = {float(fill[0]), float(fill[1]), float(fill[2])};
    gl.UniformMatrix4fv(gl.GetUniformLocation(prog, "u_mvp"), 1, GL_FALSE, mvp.data());
    gl.Uniform3fv(gl.GetUniformLocation(prog, "u_eye"), 1, eyef);
    gl.Uniform3fv(gl.GetUniformLocation(prog, "u_key"), 1, keyf);
    gl.Uniform3fv(gl.GetUniformLocation(prog, "u_fill"), 1, fillf);
    gl.Uniform1i(gl.GetUniformLocation(prog, "u_tex"), 0);
}

// Every group with at least one triangle, its texture and material.
void draw_groups(const Gl& gl, unsigned prog, const Scene& scene) {
    const GLint u_has_tex = gl.GetUniformLocation(prog, "u_has_tex");
    const GLint u_diffuse = gl.GetUniformLocation(prog, "u_diffuse");
    const GLint u_emissive = gl.GetUniformLocation(prog, "u_emissive");
    const GLint u_specular = gl.GetUniformLocation(prog, "u_specular");
    const GLint u_specpow = gl.GetUniformLocation(prog, "u_specpow");
    GLuint vao = 0;
    gl.GenVertexArrays(1, &vao);
    gl.BindVertexArray(vao);
    GLuint buffers[4];
    gl.GenBuffers(4, buffers);
    GLuint tex = 0;
    gl.GenTextures(1, &tex);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const SceneGroup& g : scene.groups) {
        const size_t n = g.vertex_count();
        if (n == 0 || g.ind.size() < 3) continue;
        const std::vector<float> zero_uv(2 * n, 0.0f);
        const std::vector<float>& uv = g.uv.size() == 2 * n ? g.uv : zero_uv;
        const std::vector<float>* arrays[3] = {&g.pos, &g.nrm, &uv};
        const int widths[3] = {3, 3, 2};
        for (int a = 0; a < 3; ++a) {
            gl.BindBuffer(GL_ARRAY_BUFFER, buffers[a]);
            gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(arrays[a]->size() * 4), arrays[a]->data(),
                          GL_STREAM_DRAW);
            gl.VertexAttribPointer(static_cast<GLuint>(a), widths[a], GL_FLOAT, GL_FALSE, 0, nullptr);
            gl.EnableVertexAttribArray(static_cast<GLuint>(a));
        }
        const size_t count = g.ind.size() - g.ind.size() % 3;
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[3]);
        gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * 4), g.ind.data(), GL_STREAM_DRAW);
        const bool textured = g.texw > 0 && g.texh > 0 && g.rgba.size() == size_t(g.texw) * g.texh * 4;
        if (textured) {
            gl.BindTexture(GL_TEXTURE_2D, tex);
            gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, g.texw, g.texh, 0, GL_RGBA, GL_UNSIGNED_BYTE, g.rgba.data());
            gl.GenerateMipmap(GL_TEXTURE_2D);
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
        gl.Uniform1i(u_has_tex, textured ? 1 : 0);
        gl.Uniform4fv(u_diffuse, 1, g.diffuse);
        gl.Uniform3fv(u_emissive, 1, g.emissive);
        gl.Uniform3fv(u_specular, 1, g.specular);
        gl.Uniform1f(u_specpow, g.specpow);
        gl.DrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
    }
    gl.DeleteTextures(1, &tex);
    gl.DeleteBuffers(4, buffers);
    gl.DeleteVertexArrays(1, &vao);
}

// ss x ss box filter of an RGBA picture rw pixels wide; OpenGL's row 0 is
// the bottom, the picture's is the top.
void box_filter(const std::vector<uint8_t>& big, int rw, int ss, int32_t width, int32_t height, std::vector<uint8_t>& rgb) {
    rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        const int sy = (height - 1 - y) * ss;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < ss; ++dy) {
                    for (int dx = 0; dx < ss; ++dx) sum += big[(static_cast<size_t>(sy + dy) * rw + x * ss + dx) * 4 + c];
                }
                rgb[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<uint8_t>((sum + ss * ss / 2) / (ss * ss));
            }
        }
    }
}

}  // namespace

std::string preview_size_problem(int32_t width, int32_t height) {
    OffscreenContext context;
    std::string error;
    if (!context.open(error)) return error;
    Gl gl{};
    std::string missing;
    if (!gl.load(missing)) return "OpenGL entry points missing: " + missing;
    Targets targets;
    if (!targets.create(gl, width * preview_supersampling, height * preview_supersampling, error)) {
        return "a preview of " + std::to_string(width) + "x" + std::to_string(height) + " cannot be rendered here: " +
               error;
    }
    return "";
}

bool render_preview(const Scene& scene, int32_t width, int32_t height, std::vector<uint8_t>& rgb,
                    PreviewInfo& info, std::string& error) {
    std::vector<V3> pts;
    for (const SceneGroup& g : scene.groups) {
        if (g.ind.size() < 3) continue;
        for (size_t i = 0; i < g.vertex_count(); ++i) pts.push_back({g.pos[3 * i], g.pos[3 * i + 1], g.pos[3 * i + 2]});
    }
    if (pts.empty()) {
        error = "the station has no triangles to show";
        return false;
    }
    constexpr int ss = preview_supersampling;
    const int rw = width * ss, rh = height * ss;
    const Camera cam = choose_camera(pts, double(width) / height, 30.0 * 3.14159265358979323846 / 180.0);
    frame_box(pts, cam, width, height, info);
    const float bg[3] = {0.085f, 0.09f, 0.10f};
    for (int c = 0; c < 3; ++c) info.background[c] = static_cast<uint8_t>(std::lround(bg[c] * 255));

    OffscreenContext context;
    if (!context.open(error)) return false;
    Gl gl{};
    std::string missing;
    if (!gl.load(missing)) {
        error = "OpenGL entry points missing: " + missing;
        return false;
    }
    Targets targets;
    Program program;
    if (!targets.create(gl, rw, rh, error) || !program.build(gl, error)) return false;
    gl.UseProgram(program.prog);
    set_view(gl, program.prog, cam);
    gl.Viewport(0, 0, rw, rh);
    gl.ClearColor(bg[0], bg[1], bg[2], 1);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.Enable(GL_DEPTH_TEST);
    gl.Disable(GL_CULL_FACE);
    gl.ActiveTexture(GL_TEXTURE0);
    draw_groups(gl, program.prog, scene);

    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, targets.fb[0]);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, targets.fb[1]);
    gl.BlitFramebuffer(0, 0, rw, rh, 0, 0, rw, rh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, targets.fb[1]);
    std::vector<uint8_t> big(static_cast<size_t>(rw) * rh * 4);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.ReadPixels(0, 0, rw, rh, GL_RGBA, GL_UNSIGNED_BYTE, big.data());
    if (const GLenum err = gl.GetError(); err != GL_NO_ERROR) {
        error = "OpenGL error " + std::to_string(err) + " while rendering the preview";
        return false;
    }
    box_filter(big, rw, ss, width, height, rgb);
    return true;
}

}  // namespace quilbet
