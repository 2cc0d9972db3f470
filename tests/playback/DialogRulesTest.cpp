#include <gtest/gtest.h>

#include "playback/DialogRules.h"

namespace oxv {
namespace {

TEST(DialogRules, FovTakesOnlyAWholeNumberStrictlyBetween0And180)
{
    struct Case {
        const char* text;
        std::optional<double> degrees;
        const char* reasonPart;
    };
    const Case cases[] = {
        {"45", 45.0, ""},
        {" 60.5 ", 60.5, ""},
        {"179.99", 179.99, ""},
        {"1e1", 10.0, ""},
        {"abc", std::nullopt, "\"abc\" is not a number"},
        {"45abc", std::nullopt, "not a number"},
        {"nan", std::nullopt, "not a number"},
        {"inf", std::nullopt, "not a number"},
        {"1e999", std::nullopt, "not a number"},
        {"", std::nullopt, "No field of view"},
        {"   ", std::nullopt, "No field of view"},
        {"0", std::nullopt, "out of range"},
        {"180", std::nullopt, "out of range"},
        {"-30", std::nullopt, "out of range"},
    };
    for (const Case& c : cases) {
        const FovReading r = ReadFovText(c.text);
        EXPECT_EQ(r.degrees, c.degrees) << '"' << c.text << '"';
        if (c.degrees) {
            EXPECT_TRUE(r.refused.empty()) << c.text;
        } else {
            EXPECT_NE(r.refused.find(c.reasonPart), std::string::npos) << c.text << ": " << r.refused;
            EXPECT_NE(r.refused.find("more than 0 and less than 180 degrees"), std::string::npos) << r.refused;
        }
    }
}

TEST(DialogRules, RecordingNeedsAFolderOnlyWhenTicked)
{
    EXPECT_EQ(RecordingFolderRefuseReason(false, ""), "");
    EXPECT_EQ(RecordingFolderRefuseReason(true, "/out"), "");
    EXPECT_NE(RecordingFolderRefuseReason(true, "").find("needs an output folder"), std::string::npos);
    EXPECT_NE(RecordingFolderRefuseReason(true, "  ").find("needs an output folder"), std::string::npos);
}

}  // namespace
}  // namespace oxv
