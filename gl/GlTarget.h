#pragma once

namespace oxv {

// Where the drawing code draws: the view window's canvas or an offscreen
// framebuffer. Both keep their context current while drawing; reading
// pixels before SwapBuffers returns the frame just drawn.
class GlTarget {
public:
    virtual ~GlTarget() = default;
    [[nodiscard]] virtual bool MakeCurrent() = 0;
    virtual void SwapBuffers() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The colour buffer that glReadPixels reads the drawn frame from:
    // GL_BACK for a double-buffered window, the framebuffer's attachment offscreen.
    virtual unsigned ReadBuffer() const = 0;
};

}  // namespace oxv
