#pragma once

// The viewer's window classes driven in process under a private X server:
// one application for all the window tests of a process, reset to a fresh
// start before each test, with menu commands, menu states and pictures of
// the view at hand.

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/glcanvas.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "app/AboutDlg.h"
#include "tests/app/AppHarness.h"
#include "tests/app/FieldSurvey.h"
#include "survey/CameraPath.h"
#include "app/CommandIds.h"
#include "app/FovDlg.h"
#include "app/MainFrame.h"
#include "app/OxvellApp.h"
#include "app/OxvellDoc.h"
#include "app/OxvellView.h"
#include "app/PBDlg.h"
#include "survey/PlaybackSettings.h"
#include "tests/support/SurveyFixture.h"
#include "view/ViewFit.h"

namespace oxv {

using test::MessageRecorder;
using test::Pump;
using test::PumpUntil;
using test::StorePlaybackSettings;
using test::TestApp;
using test::WriteField;

class AppWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new test::ScratchDir;
        s_session = new test::AppSession;
        if (!s_session->Start(s_dir->File("oxvell.ini"))) return;
        s_app = s_session->app;
        s_recorder = &s_session->recorder;
    }

    static void TearDownTestSuite()
    {
        s_recorder = nullptr;
        s_app = nullptr;
        if (s_session) s_session->Stop();
        delete s_session;
        s_session = nullptr;
        delete s_dir;
    }

    void SetUp() override
    {
        ASSERT_NE(s_app, nullptr);
        ASSERT_TRUE(s_app->NewDocument());
        // Every test starts from the view as a fresh start leaves it.
        ViewState& state = View()->State();
        state.m_bShowGrid = state.m_bShowScannerPath = state.m_bShowCameraPath = false;
        View()->Fpv().m_bFpvMode = false;
        state.m_nPointSize = 1;
        state.m_bAntiAlias = false;
        InitViewState(state);
        s_recorder->messages.clear();
        s_recorder->drive = nullptr;
        s_recorder->answers.clear();
        Pump(50);
    }

    static CMainFrame* Frame() { return s_app->MainFrame(); }
    static COxvellView* View() { return wxDynamicCast(s_app->Document()->GetFirstView(), COxvellView); }

    // A menu command as a menu selection sends it.
    static void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(Frame());
        Frame()->GetEventHandler()->ProcessEvent(event);
    }

    struct ItemState {
        bool enabled;
        bool checked;
        std::string label;
    };
    static ItemState Item(int id)
    {
        Frame()->GetMenuBar()->UpdateMenus();
        wxMenuItem* item = Frame()->GetMenuBar()->FindItem(id);
        if (!item) {
            ADD_FAILURE() << "no menu item " << id;
            return {};
        }
        return {item->IsEnabled(), item->IsCheckable() && item->IsChecked(),
                std::string(item->GetItemLabel().utf8_str())};
    }

    struct Picture {
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        // The frame drawn into `target`, as the frame recorder reads it.
        void Read(GlTarget& target)
        {
            width = target.Width();
            height = target.Height();
            rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
            glReadBuffer(target.ReadBuffer());
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        }
        int Lit() const
        {
            int n = 0;
            for (size_t i = 0; i + 2 < rgb.size(); i += 3)
                if (rgb[i] > 20 || rgb[i + 1] > 20 || rgb[i + 2] > 20) ++n;
            return n;
        }
        // Lit pixels whose three channels are equal within a small tolerance.
        int Grey() const
        {
            int n = 0;
            for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
                const int r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
                if ((r > 20 || g > 20 || b > 20) && std::abs(r - g) <= 2 && std::abs(g - b) <= 2) ++n;
            }
            return n;
        }
    };

    // The picture of a repaint, read back as the frame recorder reads it:
    // at the end of the frame, before the swap.
    static Picture Screen()
    {
        Picture p;
        // The view's own capture (frame recording) is put back afterwards.
        auto recording = std::move(View()->State().hooks.captureFrame);
        View()->State().hooks.captureFrame = [&p](ViewState&, GlTarget& target, int, int, int, int) { p.Read(target); };
        View()->RepaintNow();
        View()->State().hooks.captureFrame = std::move(recording);
        EXPECT_FALSE(p.rgb.empty()) << "no frame was drawn";
        return p;
    }

    static std::string Ini()
    {
        const auto bytes = test::ReadBytes(s_app->settingsPath);
        return std::string(bytes.begin(), bytes.end());
    }

    static std::string Title() { return std::string(Frame()->GetTitle().utf8_str()); }

    // Playback settings that record every frame into the new folder `name`
    // of the scratch folder: `step` s of survey a frame, one every
    // `interval` s. Returns the folder.
    static std::string RecordInto(const std::string& name, double step, double interval)
    {
        const std::string folder = s_dir->File(name);
        std::filesystem::create_directories(folder);
        PlaybackParams params;
        params.recordVideo = 1;
        params.outputFolder = folder;
        StorePlaybackSettings(s_app->Settings(), step, interval, params);
        return folder;
    }

    // The mouse wheel over the canvas, `rotation` in 120ths of a notch
    // (forward comes closer).
    static void Wheel(int rotation)
    {
        wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
        wheel.m_wheelRotation = rotation;
        wheel.m_wheelDelta = 120;
        wheel.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
        View()->Canvas()->GetEventHandler()->ProcessEvent(wheel);
    }

    static inline test::AppSession* s_session = nullptr;
    static inline TestApp* s_app = nullptr;
    static inline test::ScratchDir* s_dir = nullptr;
    static inline MessageRecorder* s_recorder = nullptr;
};

// ---- Frames, pictures and dialogs ----

inline std::string FrameFile(const std::string& folder, int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "/img%06d.png", number);
    return folder + name;
}

inline std::vector<std::string> FolderFiles(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Pixels of `image` whose red, green and blue pass `test`.
template <typename Test>
int CountPixels(const wxImage& image, Test test)
{
    int n = 0;
    const unsigned char* p = image.GetData();
    const long count = static_cast<long>(image.GetWidth()) * image.GetHeight();
    for (long i = 0; i < count; ++i, p += 3)
        if (test(p[0], p[1], p[2])) ++n;
    return n;
}

inline int LitPixels(const wxImage& image)
{
    return CountPixels(image, [](int r, int g, int b) { return r > 20 || g > 20 || b > 20; });
}

// Beam yellow: red and green near full, little blue (the survey's own
// colours stay darker than this).
inline int BeamPixels(const wxImage& image)
{
    return CountPixels(image, [](int r, int g, int b) { return r > 200 && g > 200 && b < 80; });
}

inline void ClickOk(wxDialog* dialog)
{
    auto* ok = wxDynamicCast(dialog->FindWindow(wxID_OK), wxButton);
    ASSERT_NE(ok, nullptr);
    wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
    click.SetEventObject(ok);
    ok->ProcessWindowEvent(click);
}

inline wxTextCtrl* Field(wxDialog* dialog, int id)
{
    return wxDynamicCast(dialog->FindWindow(id), wxTextCtrl);
}

}  // namespace oxv
