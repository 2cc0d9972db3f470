// Point files that fight back: a named pipe where a survey should be, and a
// file too big for the memory the process may have, each opened over a
// survey that is already loaded.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

class MessageObserver final : public LoadObserver {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

class ReaderFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::WriteSurvey(dir.File("good.oxv"), PointFileLayout{}, 2000,
                          [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
        ASSERT_EQ(doc.LoadPointFile(dir.File("good.oxv"), profile, observer), LoadStatus::Ok);
    }

    test::ScratchDir dir;
    SurveyDocument doc;
    MemoryProfile profile;
    MessageObserver observer;
};

// Opening a pipe for reading waits for a writer; the open must not.
TEST_F(ReaderFaultTest, NamedPipeIsNotOpenedAndDoesNotHang)
{
    const std::string pipe = dir.File("survey.oxv");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            alarm(10);  // a hang ends the child with SIGALRM, failing the test
            const LoadStatus status = doc.LoadPointFile(pipe, profile, observer);
            const bool kept = doc.m_pPoints && doc.m_pPoints->Records() == 2000 && observer.messages.empty();
            std::exit(status == LoadStatus::CannotOpen && kept ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

#if !defined(OXV_SANITIZED)
// 0 when the open fails as it should: "Not enough memory" and an empty document.
int OpenUnderAddressLimit(SurveyDocument& doc, Profile& profile, MessageObserver& observer, const std::string& path)
{
    const rlimit limit{uint64_t{2} << 30, uint64_t{2} << 30};
    setrlimit(RLIMIT_AS, &limit);
    const LoadStatus status = doc.LoadPointFile(path, profile, observer);
    const bool message = observer.messages.size() == 1 && observer.messages[0].starts_with("Not enough memory\n" + path);
    const bool empty = !doc.m_pPoints && !doc.m_pTimeline && !doc.m_pScannerPath && !doc.m_xStat.valid;
    return status == LoadStatus::NotEnoughMemory && message && empty ? 0 : 1;
}

// The sanitizers reserve address space of their own: plain build only.
TEST_F(ReaderFaultTest, HugeFileOverALoadedSurveyIsNotEnoughMemoryAndEmpty)
{
    const std::string huge = dir.File("huge.oxv");
    const auto bytes = test::ReadBytes(dir.File("good.oxv"));
    test::WriteBytes(huge, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 268));
    std::filesystem::resize_file(huge, uint64_t{8} << 30);
    EXPECT_EXIT(std::exit(OpenUnderAddressLimit(doc, profile, observer, huge)), ::testing::ExitedWithCode(0), "");
    // The file on disk was only read: the next open of the good file works.
    EXPECT_EQ(doc.LoadPointFile(dir.File("good.oxv"), profile, observer), LoadStatus::Ok);
}
#endif

}  // namespace
}  // namespace oxv
