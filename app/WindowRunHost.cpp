#include "app/WindowRunHost.h"

#include <wx/timer.h>

#include "app/OxvellView.h"

WindowRunHost::WindowRunHost(COxvellView& view, oxv::GlTarget& target)
    : oxv::RunHost(target), m_view(view), m_playTimer(this, oxv::kPlaybackTimerId), m_fpvTimer(this, oxv::kFpvTimerId)
{
    Bind(wxEVT_TIMER, &WindowRunHost::OnTick, this, oxv::kPlaybackTimerId);
    Bind(wxEVT_TIMER, &WindowRunHost::OnTick, this, oxv::kFpvTimerId);
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
    if (id == oxv::kPlaybackTimerId) return &m_playTimer;
    if (id == oxv::kFpvTimerId) return &m_fpvTimer;
    return nullptr;
}

bool WindowRunHost::IsTimerRunning(int id) const
{
    if (id == oxv::kPlaybackTimerId) return m_playTimer.IsRunning();
    if (id == oxv::kFpvTimerId) return m_fpvTimer.IsRunning();
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

const oxv::SurveyDocument* WindowRunHost::Document() const
{
    return m_view.Survey();
}

void WindowRunHost::OnTick(wxTimerEvent& event)
{
    // The tick comes again once the window is idle, after the compile.
    if (m_view.InCompileBreak()) return;
    if (const oxv::SurveyDocument* doc = Document()) oxv::OnTimer(Run(), View().m_camera, *doc, *this, event.GetId());
}
