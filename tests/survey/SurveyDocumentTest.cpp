#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "survey/PlaybackSettings.h"
#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

class RecordingObserver final : public LoadObserver {
public:
    void BeginWait() override { ++waits; }
    void EndWait() override { --waits; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    int waits = 0;
    std::vector<std::string> messages;
};

class SurveyDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::WriteSurvey(dir.File("good.oxv"), PointFileLayout{}, 4000,
                          [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
        good = test::ReadBytes(dir.File("good.oxv"));
    }

    LoadStatus Open(const std::string& name)
    {
        observer.messages.clear();
        return doc.LoadPointFile(dir.File(name), profile, observer);
    }

    void ExpectEmpty()
    {
        EXPECT_EQ(doc.m_pPoints, nullptr);
        EXPECT_EQ(doc.m_pScannerPath, nullptr);
        EXPECT_EQ(doc.m_pCameraPath, nullptr);
        EXPECT_EQ(doc.m_pTimeline, nullptr);
        EXPECT_EQ(doc.m_xStat.valid + doc.m_yStat.valid + doc.m_zStat.valid + doc.m_timeStat.valid +
                      doc.m_ampStat.valid + doc.m_rangeStat.valid,
                  0);
    }

    test::ScratchDir dir;
    std::vector<uint8_t> good;
    SurveyDocument doc;
    MemoryProfile profile;
    RecordingObserver observer;
};

TEST_F(SurveyDocumentTest, LoadBuildsEverythingFromDefaults)
{
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(observer.waits, 0) << "the wait cursor ends with the load";
    ASSERT_NE(doc.m_pTimeline, nullptr);
    EXPECT_EQ(doc.m_pTimeline->frames, 300);  // 9.9975 s / 0.0333
    EXPECT_EQ(doc.m_pTimeline->interval, 0.0333);
    ASSERT_NE(doc.m_pPlaybackParams, nullptr);
    EXPECT_EQ(doc.m_pPlaybackParams->farDistance, 300.0);
    ASSERT_NE(doc.m_pScannerPath, nullptr);
    EXPECT_EQ(doc.m_pScannerPath[0].key, 1000);  // a node every fourth record
    Pose pose{};
    EXPECT_EQ(doc.InterpolatePoseAt(10, pose), 1);
}

TEST_F(SurveyDocumentTest, StoredSettingsShapeTheTimeline)
{
    PlaybackTimeline stored;
    stored.step = 0.2;  // 5x speed at 25 frames per second
    stored.interval = 0.04;
    ASSERT_TRUE(SaveTimelineSettings(profile, stored));
    PlaybackParams params;
    params.outputFolder = "/tmp/frames";
    params.recordVideo = 1;
    ASSERT_TRUE(SavePlaybackParams(profile, params));

    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    EXPECT_EQ(doc.m_pTimeline->frames, 49);
    EXPECT_DOUBLE_EQ(doc.m_pTimeline->step, 0.2);
    EXPECT_EQ(doc.m_pPlaybackParams->outputFolder, "/tmp/frames");
    EXPECT_EQ(doc.m_pPlaybackParams->recordVideo, 1);
}

TEST_F(SurveyDocumentTest, FailedLoadsLeaveTheDocumentEmptyWithTheirMessage)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string reason;
    };
    std::vector<uint8_t> badMagic = good;
    badMagic[0] = 0x55;
    std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
    const auto grouped = [](size_t n) {
        std::string digits = std::to_string(n);
        for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
        return digits;
    };
    const std::string size = grouped(good.size());
    const std::string cutSize = grouped(good.size() - 1);
    const Case cases[] = {
        {"bad magic", badMagic, "not a point file (first bytes 55 77 66 55)"},
        {"records cut short", truncated, "truncated: " + cutSize + " of " + size + " bytes"},
        {"too short for a magic", {0x88, 0x77}, "not a point file (2 bytes)"},
        {"empty file", {}, "not a point file (empty)"},
    };
    // The message names the file and says why under the usual first line.
    for (const Case& c : cases) {
        ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
        test::WriteBytes(dir.File("bad.oxv"), c.bytes);
        EXPECT_EQ(Open("bad.oxv"), LoadStatus::FormatError) << c.name;
        EXPECT_EQ(observer.messages, std::vector<std::string>{"File format error\n" + dir.File("bad.oxv") + ": " + c.reason})
            << c.name;
        EXPECT_EQ(doc.LoadProblem(), c.reason);
        ExpectEmpty();
        EXPECT_EQ(doc.m_pPlaybackParams, nullptr) << c.name;
        EXPECT_EQ(doc.InterpolatePoseAt(0, *std::make_unique<Pose>()), 0);
    }
}

