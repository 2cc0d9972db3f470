// The settings file shared with other viewers, as the window uses it.

#include "settings/IniProfile.h"
#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

// Another viewer stores playback settings while this one runs: the next
// survey opened here plays with them.
TEST_F(AppWindowTest, OpeningASurveyReadsThePlaybackSettingsAnotherViewerStored)
{
    const std::string file = s_dir->File("shared.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    ASSERT_NE(s_app->Document()->Survey().m_pTimeline, nullptr);
    const double step = s_app->Document()->Survey().m_pTimeline->step;
    const double interval = s_app->Document()->Survey().m_pTimeline->interval;
    PlaybackParams params;
    params.nearDistance = 50.0;
    {
        IniProfile other(s_app->settingsPath);
        // Speed 200 %: twice the survey time a frame.
        StorePlaybackSettings(other, step * 2.0, interval, params);
    }
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    const SurveyDocument& survey = s_app->Document()->Survey();
    ASSERT_NE(survey.m_pTimeline, nullptr);
    EXPECT_DOUBLE_EQ(survey.m_pTimeline->step, step * 2.0);
    ASSERT_NE(survey.m_pPlaybackParams, nullptr);
    EXPECT_EQ(survey.m_pPlaybackParams->nearDistance, 50.0);
    StorePlaybackSettings(s_app->Settings(), TimelineRecord{}.step, TimelineRecord{}.interval, PlaybackParams{});
}

}  // namespace
}  // namespace oxv
