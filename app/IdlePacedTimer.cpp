#include "app/IdlePacedTimer.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/window.h>

namespace oxv {

int NextTickDelayMs(int periodMs, std::chrono::steady_clock::duration sinceTickStart)
{
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(sinceTickStart).count();
    const long long left = static_cast<long long>(periodMs) - std::max<long long>(spent, 0);
    return static_cast<int>(std::clamp<long long>(left, 1, std::max(periodMs, 1)));
}

IdlePacedTimer::IdlePacedTimer(wxEvtHandler* owner, int id) : m_owner(owner), m_id(id), m_timer(this, id)
{
    Bind(wxEVT_TIMER, &IdlePacedTimer::OnTick, this, id);
}

IdlePacedTimer::~IdlePacedTimer()
{
    m_timer.Stop();
    if (m_idleSource) m_idleSource->Unbind(wxEVT_IDLE, &IdlePacedTimer::OnIdle, this);
}

void IdlePacedTimer::AttachIdleSource(wxWindow* idleSource)
{
    if (m_idleSource) m_idleSource->Unbind(wxEVT_IDLE, &IdlePacedTimer::OnIdle, this);
    m_idleSource = idleSource;
    if (m_idleSource) m_idleSource->Bind(wxEVT_IDLE, &IdlePacedTimer::OnIdle, this);
}

void IdlePacedTimer::Start(int periodMs)
{
    m_periodMs = std::max(periodMs, 1);
    m_running = true;
    m_awaitingIdle = false;
    Arm(m_periodMs);
}

void IdlePacedTimer::Stop()
{
    m_running = false;
    m_awaitingIdle = false;
    m_timer.Stop();
}

void IdlePacedTimer::Arm(int delayMs)
{
    m_timer.StartOnce(delayMs);
}

void IdlePacedTimer::OnTick(wxTimerEvent&)
{
    if (!m_running) return;
    m_tickStart = std::chrono::steady_clock::now();
    // The owner may stop or restart this timer from its handler.
    m_awaitingIdle = true;
    wxTimerEvent tick(m_timer);
    m_owner->ProcessEvent(tick);
    if (m_running && m_awaitingIdle) wxWakeUpIdle();
}

void IdlePacedTimer::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (!m_running || !m_awaitingIdle) return;
    m_awaitingIdle = false;
    Arm(NextTickDelayMs(m_periodMs, std::chrono::steady_clock::now() - m_tickStart));
}

}  // namespace oxv
