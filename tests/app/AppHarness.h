#pragma once

// The viewer run inside a test process on a private X server: the
// application with its settings in a scratch file, message boxes answered
// at once and recorded, and event loops pumped for a while or until a
// condition holds.

#include <gtest/gtest.h>

#include <wx/evtloop.h>
#include <wx/glcanvas.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MainFrame.h"
#include "app/OxvellApp.h"
#include "app/OxvellDoc.h"
#include "app/OxvellView.h"
#include "survey/PlaybackSettings.h"
#include "tests/app/XServer.h"

namespace oxv::test {

// Settings in a scratch folder, and assertion reports that fail the test
// instead of opening a dialog.
class TestApp : public COxvellApp {
public:
    std::string settingsPath;

    void OnAssertFailure(const wxChar* file, int line, const wxChar*, const wxChar* cond, const wxChar*) override
    {
        ADD_FAILURE() << "wx assertion " << wxString(cond) << " at " << wxString(file) << ":" << line;
    }

protected:
    std::string SettingsPath() const override { return settingsPath; }
};

// Message boxes are answered at once and their texts recorded. Other
// dialogs are answered at once too, unless a test drives them: then the
// dialog runs modally and `drive` works its controls from inside its loop.
class MessageRecorder : public wxModalDialogHook {
public:
    std::vector<std::string> messages;
    std::function<void(wxDialog*)> drive;
    // The buttons the next message boxes are answered with, first first;
    // wxID_OK once they are used up.
    std::vector<int> answers;

protected:
    int Enter(wxDialog* dialog) override
    {
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
            messages.push_back(std::string(box->GetMessage().utf8_str()));
            if (answers.empty()) return wxID_OK;
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        }
        messages.push_back("<dialog " + std::string(dialog->GetTitle().utf8_str()) + ">");
        if (!drive) return wxID_OK;
        dialog->CallAfter([this, dialog] { drive(dialog); });
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// Runs the event loop for a while: layout, paints and idle updates.
inline void Pump(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        while (wxTheApp->Pending()) wxTheApp->Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Runs an event loop until `done` holds or `ms` have passed; whether it
// held. Timers need a loop that dispatches the toolkit's own sources.
inline bool PumpUntil(const std::function<bool()>& done, int ms)
{
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        while (loop.Pending()) loop.Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Playback settings as the next opened survey reads them: `step` seconds of
// measurement time per frame, shown every `interval` seconds.
inline void StorePlaybackSettings(Profile& profile, double step, double interval, const PlaybackParams& params)
{
    PlaybackTimeline timeline;
    timeline.step = step;
    timeline.interval = interval;
    ASSERT_TRUE(SaveTimelineSettings(profile, timeline));
    ASSERT_TRUE(SavePlaybackParams(profile, params));
}

// One viewer for the whole test executable, started as a user starts it
// (no file on the command line) and closed as the window's close does.
class AppSession {
public:
    // False, with a test failure, when the server or the application
    // cannot start.
    bool Start(const std::string& settingsPath)
    {
        if (!m_server.Start()) {
            ADD_FAILURE() << "Xvfb could not be started";
            return false;
        }
        m_server.Export();
        app = new TestApp;
        app->settingsPath = settingsPath;
        wxApp::SetInstance(app);
        int argc = 1;
        char name[] = "oxvell";
        char* argv[] = {name, nullptr};
        if (!wxEntryStart(argc, argv) || !app->CallOnInit()) {
            ADD_FAILURE() << "the application did not start";
            return false;
        }
        recorder.Register();
        m_hooked = true;
        // Until the window is mapped and laid out, the canvas has no size.
        for (int i = 0; i < 100 && View()->Canvas()->GetClientSize().y < 100; ++i) Pump(20);
        return true;
    }

    void Stop()
    {
        if (m_hooked) recorder.Unregister();
        m_hooked = false;
        if (app && app->MainFrame()) app->MainFrame()->Close(true);
        if (app) {
            Pump(100);
            app->OnExit();
            wxEntryCleanup();
        }
        app = nullptr;
        m_server.Stop();
    }

    COxvellView* View() const { return wxDynamicCast(app->Document()->GetFirstView(), COxvellView); }

    TestApp* app = nullptr;  // owned by the toolkit once started
    MessageRecorder recorder;

private:
    XServer m_server;
    bool m_hooked = false;
};

}  // namespace oxv::test
