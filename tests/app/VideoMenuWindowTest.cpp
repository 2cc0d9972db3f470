// The Video menu driven in process under a private X server: playback with
// recording, the Parameter dialog and the first-person camera.

#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

TEST_F(AppWindowTest, PlaybackRecordsEveryFramePausesAndStopsByItselfAfterTheHold)
{
    // A client width whose rows are not a multiple of 4 bytes.
    View()->SetDisplaySize(641, 400);
    ASSERT_TRUE(PumpUntil([] { return View()->Canvas()->GetClientSize() == wxSize(641, 400); }, 2000));
    // 18 s of survey in 2 s frames, one every 50 ms: a hold of 60 ticks.
    const std::string frames = RecordInto("frames", 2.0, 0.05);
    const std::string file = s_dir->File("flight.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    const SurveyDocument& survey = s_app->Document()->Survey();
    ASSERT_NE(survey.m_pTimeline, nullptr);
    const int n = survey.m_pTimeline->frames;
    ASSERT_GE(n, 5);
    ASSERT_EQ(survey.m_pTimeline->interval, 0.05);
    // The helicopter is loaded from model/ beside the executable.
    EXPECT_NE(View()->HeliModel().list_base, 0u);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume\tSpace");

    Command(cmd::kPlayStart);
    EXPECT_TRUE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_TRUE(Item(cmd::kPlayStart).checked);
    EXPECT_FALSE(Item(cmd::kPlayStart).enabled);
    EXPECT_TRUE(Item(cmd::kPlayStop).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStop).checked);
    EXPECT_FALSE(Item(cmd::kPlayParameter).enabled);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "P&ause\tSpace");
    EXPECT_FALSE(Item(cmd::kPlayPause).checked);
    EXPECT_DOUBLE_EQ(View()->State().m_camera.distance, PlaybackParams{}.nearDistance);

    // Paused: nothing advances, nothing is written.
    ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nFrame >= 2; }, 5000));
    Command(cmd::kPlayPause);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "&Resume\tSpace");
    EXPECT_TRUE(Item(cmd::kPlayPause).checked);
    EXPECT_TRUE(Item(cmd::kPlayParameter).enabled);
    const int pausedAt = View()->Run().m_nFrame;
    const auto writtenWhilePausing = FolderFiles(frames);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(View()->Run().m_nFrame, pausedAt);
    EXPECT_EQ(FolderFiles(frames), writtenWhilePausing);
    Command(cmd::kPlayPause);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "P&ause\tSpace");

    // The last frame is held for about three seconds, then the run stops.
    ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nFrame == View()->Run().m_nFrameCount; }, 10000));
    const auto lastFrame = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nPlayState == kStopped; }, 20000));
    const double hold = std::chrono::duration<double>(std::chrono::steady_clock::now() - lastFrame).count();
    EXPECT_GE(hold, 2.9);
    EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStart).checked);
    EXPECT_TRUE(Item(cmd::kPlayStop).checked);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume\tSpace");

    // img000000 .. N-3, no N-2, then N-1 with the held picture.
    for (int k = 0; k <= n - 3; ++k) EXPECT_TRUE(std::filesystem::exists(FrameFile(frames, k))) << k;
    EXPECT_FALSE(std::filesystem::exists(FrameFile(frames, n - 2)));
    ASSERT_TRUE(std::filesystem::exists(FrameFile(frames, n - 1)));
    EXPECT_FALSE(std::filesystem::exists(FrameFile(frames, n)));
    for (const std::string& name : FolderFiles(frames))
        EXPECT_TRUE(name.size() == 13 && name.rfind("img", 0) == 0 && name.substr(9) == ".png") << name;

    // Pictures of the client size. The first frame shows its beams, bright
    // yellow lines to the sensor; the held picture has none.
    wxImage first(FrameFile(frames, 0), wxBITMAP_TYPE_PNG);
    wxImage last(FrameFile(frames, n - 1), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(first.IsOk() && last.IsOk());
    EXPECT_EQ(first.GetWidth(), 641);
    EXPECT_EQ(first.GetHeight(), 400);
    EXPECT_EQ(last.GetWidth(), 641);
    EXPECT_EQ(last.GetHeight(), 400);
    EXPECT_GT(BeamPixels(first), 30);
    EXPECT_EQ(BeamPixels(last), 0);
    EXPECT_GT(LitPixels(last), 500);
    EXPECT_TRUE(s_recorder->messages.empty());
}

