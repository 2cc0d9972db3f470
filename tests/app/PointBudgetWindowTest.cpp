// The moving-camera point budget in the window: the View menu's choices,
// the subset while the mouse moves the camera, and the still frame after.

#include "tests/app/AppWindowFixture.h"
#include "view/PointSubset.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

// 300,000 points 0.2 m apart over 120 m x 100 m, in varied colours.
void WriteLargeField(const std::string& path)
{
    test::WriteSurvey(path, PointFileLayout{}, 600 * 500, [](int32_t i, PointRecord& r) {
        const int32_t x = (i % 600) * 200 - 60000, y = (i / 600) * 200 - 50000;
        r.SetXyz(x, y, (i % 600) * 20);
        r.SetOrigin(x, y, 100000);
        r.SetColor(static_cast<uint8_t>(i % 251), static_cast<uint8_t>(i % 241), 200);
        r.SetTime(static_cast<double>(i));
    });
}

// Every frame the view draws while it lives: whether it was the subset, and
// the picture of the last one. The view's own capture comes back after.
class FrameLog {
public:
    explicit FrameLog(COxvellView* view) : m_view(view), m_saved(view->State().hooks.captureFrame)
    {
        view->State().hooks.captureFrame = [this](ViewState& state, GlTarget& target, int l, int t, int r, int b) {
            if (m_saved) m_saved(state, target, l, t, r, b);  // recording goes on
            kinds.push_back(state.m_subset.lastFrameSubset);
            if (state.m_scene.playing) runKinds.push_back(state.m_subset.lastFrameSubset);
            last.resize(static_cast<size_t>(target.Width()) * static_cast<size_t>(target.Height()) * 3);
            glReadBuffer(target.ReadBuffer());
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, target.Width(), target.Height(), GL_RGB, GL_UNSIGNED_BYTE, last.data());
        };
    }
    ~FrameLog() { m_view->State().hooks.captureFrame = m_saved; }

    std::vector<int> kinds;
    std::vector<int> runKinds;  // of the frames drawn during playback
    std::vector<uint8_t> last;

private:
    COxvellView* m_view;
    std::function<void(ViewState&, GlTarget&, int, int, int, int)> m_saved;
};

void Mouse(COxvellView* view, wxEventType type, int x, int y)
{
    wxGLCanvas* canvas = view->Canvas();
    wxMouseEvent event(type);
    event.SetPosition({x, y});
    event.SetEventObject(canvas);
    canvas->GetEventHandler()->ProcessEvent(event);
}

// The tests share one application with the others: the budget a fresh
// start has comes back at the end of each.
struct BudgetReset {
    wxFrame* frame;
    ~BudgetReset()
    {
        wxCommandEvent event(wxEVT_MENU, cmd::kPointBudget250k + 1);
        frame->GetEventHandler()->ProcessEvent(event);
    }
};

TEST_F(AppWindowTest, PointBudgetChoicesAreCheckedAndKeptInTheIni)
{
    BudgetReset reset{Frame()};
    EXPECT_EQ(View()->State().m_subset.budget, kDefaultPointBudget);
    EXPECT_TRUE(Item(cmd::kPointBudget250k + 1).checked) << "1M by default";
    const std::pair<int, const char*> choices[] = {{cmd::kPointBudget250k, "PointBudget=250000"},
                                                   {cmd::kPointBudget250k + 2, "PointBudget=4000000"},
                                                   {cmd::kPointBudgetOff, "PointBudget=0"}};
    for (const auto& [id, line] : choices) {
        Command(id);
        EXPECT_TRUE(Item(id).checked) << line;
        EXPECT_FALSE(Item(cmd::kPointBudget250k + 1).checked) << line;
        EXPECT_NE(Ini().find(line), std::string::npos) << Ini();
    }
    EXPECT_EQ(View()->State().m_subset.budget, 0);
    EXPECT_EQ(LoadPointBudget(s_app->Settings()), 0) << "what the next start reads";
}

