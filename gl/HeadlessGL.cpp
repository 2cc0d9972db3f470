#define GL_GLEXT_PROTOTYPES 1
#include "gl/HeadlessGL.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

namespace oxv {

namespace {

void SetError(std::string* error, const char* text)
{
    if (error) *error = text;
}

EGLDisplay SurfacelessDisplay()
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

}  // namespace

std::unique_ptr<HeadlessGL> HeadlessGL::Create(int width, int height, std::string* error)
{
    std::unique_ptr<HeadlessGL> gl(new HeadlessGL);
    EGLDisplay display = SurfacelessDisplay();
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        SetError(error, "no EGL surfaceless display");
        return nullptr;
    }
    gl->m_display = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        SetError(error, "EGL has no desktop OpenGL");
        return nullptr;
    }
    const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &configs) || configs < 1) config = nullptr;
    const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                     EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) {
        SetError(error, "cannot create an OpenGL compatibility context");
        return nullptr;
    }
    gl->m_context = context;
    gl->m_width = width;
    gl->m_height = height;
    if (!gl->MakeCurrent() || !gl->CreateFramebuffer()) {
        SetError(error, "cannot make the offscreen framebuffer");
        return nullptr;
    }
    return gl;
}

HeadlessGL::~HeadlessGL()
{
    if (m_context) {
        (void)MakeCurrent();
        DeleteFramebuffer();
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(m_display, m_context);
    }
    // The display is shared by every context of the process and stays up.
}

bool HeadlessGL::MakeCurrent()
{
    // Asked before every beam list: already current is the common case.
    if (eglGetCurrentContext() == m_context) return true;
    return eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) == EGL_TRUE;
}

void HeadlessGL::SwapBuffers() { glFinish(); }

unsigned HeadlessGL::ReadBuffer() const { return GL_COLOR_ATTACHMENT0; }

bool HeadlessGL::CreateFramebuffer()
{
    if (m_width <= 0 || m_height <= 0) return false;
    glGenFramebuffers(1, &m_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glGenRenderbuffers(1, &m_color);
    glBindRenderbuffer(GL_RENDERBUFFER, m_color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, m_width, m_height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_color);
    glGenRenderbuffers(1, &m_depth);
    glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, m_width, m_height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, m_width, m_height);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void HeadlessGL::DeleteFramebuffer()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (m_color) glDeleteRenderbuffers(1, &m_color);
    if (m_depth) glDeleteRenderbuffers(1, &m_depth);
    if (m_framebuffer) glDeleteFramebuffers(1, &m_framebuffer);
    m_color = m_depth = m_framebuffer = 0;
}

bool HeadlessGL::Resize(int width, int height)
{
    if (!MakeCurrent()) return false;
    DeleteFramebuffer();
    m_width = width;
    m_height = height;
    return CreateFramebuffer();
}

std::vector<unsigned char> HeadlessGL::ReadRgb() const
{
    std::vector<unsigned char> rgb(static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * 3);
    std::vector<unsigned char> row(static_cast<size_t>(m_width) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, m_width, m_height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // GL's rows run bottom to top.
    const size_t stride = row.size();
    for (int y = 0; y < m_height / 2; ++y) {
        unsigned char* a = rgb.data() + static_cast<size_t>(y) * stride;
        unsigned char* b = rgb.data() + static_cast<size_t>(m_height - 1 - y) * stride;
        std::copy(a, a + stride, row.data());
        std::copy(b, b + stride, a);
        std::copy(row.data(), row.data() + stride, b);
    }
    return rgb;
}

}  // namespace oxv
