// Files handed over by later starts, through the running viewer's socket.

#include "app/HandOver.h"
#include "app/HandOverBox.h"
#include "app/SingleInstance.h"
#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

using namespace std::chrono_literals;

size_t Occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Twenty starts naming files that do not exist, one after the other: one
// box comes up and the later failures join it while it is shown; a file
// that opens, handed over meanwhile, opens once the box is closed.
TEST_F(AppWindowTest, FailedHandOversJoinTheOneBoxShown)
{
    const std::string socket(InstanceSocketPath().fn_str());
    ASSERT_FALSE(socket.empty());
    const std::string good = s_dir->File("handed.oxv");
    WriteField(good, true);
    auto missing = [](int i) { return s_dir->File("missing" + std::to_string(i) + ".oxv"); };

    int boxes = 0;
    std::string shown;
    s_recorder->drive = [&](wxDialog* dialog) {
        ++boxes;
        auto* box = dynamic_cast<HandOverBox*>(dialog);
        if (!box) {
            dialog->EndModal(wxID_OK);
            return;
        }
        for (int i = 1; i < 20; ++i) EXPECT_TRUE(HandOverPath(socket, missing(i), 2s)) << i;
        EXPECT_TRUE(HandOverPath(socket, good, 2s));
        PumpUntil([&] { return Occurrences(std::string(box->Text().utf8_str()), "Cannot open file") == 20; }, 5000);
        shown = std::string(box->Text().utf8_str());
        box->EndModal(wxID_OK);
    };
    ASSERT_TRUE(HandOverPath(socket, missing(0), 2s));
    const bool opened = PumpUntil([&] { return Title() == "handed.oxv - Oxvell"; }, 15000);
    s_recorder->drive = nullptr;
    EXPECT_TRUE(opened) << "the file handed over meanwhile did not open";
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(s_recorder->messages, std::vector<std::string>{"<dialog Oxvell>"}) << "message boxes beside the one";
    EXPECT_EQ(Occurrences(shown, "Cannot open file"), 20u) << shown;
    for (int i = 0; i < 20; ++i) EXPECT_NE(shown.find(missing(i)), std::string::npos) << i;
}

}  // namespace
}  // namespace oxv
