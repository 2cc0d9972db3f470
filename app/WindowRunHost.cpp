#include "app/WindowRunHost.h"

#include <wx/timer.h>

#include "app/OxvellView.h"

namespace oxv {

WindowRunHost::WindowRunHost(COxvellView& view, GlTarget& target)
    : RunHost(target), m_view(view), m_playTimer(this, kPlaybackTimerId), m_fpvTimer(this, kFpvTimerId)
{
    Bind(wxEVT_TIMER, &WindowRunHost::OnTick, this, kPlaybackTimerId);
    Bind(wxEVT_TIMER, &WindowRunHost::OnTick, this, kFpvTimerId);
}

WindowRunHost::~WindowRunHost()
{
    StopTimers();
    AttachIdleSource(nullptr);
}

void WindowRunHost::AttachIdleSource(wxWindow* window)
{
    m_playTimer.AttachIdleSource(window);
    m_fpvTimer.AttachIdleSource(window);
}

IdlePacedTimer* WindowRunHost::Timer(int id)
{
    if (id == kPlaybackTimerId) return &m_playTimer;
    if (id == kFpvTimerId) return &m_fpvTimer;
    return nullptr;
}

bool WindowRunHost::IsTimerRunning(int id) const
{
    if (id == kPlaybackTimerId) return m_playTimer.IsRunning();
    if (id == kFpvTimerId) return m_fpvTimer.IsRunning();
    return false;
}

void WindowRunHost::StopTimers()
{
    m_playTimer.Stop();
    m_fpvTimer.Stop();
}

void WindowRunHost::StartTimer(int id, int periodMs)
{
    if (IdlePacedTimer* timer = Timer(id)) timer->Start(periodMs);
}

void WindowRunHost::KillTimer(int id)
{
    if (IdlePacedTimer* timer = Timer(id)) timer->Stop();
}

void WindowRunHost::RepaintNow()
{
    m_view.RepaintNow();
}

const SurveyDocument* WindowRunHost::Document() const
{
    return m_view.Survey();
}

void WindowRunHost::OnTick(wxTimerEvent& event)
{
    // The tick comes again once the window is idle, after the compile.
    if (m_view.InCompileBreak()) return;
    if (const SurveyDocument* doc = Document()) OnTimer(Run(), View().m_camera, *doc, *this, event.GetId());
}

}  // namespace oxv