// Two records five million seconds apart ask for 150 million frames at the
// default 0.0333 s: the survey opens, and says why it cannot be played.
TEST_F(SurveyDocumentTest, ATimelineOverTheFrameCapIsMissingWithItsReason)
{
    test::WriteSurvey(dir.File("long.oxv"), PointFileLayout{}, 2, [](int32_t i, PointRecord& r) {
        test::SteadyFlight(i, r);
        r.SetTime(i * 400.0 * 5e6);
    });
    ASSERT_EQ(Open("long.oxv"), LoadStatus::Ok);
    EXPECT_EQ(doc.m_pTimeline, nullptr);
    EXPECT_EQ(doc.TimelineProblem(),
              "the survey's 5e+06 s at 0.0333 s a frame make 150,150,150 frames, more than the 134,217,728 playback "
              "can hold");
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    EXPECT_NE(doc.m_pTimeline, nullptr);
    EXPECT_EQ(doc.TimelineProblem(), "");
}

TEST_F(SurveyDocumentTest, UnopenableFileChangesNothing)
{
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    EXPECT_EQ(Open("missing.oxv"), LoadStatus::CannotOpen);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_NE(doc.m_pPoints, nullptr);
    EXPECT_NE(doc.m_pTimeline, nullptr);
}

TEST_F(SurveyDocumentTest, FoldersAndDevicesAreNotOpened)
{
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    std::filesystem::create_directory(dir.File("folder.oxv"));
    EXPECT_EQ(Open("folder.oxv"), LoadStatus::CannotOpen);
    EXPECT_EQ(doc.LoadPointFile("/dev/zero", profile, observer), LoadStatus::CannotOpen);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_NE(doc.m_pPoints, nullptr);
}

TEST_F(SurveyDocumentTest, CancelledLoadIsEmptyAndSilent)
{
    class Canceller final : public LoadObserver {
        bool Progress(double) override { return false; }
    } canceller;
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    EXPECT_EQ(doc.LoadPointFile(dir.File("good.oxv"), profile, canceller), LoadStatus::Cancelled);
    ExpectEmpty();
}

// Answers Progress with false once the load has entered `stop`, and keeps
// what it heard.
class StageObserver final : public LoadObserver {
public:
    explicit StageObserver(std::optional<LoadStage> stop = std::nullopt) : m_stop(stop) {}
    void Stage(LoadStage stage) override
    {
        stages.push_back(stage);
        m_current = stage;
    }
    bool Progress(double fraction) override
    {
        fractions.push_back(fraction);
        return !(m_stop && m_current == *m_stop);
    }
    std::vector<LoadStage> stages;
    std::vector<double> fractions;

private:
    std::optional<LoadStage> m_stop;
    LoadStage m_current = LoadStage::Read;
};

