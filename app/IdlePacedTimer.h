#pragma once

#include <chrono>

#include <wx/event.h>
#include <wx/timer.h>

namespace oxv {

// A repeating timer for frames that may take longer to draw and write than
// their period. A plain repeating timer re-arms from the moment its tick
// began, so a slow tick finds the next one already due: it then outranks
// the toolkit's redraws and idle work for good, and menus, dialogs and the
// toolkit's focus bookkeeping starve. Here each tick is one-shot, and the
// next one is armed only once the event loop has gone idle after it, for
// what remains of the period (at least 1 ms).
class IdlePacedTimer : public wxEvtHandler {
public:
    // Ticks arrive at `owner` as timer events with `id`; idle events are
    // watched on `idleSource` (a window that lives as long as this timer).
    IdlePacedTimer(wxEvtHandler* owner, int id);
    ~IdlePacedTimer() override;

    void AttachIdleSource(wxWindow* idleSource);
    void Start(int periodMs);
    void Stop();
    [[nodiscard]] bool IsRunning() const { return m_running; }

private:
    void OnTick(wxTimerEvent& event);
    void OnIdle(wxIdleEvent& event);
    void Arm(int delayMs);

    wxEvtHandler* m_owner;
    int m_id;
    wxTimer m_timer;
    wxWindow* m_idleSource = nullptr;
    int m_periodMs = 1;
    bool m_running = false;
    bool m_awaitingIdle = false;
    std::chrono::steady_clock::time_point m_tickStart;
};

// The wait before the next tick: what is left of the period since the last
// tick began, and at least 1 ms, so the loop always gets a turn.
int NextTickDelayMs(int periodMs, std::chrono::steady_clock::duration sinceTickStart);

}  // namespace oxv