TEST_F(AppWindowTest, ParameterDialogShowsTheValuesAndOkRebuildsTheTimeline)
{
    StorePlaybackSettings(s_app->Settings(), 0.0333, 0.0333, PlaybackParams{});
    ASSERT_TRUE(s_app->Settings().WriteString(kParamsSection, kPathKey, ""));
    const std::string file = s_dir->File("params.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    SurveyDocument& survey = s_app->Document()->Survey();

    // A paused run is stopped before the dialog opens.
    Command(cmd::kPlayStart);
    Command(cmd::kPlayPause);
    std::map<int, std::string> shown;
    bool recordChecked = true, trackChecked = false;
    s_recorder->drive = [&](wxDialog* dialog) {
        ASSERT_NE(dynamic_cast<CPBDlg*>(dialog), nullptr);
        for (int id : {CPBDlg::IDC_SPEED, CPBDlg::IDC_INTERVAL, CPBDlg::IDC_NEAR, CPBDlg::IDC_FAR,
                       CPBDlg::IDC_CAMERA_SPEED, CPBDlg::IDC_PAN_RATE, CPBDlg::IDC_OUTPUT_FOLDER})
            shown[id] = std::string(Field(dialog, id)->GetValue().utf8_str());
        recordChecked = wxDynamicCast(dialog->FindWindow(CPBDlg::IDC_RECORD_VIDEO), wxCheckBox)->GetValue();
        trackChecked = wxDynamicCast(dialog->FindWindow(CPBDlg::IDC_TRACK_VEHICLE), wxCheckBox)->GetValue();
        EXPECT_EQ(View()->Run().m_nPlayState, kStopped);
        EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
        // A speed of 0 with a positive frame period typed last reaches OK,
        // which refuses it and keeps the dialog open.
        Field(dialog, CPBDlg::IDC_SPEED)->SetValue("0");
        Field(dialog, CPBDlg::IDC_INTERVAL)->SetValue("40");
        ClickOk(dialog);
        EXPECT_TRUE(dialog->IsModal());
        Field(dialog, CPBDlg::IDC_SPEED)->SetValue("50");
        Field(dialog, CPBDlg::IDC_NEAR)->SetValue("abc");
        ClickOk(dialog);
    };
    Command(cmd::kPlayParameter);
    s_recorder->drive = nullptr;

    EXPECT_EQ(shown[CPBDlg::IDC_SPEED], "100.00");
    EXPECT_EQ(shown[CPBDlg::IDC_INTERVAL], "33");
    EXPECT_EQ(shown[CPBDlg::IDC_NEAR], "100.0");
    EXPECT_EQ(shown[CPBDlg::IDC_FAR], "300.0");
    EXPECT_EQ(shown[CPBDlg::IDC_CAMERA_SPEED], "10.0");
    EXPECT_EQ(shown[CPBDlg::IDC_PAN_RATE], "10.0");
    EXPECT_EQ(shown[CPBDlg::IDC_OUTPUT_FOLDER], "");
    EXPECT_FALSE(recordChecked);
    EXPECT_TRUE(trackChecked);
    ASSERT_EQ(s_recorder->messages.size(), 2u);
    EXPECT_EQ(s_recorder->messages[0], "<dialog Playback Parameter Dialog>");
    EXPECT_NE(s_recorder->messages[1].find("speed"), std::string::npos) << s_recorder->messages[1];

    // Speed 50 % at 40 ms: 0.02 s of survey per frame, and stored.
    EXPECT_EQ(View()->Run().m_nPlayState, kStopped);
    ASSERT_NE(survey.m_pTimeline, nullptr);
    EXPECT_DOUBLE_EQ(survey.m_pTimeline->interval, 0.04);
    EXPECT_DOUBLE_EQ(survey.m_pTimeline->step, 0.02);
    ASSERT_NE(survey.m_pPlaybackParams, nullptr);
    EXPECT_EQ(survey.m_pPlaybackParams->nearDistance, 0.0);
    TimelineRecord stored;
    ASSERT_TRUE(LoadTimelineSettings(s_app->Settings(), stored));
    EXPECT_DOUBLE_EQ(stored.interval, 0.04);
    EXPECT_DOUBLE_EQ(stored.step, 0.02);
    PlaybackParams storedParams;
    ASSERT_TRUE(LoadPlaybackParams(s_app->Settings(), storedParams));
    EXPECT_EQ(storedParams.nearDistance, 0.0);

    // Recording into a folder that does not exist: frames are lost, nothing
    // is said, the folder is not made, and the run goes on.
    const std::string missing = s_dir->File("no-such-folder");
    survey.m_pPlaybackParams->recordVideo = 1;
    survey.m_pPlaybackParams->outputFolder = missing;
    s_recorder->messages.clear();
    Command(cmd::kPlayStart);
    ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nFrame >= 3; }, 5000));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(s_recorder->messages.empty());

    // Opening another file stops the run before the document changes.
    const std::string other = s_dir->File("other.oxv");
    WriteField(other, false);
    ASSERT_TRUE(s_app->OpenDocumentFile(other));
    EXPECT_EQ(View()->Run().m_nPlayState, kStopped);
    EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
}

