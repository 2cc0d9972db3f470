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
    // A paint before the first tick has no frame number yet: a file for it
    // would sort before frame 0 and open every video made from the folder.
    if (playback) {
        if (!params || !params->outputFolder || run.m_nFrame < 1) return std::nullopt;
        return FrameFileName(*params->outputFolder, run.m_nFrame - 1);
    }
    if (fpv.m_nFpvNode < 0) return std::nullopt;
    return FrameFileName(fpvFolder, fpv.m_nFpvNode);
}

}  // namespace oxv
