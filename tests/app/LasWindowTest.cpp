// A LAS survey in the viewer: it opens as a point file does, and a
// trajectory placed on it brings the Range colours, the scanner path and
// playback's helicopter.

#include <cstdio>

#include "geo/LocalFrame.h"
#include "las/LasWriter.h"
#include "tests/app/AppWindowFixture.h"
#include "tests/app/FieldSurvey.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

TEST_F(AppWindowTest, ALasSurveyOpensAndFliesOnceItsTrajectoryIsPlaced)
{
    // The field as LAS (local frame, its geodetic origin kept), and the
    // sensor's straight track over it as a text trajectory.
    const std::string oxv = s_dir->File("field-for-las.oxv");
    test::WriteField(oxv);
    {
        SurveyDocument field;
        MemoryProfile profile;
        LoadObserver quiet;
        ASSERT_EQ(field.LoadPointFile(oxv, profile, quiet), LoadStatus::Ok);
        std::string why;
        ASSERT_TRUE(las::WriteLasFile(*field.m_pPoints, s_dir->File("field.las"), "", why)) << why;
    }
    const LocalFrame frame(GeodeticOrigin{0.0, 0.0, 0.0});
    const std::string trajectory = s_dir->File("field-trajectory.txt");
    FILE* f = std::fopen(trajectory.c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (int k = 0; k <= 1; ++k) {
        const double local[3] = {-60.0 + 120.0 * k, 0.0, 100.0};
        double lat, lon, h;
        frame.ToGeodetic(local, lat, lon, h);
        std::fprintf(f, "%.3f %.12f %.12f %.4f 0 0 90\n", k * 7200 / 400.0, lat, lon, h);
    }
    std::fclose(f);

    ASSERT_TRUE(s_app->OpenDocumentFile(s_dir->File("field.las")));
    EXPECT_EQ(Title(), "field.las - Oxvell");
    EXPECT_TRUE(Item(cmd::kColorOriginal).checked);
    EXPECT_FALSE(Item(cmd::kColorRange).enabled);
    EXPECT_FALSE(Item(cmd::kShowScannerPath).enabled);
    EXPECT_TRUE(Item(cmd::kImportTrajectory).enabled);
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
    EXPECT_GT(Screen().Lit(), 4000);

    // What File > Import Trajectory... does once its dialog has a file.
    SurveyDocument& survey = s_app->Document()->Survey();
    ASSERT_EQ(survey.AttachTrajectory(trajectory), TrajectoryStatus::Attached) << survey.TrajectoryProblem();
    s_app->Document()->NotifyCameraPathChanged();
    EXPECT_TRUE(Item(cmd::kColorRange).enabled);
    EXPECT_TRUE(Item(cmd::kShowScannerPath).enabled);
    Command(cmd::kColorRange);
    EXPECT_TRUE(Item(cmd::kColorRange).checked);
    EXPECT_GT(Screen().Lit(), 4000);

    // New empties the document: nothing to place a trajectory on.
    ASSERT_TRUE(s_app->NewDocument());
    EXPECT_FALSE(Item(cmd::kImportTrajectory).enabled);
}

}  // namespace
}  // namespace oxv
