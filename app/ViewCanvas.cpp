#include "app/ViewCanvas.h"

#include <cmath>

#include <wx/glcanvas.h>

#include <GL/gl.h>

namespace oxv {

namespace {

// Canvas attributes: double-buffered RGBA with 8 bits a channel and the
// deepest depth buffer available (32 bits asked for, 24 accepted).
wxGLAttributes CanvasAttributes()
{
    for (int depth : {32, 24, 16}) {
        wxGLAttributes attrs;
        attrs.PlatformDefaults().RGBA().MinRGBA(8, 8, 8, 0).Depth(depth).DoubleBuffer().EndList();
        if (wxGLCanvas::IsDisplaySupported(attrs)) return attrs;
    }
    wxGLAttributes attrs;
    attrs.PlatformDefaults().RGBA().DoubleBuffer().EndList();
    return attrs;
}

int Scaled(int logical, double scale)
{
    return static_cast<int>(std::lround(logical * scale));
}

}  // namespace

// ---- CanvasGlTarget ----

bool CanvasGlTarget::MakeCurrent()
{
    return m_canvas && m_context && m_canvas->IsShownOnScreen() && m_canvas->SetCurrent(*m_context);
}

void CanvasGlTarget::SwapBuffers()
{
    if (m_canvas) m_canvas->SwapBuffers();
}

int CanvasGlTarget::Width() const
{
    return m_canvas ? Scaled(m_canvas->GetClientSize().x, m_canvas->GetContentScaleFactor()) : 0;
}

int CanvasGlTarget::Height() const
{
    return m_canvas ? Scaled(m_canvas->GetClientSize().y, m_canvas->GetContentScaleFactor()) : 0;
}

unsigned CanvasGlTarget::ReadBuffer() const
{
    return GL_BACK;
}

// ---- ViewCanvas ----

ViewCanvas::~ViewCanvas()
{
    Destroy();
}

void ViewCanvas::Create(wxWindow* frame)
{
    m_canvas = new wxGLCanvas(frame, CanvasAttributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS);
    m_context = std::make_unique<wxGLContext>(m_canvas);
    m_target.Attach(m_canvas, m_context.get());
}

void ViewCanvas::Destroy()
{
    DestroyContext();
    if (m_canvas) {
        m_canvas->Destroy();
        m_canvas = nullptr;
    }
}

bool ViewCanvas::MakeCurrentForRelease()
{
    // A window never realised has no drawable to make the context current on.
    return m_canvas && m_context && m_canvas->GetXWindow() && m_canvas->SetCurrent(*m_context);
}

void ViewCanvas::DestroyContext()
{
    m_target.Attach(m_canvas, nullptr);
    m_context.reset();
}

wxPoint ViewCanvas::ToDevice(const wxPoint& logical) const
{
    const double scale = m_canvas ? m_canvas->GetContentScaleFactor() : 1.0;
    return {Scaled(logical.x, scale), Scaled(logical.y, scale)};
}

void ViewCanvas::ResizeFrameForCanvas(wxWindow* frame, const wxSize& device)
{
    if (!frame || !m_canvas) return;
    const wxSize wanted = m_canvas->FromPhys(device);
    // The canvas fills the frame's client area, so growing that area by the
    // difference makes the canvas exactly that size, whatever the borders,
    // menu and status bar take.
    const wxSize canvas = m_canvas->GetClientSize();
    const wxSize client = frame->GetClientSize();
    frame->SetClientSize(client.x + (wanted.x - canvas.x), client.y + (wanted.y - canvas.y));
}

}  // namespace oxv
