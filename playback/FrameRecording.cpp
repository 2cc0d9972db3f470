#include "playback/FrameRecording.h"

#include <cstdio>
#include <cstdlib>

namespace oxv {

std::string FrameFileName(const std::string& folder, int32_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "img%06d.png", static_cast<int>(number));
    return folder + "/" + name;
}

std::string FpvVideoFolder()
{
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/work/video";
}

std::optional<std::string> FrameCapturePath(const PlaybackState& run, const FpvState& fpv, const SurveyDocument& doc,
                                            const std::string& fpvFolder)
{
    const PlaybackParams* params = doc.m_pPlaybackParams.get();
    const bool playback = run.m_nPlayState != kStopped;
    const bool playbackRecording = playback && params && params->recordVideo && params->outputFolder;
    if (!playbackRecording && !fpv.m_bFpvMode) return std::nullopt;
    if (playback) {
        if (!params || !params->outputFolder) return std::nullopt;
        return FrameFileName(*params->outputFolder, run.m_nFrame - 1);
    }
    return FrameFileName(fpvFolder, fpv.m_nFpvNode);
}

}  // namespace oxv
