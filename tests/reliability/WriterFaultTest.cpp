// Every file the program writes, written where it cannot be: a folder that is
// missing, one that refuses new files, and a disk that fills up part way.
// Each writer must report the failure, leave no temporary file behind, keep
// any older file of the same name whole, and succeed on the next try once
// the fault is gone.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <wx/init.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "survey/CameraPath.h"
#include "settings/IniProfile.h"
#include "image/PngImageWriter.h"
#include "tests/support/PngRead.h"
#include "survey/PointFileWriter.h"
#include "tests/support/ScratchDir.h"
#include <wx/log.h>

namespace oxv {
namespace {

// A disk that fills up after `bytes` more bytes of any one file: the file
// size limit makes write() fail with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }
    bool Ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_previous)(int) = nullptr;
    bool m_ok = false;
};

std::vector<std::string> Entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder where new files are refused. Folder permissions do not stop a
// privileged user, so then a kernel folder that refuses everyone stands in.
std::string RefusingFolder(const test::ScratchDir& dir)
{
    const std::string folder = dir.File("readonly");
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (access(folder.c_str(), W_OK) != 0) return folder;
    return "/sys";
}

// A writer under test: writes its file at `path`; its content is big enough
// (over 4 KiB) that a 1 KiB limit cuts it part way.
struct Writer {
    const char* name;
    std::function<bool(const std::string& path)> write;
};

// Noise, so that the encoded frame stays well over the 1 KiB limit.
std::vector<uint8_t> Noise(int w, int h)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    uint32_t state = 12345;
    for (uint8_t& b : rgb) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return rgb;
}

const std::vector<Writer>& Writers()
{
    static const std::vector<Writer> writers = {
        {"frame png",
         [](const std::string& path) {
             const auto rgb = Noise(64, 48);
             return WritePngRgbBottomUp(path, 64, 48, rgb.data(), 64 * 3);
         }},
        {"point file",
         [](const std::string& path) {
             PointFileLayout layout;
             PointFileWriter writer(path, layout, 400);
             PointRecord r(layout);
             for (int32_t i = 0; i < 400; ++i) {
                 r.SetXyz(i, -i, 2 * i);
                 writer.Write(r);
             }
             return writer.Finish();
         }},
        {"cam_path.bin",
         [](const std::string& path) {
             std::vector<PathNode> nodes(200, PathNode{0, 1, 2, 3, 4, 5, 6});
             nodes[0].key = 200;
             return WriteCameraPathCache(path, nodes.data());
         }},
        {"ini file",
         [](const std::string& path) {
             static wxInitializer wx;
             IniProfile profile(path);
             const std::string value(2000, 'A');
             const bool ok = profile.WriteString("PBV", "Data", value);
             EXPECT_EQ(profile.ReadString("PBV", "Data"), value) << "kept for the session, written or not";
             return ok;
         }},
    };
    return writers;
}

class WriterFaultTest : public ::testing::TestWithParam<size_t> {
protected:
    const Writer& W() const { return Writers()[GetParam()]; }
    test::ScratchDir dir;
};

TEST_P(WriterFaultTest, MissingFolderFailsAndIsNotCreated)
{
    EXPECT_FALSE(W().write(dir.File("missing/out"))) << W().name;
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
    EXPECT_TRUE(W().write(dir.File("out"))) << "the next write is tried afresh";
}

TEST_P(WriterFaultTest, RefusingFolderFailsAndLeavesNothing)
{
    const std::string folder = RefusingFolder(dir);
    const auto before = Entries(folder);
    EXPECT_FALSE(W().write(folder + "/oxv-writer-test")) << W().name << " in " << folder;
    EXPECT_EQ(Entries(folder), before);
}

TEST_P(WriterFaultTest, FullDiskKeepsTheOldFileWholeAndLeavesNoTemporary)
{
    const std::string path = dir.File("out");
    const std::vector<uint8_t> old = {'o', 'l', 'd', '\n'};
    test::WriteBytes(path, old);
    bool written = true;
    {
        FileSizeLimit full(1024);
        ASSERT_TRUE(full.Ok());
        written = W().write(path);
    }
    EXPECT_FALSE(written) << W().name;
    EXPECT_EQ(test::ReadBytes(path), old) << W().name << ": a torn write must not replace the old file";
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out"}) << W().name;

    EXPECT_TRUE(W().write(path)) << W().name << ": the disk has room again";
    EXPECT_GT(test::ReadBytes(path).size(), 1024u);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out"});
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterFaultTest, ::testing::Range<size_t>(0, 4),
                         [](const ::testing::TestParamInfo<size_t>& param) {
                             std::string n = Writers()[param.param].name;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

// The frame written whole is a complete picture; one cut by a full disk is
// not left under the frame's name for a video tool to choke on, and its loss
// is not printed (playback goes on and may lose thousands of them).
TEST(FrameWriterFault, FrameAfterAFullDiskIsCompleteAndDecodes)
{
    test::ScratchDir dir;
    const std::string path = dir.File("img000000.png");
    const auto rgb = Noise(64, 48);
    {
        FileSizeLimit full(512);
        ASSERT_TRUE(full.Ok());
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(WritePngRgb(path, 64, 48, rgb.data(), 64 * 3));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(WritePngRgb(path, 64, 48, rgb.data(), 64 * 3));
    int w = 0, h = 0;
    const std::vector<uint8_t> back = test::DecodePng(path, w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(back, rgb);
}

// Settings writes report nothing, not even when the settings object is
// destroyed and tries its last write.
class CountingLog final : public wxLog {
public:
    int records = 0;

protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override { ++records; }
};

TEST(IniWriterFault, UnwritableSettingsFileLogsNothing)
{
    static wxInitializer wx;
    test::ScratchDir dir;
    auto* counting = new CountingLog;
    wxLog* previous = wxLog::SetActiveTarget(counting);
    {
        IniProfile profile(dir.File("missing/oxvell.ini"));
        EXPECT_FALSE(profile.WriteString("PBV", "Path", "/frames"));
        EXPECT_EQ(profile.ReadString("PBV", "Path"), "/frames");
    }
    wxLog::SetActiveTarget(previous);
    EXPECT_EQ(counting->records, 0);
    delete counting;
}

}  // namespace
}  // namespace oxv
