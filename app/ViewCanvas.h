#pragma once

#include <memory>

#include <wx/gdicmn.h>

#include "gl/GlTarget.h"

class wxGLCanvas;
class wxGLContext;
class wxWindow;

namespace oxv {

// The drawing target of the view window: its canvas, with the one context
// that is made current for every frame.
class CanvasGlTarget final : public GlTarget {
public:
    void Attach(wxGLCanvas* canvas, wxGLContext* context)
    {
        m_canvas = canvas;
        m_context = context;
    }
    [[nodiscard]] bool MakeCurrent() override;
    void SwapBuffers() override;
    int Width() const override;
    int Height() const override;
    unsigned ReadBuffer() const override;

private:
    wxGLCanvas* m_canvas = nullptr;
    wxGLContext* m_context = nullptr;
};

// The view's OpenGL canvas, filling the main window's client area, and its
// context. Sizes from the toolkit are logical; the frames drawn and recorded
// are in device pixels, which a scaled display makes larger.
class ViewCanvas {
public:
    ViewCanvas() = default;
    ~ViewCanvas();
    ViewCanvas(const ViewCanvas&) = delete;
    ViewCanvas& operator=(const ViewCanvas&) = delete;

    // Double-buffered RGBA with the deepest depth buffer available.
    void Create(wxWindow* frame);
    // The canvas goes; with a context still current on it, its lists go too.
    void Destroy();

    wxGLCanvas* Canvas() const { return m_canvas; }
    GlTarget& Target() { return m_target; }
    // True when the context is current on a canvas that is shown.
    [[nodiscard]] bool MakeCurrent() { return m_target.MakeCurrent(); }
    // True when the context could be made current on a realised window,
    // shown or not: the moment to release what lives in it.
    [[nodiscard]] bool MakeCurrentForRelease();
    void DestroyContext();

    // A point in the canvas's logical pixels, in device pixels.
    wxPoint ToDevice(const wxPoint& logical) const;
    // The frame's client area resized so that the canvas is exactly
    // `device` device pixels; the frame keeps its top-left corner.
    void ResizeFrameForCanvas(wxWindow* frame, const wxSize& device);

private:
    wxGLCanvas* m_canvas = nullptr;
    std::unique_ptr<wxGLContext> m_context;
    CanvasGlTarget m_target;
};

}  // namespace oxv