TEST_F(AppWindowTest, FirstPictureIsTheSubsetWithThePreviewInTheStatusLine)
{
    BudgetReset reset{Frame()};
    const std::string file = s_dir->File("large.oxv");
    WriteLargeField(file);
    Command(cmd::kPointBudget250k);
    FrameLog frames(View());
    std::string status;
    const auto ready = View()->State().hooks.subsetReady;
    View()->State().hooks.subsetReady = [&] {
        ready();
        status = std::string(Frame()->StatusBar()->GetStatusText(0).utf8_str());
    };
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    View()->State().hooks.subsetReady = ready;
    ASSERT_GE(frames.kinds.size(), 2u);
    EXPECT_EQ(frames.kinds.front(), 1) << "the subset first";
    EXPECT_EQ(frames.kinds.back(), 0) << "then every point";
    EXPECT_EQ(status.rfind("Preview: 0.15 M of 0.30 M points | ", 0), 0u) << status;
    EXPECT_EQ(std::string(Frame()->StatusBar()->GetStatusText(0).utf8_str()).find("Preview"), std::string::npos);
}

TEST_F(AppWindowTest, DragAndWheelDrawTheSubsetThenTheStillFrame)
{
    BudgetReset reset{Frame()};
    const std::string file = s_dir->File("large.oxv");
    WriteLargeField(file);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kPointBudget250k);
    ASSERT_EQ(View()->State().m_subset.step, 2);
    FrameLog frames(View());
    const wxSize size = View()->Canvas()->GetClientSize();
    Mouse(View(), wxEVT_LEFT_DOWN, size.x / 2, size.y / 2);
    Mouse(View(), wxEVT_MOTION, size.x / 2 + 30, size.y / 2 + 10);
    Mouse(View(), wxEVT_MOTION, size.x / 2 + 60, size.y / 2 + 20);
    ASSERT_FALSE(frames.kinds.empty());
    EXPECT_EQ(std::count(frames.kinds.begin(), frames.kinds.end(), 0), 0) << "only the subset while dragging";
    frames.kinds.clear();
    Mouse(View(), wxEVT_LEFT_UP, size.x / 2 + 60, size.y / 2 + 20);
    ASSERT_EQ(frames.kinds, std::vector<int>{0}) << "the release shows every point";
    const std::vector<uint8_t> dragged = frames.last;
    // The same camera with no subset at all: a frame never drawn moving.
    Command(cmd::kPointBudgetOff);
    EXPECT_EQ(dragged, Screen().rgb);

    // The wheel: the subset until it rests, then the still frame by itself.
    Command(cmd::kPointBudget250k);
    frames.kinds.clear();
    Wheel(120);
    ASSERT_EQ(frames.kinds, std::vector<int>{1});
    // Paints that come in meanwhile still show the subset.
    ASSERT_TRUE(test::PumpUntil([&] { return frames.kinds.back() == 0; }, 3000)) << "no still frame after the wheel rested";
    EXPECT_EQ(std::count(frames.kinds.begin(), frames.kinds.end(), 0), 1);
    const std::vector<uint8_t> rested = frames.last;
    Command(cmd::kPointBudgetOff);
    EXPECT_EQ(rested, Screen().rgb);
}