TEST_F(SurveyDocumentTest, ProgressRisesThroughEveryStageToOne)
{
    // More records than one progress chunk, so the passes report on the way.
    test::WriteSurvey(dir.File("big.oxv"), PointFileLayout{}, kProgressChunk + 5000,
                      [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    StageObserver heard;
    ASSERT_EQ(doc.LoadPointFile(dir.File("big.oxv"), profile, heard), LoadStatus::Ok);
    EXPECT_EQ(heard.stages, (std::vector<LoadStage>{LoadStage::Read, LoadStage::ValueRanges, LoadStage::Timeline,
                                                    LoadStage::ScannerPath}));
    ASSERT_FALSE(heard.fractions.empty());
    EXPECT_TRUE(std::is_sorted(heard.fractions.begin(), heard.fractions.end()));
    EXPECT_GE(heard.fractions.front(), 0.0);
    EXPECT_DOUBLE_EQ(heard.fractions.back(), 1.0);
    EXPECT_GT(heard.fractions.size(), 8u) << "reports inside the passes, not only at their ends";
    EXPECT_NE(doc.m_pScannerPath, nullptr);
    EXPECT_NE(doc.m_pTimeline, nullptr);
}

TEST_F(SurveyDocumentTest, CancelAtEachStageLeavesTheDocumentEmpty)
{
    for (LoadStage stop : {LoadStage::Read, LoadStage::ValueRanges, LoadStage::Timeline, LoadStage::ScannerPath}) {
        SCOPED_TRACE(static_cast<int>(stop));
        ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
        StageObserver canceller(stop);
        EXPECT_EQ(doc.LoadPointFile(dir.File("good.oxv"), profile, canceller), LoadStatus::Cancelled);
        ExpectEmpty();
        EXPECT_EQ(doc.m_pPlaybackParams, nullptr);
        EXPECT_EQ(canceller.stages.back(), stop) << "no stage runs after the cancel";
        // The document opens again as if nothing happened.
        EXPECT_EQ(Open("good.oxv"), LoadStatus::Ok);
        EXPECT_NE(doc.m_pScannerPath, nullptr);
    }
}

TEST_F(SurveyDocumentTest, RebuildingFromTheDocumentsOwnParameters)
{
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    doc.m_pPlaybackParams->outputFolder = "/frames";
    ASSERT_EQ(doc.BuildTimeline(doc.m_pPlaybackParams.get(), 2.0, 0.0333), 1);
    EXPECT_EQ(doc.m_pPlaybackParams->outputFolder, "/frames");
    EXPECT_EQ(doc.m_pTimeline->frames, 150);
}

TEST_F(SurveyDocumentTest, NewDocumentFreesEverything)
{
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    doc.NewDocument();
    ExpectEmpty();
    EXPECT_EQ(doc.m_pPlaybackParams, nullptr);
}

TEST_F(SurveyDocumentTest, ImageInMemoryOutlivesChangesToTheFile)
{
    ASSERT_EQ(Open("good.oxv"), LoadStatus::Ok);
    const int32_t x = doc.m_pPoints->Xyz(3999)[0];
    test::WriteBytes(dir.File("good.oxv"), std::vector<uint8_t>(good.size(), 0xEE));
    std::filesystem::remove(dir.File("good.oxv"));
    EXPECT_EQ(doc.m_pPoints->Xyz(3999)[0], x);
}

#if !defined(OXV_SANITIZED)
int OpenUnderAddressLimit(const std::string& path)
{
    const rlimit limit{uint64_t{2} << 30, uint64_t{2} << 30};
    setrlimit(RLIMIT_AS, &limit);
    RecordingObserver seen;
    SurveyDocument fresh;
    MemoryProfile none;
    const LoadStatus status = fresh.LoadPointFile(path, none, seen);
    const bool ok = status == LoadStatus::NotEnoughMemory && seen.messages.size() == 1 &&
                    seen.messages[0] == "Not enough memory\n" + path + ": no block of 8,589,934,592 bytes to read it into" &&
                    fresh.m_pPoints == nullptr;
    return ok ? 0 : 1;
}

// A sparse file larger than the address space the process may have: the
// block cannot be allocated. The sanitizers reserve address space of their
// own, so this runs in the plain build only.
TEST_F(SurveyDocumentTest, HugeFileIsNotEnoughMemory)
{
    const std::string huge = dir.File("huge.oxv");
    test::WriteBytes(huge, std::vector<uint8_t>(good.begin(), good.begin() + 268));
    std::filesystem::resize_file(huge, uint64_t{8} << 30);
    EXPECT_EXIT(std::exit(OpenUnderAddressLimit(huge)), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace oxv