TEST_F(AppWindowTest, FirstPersonFlightAlongAnImportedPathWritesItsFramesIntoWorkVideo)
{
    const std::string home = s_dir->File("home");
    const std::string video = home + "/work/video";
    std::filesystem::create_directories(video);
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);

    const std::string file = s_dir->File("fpv.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    SurveyDocument& survey = s_app->Document()->Survey();
    EXPECT_FALSE(Item(cmd::kFpvMode).enabled);

    // A navigation folder with its cached path: nodes flying east at 60 m
    // west of the field, heading 180 degrees (the camera looks along -x of
    // the node frame, so east) and pitched 45 degrees down onto the field.
    const std::string nav = s_dir->File("nav");
    std::filesystem::create_directories(nav);
    auto writePath = [&](int32_t count) {
        std::vector<PathNode> nodes(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i)
            nodes[static_cast<size_t>(i)] = {i == 0 ? count : i * 100, 0, -45000, 180000, -80000 + i * 1000, 0, 60000};
        ASSERT_TRUE(WriteCameraPathCache(nav + "/cam_path.bin", nodes.data()));
    };
    writePath(5);
    ASSERT_EQ(survey.ImportCameraPath(nav), CameraPathSource::Cache);
    s_app->Document()->NotifyCameraPathChanged();
    EXPECT_TRUE(Item(cmd::kFpvMode).enabled);

    const double orbitFov = View()->State().m_camera.fovY;
    Command(cmd::kFpvMode);
    EXPECT_TRUE(Item(cmd::kFpvMode).checked);
    EXPECT_TRUE(View()->IsTimerRunning(kFpvTimerId));
    // Five paints show nodes 0 to 4; the fifth ends the mode unrecorded.
    ASSERT_TRUE(PumpUntil([] { return View()->Fpv().m_bFpvMode == 0; }, 5000));
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_FALSE(Item(cmd::kFpvMode).checked);
    EXPECT_EQ(FolderFiles(video),
              (std::vector<std::string>{"img000001.png", "img000002.png", "img000003.png", "img000004.png"}));
    wxImage picture(FrameFile(video, 1), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(picture.IsOk());
    EXPECT_EQ(picture.GetSize(), View()->Canvas()->GetClientSize());
    EXPECT_GT(LitPixels(picture), 1000);  // the field seen from above its west end

    // The FOV dialog shows the angle and takes a new one for the next flight.
    std::string fovShown;
    s_recorder->drive = [&](wxDialog* dialog) {
        ASSERT_NE(dynamic_cast<CFovDlg*>(dialog), nullptr);
        fovShown = std::string(Field(dialog, CFovDlg::IDC_FOV)->GetValue().utf8_str());
        Field(dialog, CFovDlg::IDC_FOV)->SetValue("60");
        ClickOk(dialog);
    };
    Command(cmd::kFpvFov);
    s_recorder->drive = nullptr;
    EXPECT_EQ(fovShown, "30.00");
    EXPECT_EQ(View()->Fpv().m_dFpvFov, 60.0);

    // Importing a path again while flying ends the flight; so does New.
    // The folder holds the first flight's frames: asked, and overwritten.
    writePath(100000);
    s_recorder->messages.clear();
    s_recorder->answers = {wxID_YES};
    Command(cmd::kFpvMode);
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    EXPECT_NE(s_recorder->messages[0].find("already holds 4 frame files"), std::string::npos) << s_recorder->messages[0];
    EXPECT_EQ(View()->State().m_camera.fovY, 60.0);
    ASSERT_EQ(survey.ImportCameraPath(nav), CameraPathSource::Cache);
    s_app->Document()->NotifyCameraPathChanged();
    EXPECT_EQ(View()->Fpv().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_EQ(View()->State().m_camera.fovY, orbitFov);
    s_recorder->answers = {wxID_YES};
    Command(cmd::kFpvMode);
    EXPECT_TRUE(View()->IsTimerRunning(kFpvTimerId));
    ASSERT_TRUE(s_app->NewDocument());
    EXPECT_EQ(View()->Fpv().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_EQ(View()->State().m_camera.fovY, orbitFov);
    EXPECT_FALSE(Item(cmd::kFpvMode).enabled);
    Pump(100);

    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST_F(AppWindowTest, FovAndParameterDialogsRefuseWhatCannotWorkAndSayWhy)
{
    // FOV: text and angles out of range keep the dialog open; the angle
    // stays as it was until one is taken.
    View()->Fpv().m_dFpvFov = 30.0;
    s_recorder->drive = [&](wxDialog* dialog) {
        ASSERT_NE(dynamic_cast<CFovDlg*>(dialog), nullptr);
        for (const char* bad : {"abc", "180", ""}) {
            Field(dialog, CFovDlg::IDC_FOV)->SetValue(bad);
            ClickOk(dialog);
            EXPECT_TRUE(dialog->IsModal()) << bad;
        }
        Field(dialog, CFovDlg::IDC_FOV)->SetValue("45");
        ClickOk(dialog);
    };
    Command(cmd::kFpvFov);
    s_recorder->drive = nullptr;
    EXPECT_EQ(View()->Fpv().m_dFpvFov, 45.0);
    ASSERT_EQ(s_recorder->messages.size(), 4u);
    EXPECT_NE(s_recorder->messages[1].find("\"abc\" is not a number"), std::string::npos) << s_recorder->messages[1];
    EXPECT_NE(s_recorder->messages[2].find("out of range"), std::string::npos) << s_recorder->messages[2];
    EXPECT_NE(s_recorder->messages[3].find("less than 180"), std::string::npos) << s_recorder->messages[3];

    // Parameter: Video Recording without a folder asks for one; cancelled,
    // OK is refused with the reason; chosen, the folder is taken.
    s_recorder->messages.clear();
    for (const std::string chosen : {"", "/chosen/frames"}) {
        PlaybackDialogValues values;
        int asked = 0;
        CPBDlg dialog(Frame(), values, {}, [&](wxWindow*, const wxString&) {
            ++asked;
            return wxString::FromUTF8(chosen.c_str());
        });
        s_recorder->drive = [&](wxDialog* shown) {
            wxDynamicCast(shown->FindWindow(CPBDlg::IDC_RECORD_VIDEO), wxCheckBox)->SetValue(true);
            ClickOk(shown);
            if (shown->IsModal()) shown->EndModal(wxID_CANCEL);
        };
        const int result = dialog.ShowModal();
        s_recorder->drive = nullptr;
        EXPECT_EQ(asked, 1) << chosen;
        if (chosen.empty()) {
            EXPECT_EQ(result, wxID_CANCEL);
            ASSERT_EQ(s_recorder->messages.size(), 2u);
            EXPECT_NE(s_recorder->messages[1].find("needs an output folder"), std::string::npos)
                << s_recorder->messages[1];
        } else {
            EXPECT_EQ(result, wxID_OK);
            EXPECT_EQ(values.params.recordVideo, 1);
            EXPECT_EQ(values.params.outputFolder, chosen);
        }
        s_recorder->messages.clear();
    }
}


TEST_F(AppWindowTest, EscEndsAFirstPersonFlightAsItsCommandDoes)
{
    const std::string home = s_dir->File("esc-home");  // work/video is made at the start
    std::filesystem::create_directories(home);
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);
    const std::string file = s_dir->File("esc.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    SurveyDocument& survey = s_app->Document()->Survey();
    const int32_t count = 100000;
    survey.m_pCameraPath = std::make_unique<PathNode[]>(count);
    for (int32_t i = 0; i < count; ++i)
        survey.m_pCameraPath[i] = {i == 0 ? count : i * 100, 0, -45000, 180000, -80000 + i, 0, 60000};
    s_app->Document()->NotifyCameraPathChanged();
    const double orbitFov = View()->State().m_camera.fovY;
    View()->Fpv().m_dFpvFov = 50.0;
    Command(cmd::kFpvMode);
    ASSERT_TRUE(PumpUntil([] { return View()->Fpv().m_nFpvNode > 3; }, 5000));
    wxKeyEvent esc(wxEVT_KEY_DOWN);
    esc.m_keyCode = WXK_ESCAPE;
    View()->Canvas()->GetEventHandler()->ProcessEvent(esc);
    EXPECT_EQ(View()->Fpv().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_EQ(View()->State().m_camera.fovY, orbitFov);
    EXPECT_FALSE(Item(cmd::kFpvMode).checked);
    View()->Fpv().m_dFpvFov = 30.0;
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

}  // namespace
}  // namespace oxv