// A mouse move starts the hover pick; a wheel notch right after it draws the
// subset, and the pick's hidden frame comes before the wheel has rested. The
// screen must still end with every point.
TEST_F(AppWindowTest, AHoverPickDuringAWheelMoveStillEndsWithTheFullFrame)
{
    BudgetReset reset{Frame()};
    const std::string file = s_dir->File("large.oxv");
    WriteLargeField(file);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kPointBudget250k);
    Command(cmd::kViewStatusBar);
    Pump(100);
    // Paints alone pass the overlay hook; a pick is a captured frame without.
    std::vector<int> paints;
    int captures = 0;
    ViewHooks& hooks = View()->State().hooks;
    const auto overlay = hooks.drawOverlay;
    const auto capture = hooks.captureFrame;
    hooks.drawOverlay = [&](ViewState& state, GlTarget& target) {
        paints.push_back(state.m_subset.lastFrameSubset);
        if (overlay) overlay(state, target);
    };
    hooks.captureFrame = [&](ViewState& state, GlTarget& target, int l, int t, int r, int b) {
        ++captures;
        if (capture) capture(state, target, l, t, r, b);
    };
    const wxSize size = View()->Canvas()->GetClientSize();
    Mouse(View(), wxEVT_MOTION, size.x / 2, size.y / 2);
    Wheel(120);
    ASSERT_EQ(paints, std::vector<int>{1});
    const bool settled = PumpUntil([&] { return captures > 2 && !paints.empty() && paints.back() == 0; }, 3000);
    hooks.drawOverlay = overlay;
    hooks.captureFrame = capture;
    Command(cmd::kViewStatusBar);
    EXPECT_GT(captures, static_cast<int>(paints.size())) << "no hover pick came in between";
    EXPECT_TRUE(settled) << "the view stayed on the subset";
    EXPECT_EQ(paints.back(), 0);
}

TEST_F(AppWindowTest, BelowTheBudgetTheDragDrawsEveryPoint)
{
    const std::string file = s_dir->File("field.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_EQ(View()->State().m_subset.listBase, 0u) << "7,200 records fit in 1M";
    FrameLog frames(View());
    const wxSize size = View()->Canvas()->GetClientSize();
    Mouse(View(), wxEVT_LEFT_DOWN, size.x / 2, size.y / 2);
    Mouse(View(), wxEVT_MOTION, size.x / 2 + 30, size.y / 2);
    Mouse(View(), wxEVT_LEFT_UP, size.x / 2 + 30, size.y / 2);
    EXPECT_EQ(std::count(frames.kinds.begin(), frames.kinds.end(), 1), 0);
}

TEST_F(AppWindowTest, PlaybackRecordsEveryPointDuringAndAfterAMove)
{
    const std::string folder = RecordInto("budget-frames", 2.0, 0.05);
    const std::string file = s_dir->File("flight-budget.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    ASSERT_NE(s_app->Document()->Survey().m_pTimeline, nullptr);
    // A budget below the field's 7,200 records (the menu offers none so small).
    SetPointBudget(View()->State(), View()->Survey(), 1000);
    ASSERT_NE(View()->State().m_subset.listBase, 0u);
    {
        FrameLog frames(View());
        // A wheel move still in progress when the run starts, and a drag during it.
        Wheel(120);
        ASSERT_EQ(frames.kinds, std::vector<int>{1});
        Command(cmd::kPlayStart);
        const wxSize size = View()->Canvas()->GetClientSize();
        ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nFrame >= 2; }, 5000));
        Mouse(View(), wxEVT_LEFT_DOWN, size.x / 2, size.y / 2);
        Mouse(View(), wxEVT_MOTION, size.x / 2 + 20, size.y / 2);
        ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nFrame >= 4; }, 5000));
        Mouse(View(), wxEVT_LEFT_UP, size.x / 2 + 20, size.y / 2);
        Command(cmd::kPlayStop);
        EXPECT_GE(frames.runKinds.size(), 4u);
        EXPECT_EQ(std::count(frames.runKinds.begin(), frames.runKinds.end(), 1), 0) << "a run draws every point";
        EXPECT_GE(FolderFiles(folder).size(), 3u);
    }
    StorePlaybackSettings(s_app->Settings(), TimelineRecord{}.step, TimelineRecord{}.interval, PlaybackParams{});
    SetPointBudget(View()->State(), View()->Survey(), kDefaultPointBudget);
}

}  // namespace
}  // namespace oxv
