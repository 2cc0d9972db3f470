#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gl/GlTarget.h"

namespace oxv {

// A desktop OpenGL compatibility context with no window and no X server
// (EGL on Mesa's surfaceless platform), drawing into a framebuffer object
// with 8-bit RGBA colour and a 24-bit depth buffer that stands in for the
// back buffer. For tests and command-line tools; inside the viewer, the
// window's own context is used instead.
class HeadlessGL final : public GlTarget {
public:
    // Null, with the reason in `error`, when no such context can be made.
    static std::unique_ptr<HeadlessGL> Create(int width, int height, std::string* error = nullptr);
    ~HeadlessGL() override;

    [[nodiscard]] bool MakeCurrent() override;
    void SwapBuffers() override;  // finishes drawing; the frame stays readable
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    unsigned ReadBuffer() const override;

    // Re-creates the framebuffer at a new size (contents undefined).
    [[nodiscard]] bool Resize(int width, int height);

    // The drawn frame as 8-bit RGB, top row first.
    std::vector<unsigned char> ReadRgb() const;

private:
    HeadlessGL() = default;
    [[nodiscard]] bool CreateFramebuffer();
    void DeleteFramebuffer();

    void* m_display = nullptr;
    void* m_context = nullptr;
    unsigned m_framebuffer = 0;
    unsigned m_color = 0;
    unsigned m_depth = 0;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace oxv
