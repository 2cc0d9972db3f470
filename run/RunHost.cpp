#include "run/RunHost.h"

#include <optional>

#include "gl/GlTarget.h"
#include "playback/FpvCamera.h"
#include "playback/FrameRecording.h"
#include "view/BeamLines.h"

namespace oxv {

RunHost::RunHost(GlTarget& target) : m_target(target)
{
    InitViewState(m_view);
    m_view.hooks.drawVehicle = [this](ViewState&) { m_heli.draw(); };
    m_view.hooks.computeFpvLookAt = [this](ViewState& view, const SurveyDocument& doc) {
        ComputeFpvLookAt(m_fpv, view.m_camera, doc, *this);
    };
    m_view.hooks.captureFrame = [this](ViewState&, GlTarget& drawn, int left, int top, int right, int bottom) {
        CaptureIfRecording(drawn, right - left, bottom - top);
    };
}

std::string RunHost::FpvFolder() const
{
    return m_fpvFolder.empty() ? FpvVideoFolder() : m_fpvFolder;
}

bool RunHost::Running() const
{
    return m_run.m_nPlayState != kStopped || m_fpv.m_bFpvMode;
}

void RunHost::SetUpGl(const std::string& modelPath)
{
    SetupViewGl();
    if (!modelPath.empty()) (void)m_heli.load(modelPath);
}

void RunHost::ReleaseGl()
{
    DeleteDisplayLists(m_view);
    m_heli.Release();
}

void RunHost::ForgetHelicopter()
{
    m_heli.list_base = 0;
    m_heli.texture_id = 0;
}

void RunHost::DrawFrame(const SurveyDocument* doc)
{
    ShowRunState(m_view, m_run, m_fpv);
    OnDrawFrame(m_view, doc, m_target, FrameKind::Paint);
}

void RunHost::SetVehiclePose(const double attitude[3], const double position[3])
{
    for (int i = 0; i < 3; ++i) {
        m_heli.attitude[i] = attitude[i];
        m_heli.position[i] = position[i];
    }
}

// Only the context is made current here: a window's fuller readiness may run
// a pending initial update, which would delete the list being filled.
void RunHost::CompileBeamList(const SurveyDocument& doc, const FrameSpan& span)
{
    if (DrawsNextFrame() && m_target.MakeCurrent()) CompileViewBeams(m_view, doc, span);
}

void RunHost::DeleteBeamList()
{
    if (m_view.m_nBeamList != 0 && m_target.MakeCurrent()) DeleteViewBeams(m_view);
}

void RunHost::CaptureIfRecording(GlTarget& target, int width, int height)
{
    const SurveyDocument* doc = Document();
    if (!doc) return;
    const std::optional<std::string> path = FrameCapturePath(m_run, m_fpv, *doc, FpvFolder());
    if (path) CaptureFrame(target, width, height, *path);
}

void RunHost::CaptureFrame(GlTarget& target, int width, int height, const std::string& path)
{
    m_lastCaptureFailed = !m_capturer.Capture(target, width, height, path);
}

}  // namespace oxv
