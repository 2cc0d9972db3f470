#pragma once

#include <memory>
#include <string>

#include <wx/docview.h>

#include "GlTarget.h"
#include "ViewState.h"

class wxGLCanvas;
class wxGLContext;
class wxMouseEvent;
class wxKeyEvent;
class wxPaintEvent;
class wxMouseCaptureLostEvent;
class wxUpdateUIEvent;
class COxvellDoc;

// The drawing target of the view window: its canvas, with the one context
// that is made current for every frame.
class CanvasGlTarget final : public oxv::GlTarget {
public:
    void Attach(wxGLCanvas* canvas, wxGLContext* context)
    {
        m_canvas = canvas;
        m_context = context;
    }
    bool MakeCurrent() override;
    void SwapBuffers() override;
    int Width() const override;
    int Height() const override;
    unsigned ReadBuffer() const override;

private:
    wxGLCanvas* m_canvas = nullptr;
    wxGLContext* m_context = nullptr;
};

// The 3D view: an OpenGL canvas filling the main window's client area, the
// orbit camera, the display lists and the view commands.
class COxvellView : public wxView {
public:
    COxvellView();
    ~COxvellView() override;

    bool OnCreate(wxDocument* doc, long flags) override;
    bool OnClose(bool deleteWindow) override;
    void OnDraw(wxDC* dc) override;
    void OnUpdate(wxView* sender, wxObject* hint) override;
    void OnChangeFilename() override;
    // After every New or Open: lists rebuilt for the document, orbit target
    // on the data's centre, repainted.
    void OnInitialUpdate();

    // Draws a frame and has it on screen before returning; when the window
    // cannot be drawn yet, a paint is requested instead.
    void RepaintNow();
    // The canvas's client area becomes exactly w x h; the frame keeps its
    // top-left corner.
    void SetDisplaySize(int width, int height);
    bool PickPoint(int x, int y, double point[3]);
    static std::string GetModelPath();

    oxv::ViewState& State() { return m_state; }
    const oxv::ViewState& State() const { return m_state; }
    wxGLCanvas* Canvas() const { return m_pCanvas; }
    COxvellDoc* Doc() const;
    const oxv::SurveyDocument* Survey() const;

protected:
    // The view answers its commands itself; the document is asked after it.
    bool TryBefore(wxEvent& event) override;

private:
    bool MakeCurrent();

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnLButtonDblClk(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void MouseToCamera(int type, const wxPoint& point);

    void OnColorMode(wxCommandEvent& event);
    void OnUpdateColorMode(wxUpdateUIEvent& event);
    void OnShowGrid(wxCommandEvent& event);
    void OnUpdateShowGrid(wxUpdateUIEvent& event);
    void OnShowScannerPath(wxCommandEvent& event);
    void OnUpdateShowScannerPath(wxUpdateUIEvent& event);
    void OnShowCameraPath(wxCommandEvent& event);
    void OnUpdateShowCameraPath(wxUpdateUIEvent& event);
    void OnPointSize(wxCommandEvent& event);
    void OnUpdatePointSize(wxUpdateUIEvent& event);
    void OnAntiAlias(wxCommandEvent& event);
    void OnUpdateAntiAlias(wxUpdateUIEvent& event);
    void OnDisplaySize(wxCommandEvent& event);

    void OnPlayStart(wxCommandEvent& event);
    void OnUpdatePlayStart(wxUpdateUIEvent& event);
    void OnPlayPause(wxCommandEvent& event);
    void OnUpdatePlayPause(wxUpdateUIEvent& event);
    void OnPlayStop(wxCommandEvent& event);
    void OnUpdatePlayStop(wxUpdateUIEvent& event);
    void OnPlayParameter(wxCommandEvent& event);
    void OnUpdatePlayParameter(wxUpdateUIEvent& event);
    void OnFpvMode(wxCommandEvent& event);
    void OnUpdateFpvMode(wxUpdateUIEvent& event);
    void OnFpvFov(wxCommandEvent& event);

    oxv::ViewState m_state;
    wxGLCanvas* m_pCanvas = nullptr;
    std::unique_ptr<wxGLContext> m_pGLContext;
    CanvasGlTarget m_target;
    bool m_bGlReady = false;
    bool m_bInitialUpdatePending = false;

    wxDECLARE_DYNAMIC_CLASS(COxvellView);
    wxDECLARE_EVENT_TABLE();
};
