#pragma once

#include <wx/event.h>

#include "app/IdlePacedTimer.h"
#include "run/RunHost.h"

class COxvellView;

class wxTimerEvent;
class wxWindow;

namespace oxv {

// The run host of the view window: the window's timers, its repaints and
// its document. A run's tick and frame wait while a long list compile lets
// the window breathe: they would draw from half-made lists, and a drawn
// frame may be recorded.
class WindowRunHost final : public wxEvtHandler, public RunHost {
public:
    WindowRunHost(COxvellView& view, GlTarget& target);
    ~WindowRunHost() override;

    // Timers pace themselves on the idle events of this window.
    void AttachIdleSource(wxWindow* window);
    [[nodiscard]] bool IsTimerRunning(int id) const;
    void StopTimers();

    // PlaybackHost
    void StartTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    void RepaintNow() override;

protected:
    const SurveyDocument* Document() const override;

private:
    void OnTick(wxTimerEvent& event);
    IdlePacedTimer* Timer(int id);

    COxvellView& m_view;
    IdlePacedTimer m_playTimer;
    IdlePacedTimer m_fpvTimer;
};

}  // namespace oxv
