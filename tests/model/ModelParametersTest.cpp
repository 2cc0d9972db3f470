#include <gtest/gtest.h>
#include <sys/stat.h>

#include "model/ModelParameters.h"
#include "tests/support/ModelTestSupport.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

using Lines = std::vector<std::string>;

class ModelParameterFile : public ::testing::Test {
protected:
    bool Read(const std::string& text)
    {
        test::WriteText(dir.File("m.par"), text);
        return ReadModelParameters(dir.File("m.par"), sections, params);
    }
    test::ScratchDir dir;
    ModelSections sections;
    ModelParameters params;
};

TEST_F(ModelParameterFile, ParameterLinesSetOnlyTheNumbersTheyCarry)
{
    params.model_rotation[1] = 5;
    params.model_rotation[2] = 6;
    ASSERT_TRUE(Read("~B 10\n~C 1 2\n~M -1.5 0 2.25\n~T 4 5 6 7\n~s 2\n~X 1 2 3\n~S 0.01\n~S\n#Body\n~C 8 8 8\n"));
    EXPECT_EQ(params.model_rotation[0], 10.0);
    EXPECT_EQ(params.model_rotation[1], 5.0) << "pitch kept";
    EXPECT_EQ(params.model_rotation[2], 6.0) << "heading kept";
    EXPECT_EQ(params.model_offset[0], 8.0) << "parameter lines act inside sections too";
    EXPECT_EQ(params.main_rotor_hub[0], -1.5);
    EXPECT_EQ(params.main_rotor_hub[2], 2.25);
    EXPECT_EQ(params.tail_rotor_hub[2], 6.0);
    EXPECT_EQ(params.scale, 0.01) << "~s and a ~S without a number change nothing";
    EXPECT_EQ(sections.at("Body"), Lines{}) << "parameter lines are not entries";
}

TEST_F(ModelParameterFile, WithoutScaleLineScaleStaysOne)
{
    ASSERT_TRUE(Read("#Body\nhull\n"));
    EXPECT_EQ(params.scale, 1.0);
}

TEST_F(ModelParameterFile, SectionsCollectTheirLinesExactly)
{
    ASSERT_TRUE(Read("orphan\n"
                     "#Body\nhull\n\nskid \n"
                     "# comment here\nrotor\n"
                     "#\nlost\n"
                     "#Main\nold\n"
                     "#Main\nblade\r\n"
                     "#Tail\ntail"));  // no final line feed
    EXPECT_EQ(sections.at("Body"), (Lines{"hull", "", "skid "})) << "a blank line is an entry; blanks count";
    EXPECT_EQ(sections.at(" comment here"), Lines{"rotor"}) << "a # line always starts a section";
    EXPECT_EQ(sections.at("Main"), Lines{"blade"}) << "the last occurrence wins; CR LF ends a line";
    EXPECT_EQ(sections.at("Tail"), Lines{"tail"});
    EXPECT_EQ(sections.size(), 4u) << "no section for the lines before the first header or under an empty name";
}

TEST_F(ModelParameterFile, MissingFileEmptiesTheSectionsAndKeepsTheParameters)
{
    sections["Body"] = {"x"};
    params.scale = 3;
    EXPECT_FALSE(ReadModelParameters(dir.File("none.par"), sections, params));
    ASSERT_EQ(mkfifo(dir.File("pipe.par").c_str(), 0600), 0);
    EXPECT_FALSE(ReadModelParameters(dir.File("pipe.par"), sections, params)) << "a pipe would block the open";
    EXPECT_TRUE(sections.empty());
    EXPECT_EQ(params.scale, 3.0);
}

TEST(ReplaceExtension, ReplacesAfterTheLastDotAnywhere)
{
    const std::vector<std::array<std::string, 3>> cases = {
        {"/opt/oxvell/model/gray.obj", "png", "/opt/oxvell/model/gray.png"},
        {"gray.obj", "par", "gray.par"},
        {"gray", "par", "par"},
        {"archive.tar.gz", "png", "archive.tar.png"},
        {"/a.b/gray", "png", "/a.png"},
        {"trailing.", "png", "trailing.png"},
    };
    for (const auto& [path, ext, expected] : cases) EXPECT_EQ(ReplaceExtension(path, ext), expected) << path;
}

}  // namespace
}  // namespace oxv
