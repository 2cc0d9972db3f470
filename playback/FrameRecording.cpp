#include "FrameRecording.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "GlTarget.h"

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

std::optional<std::string> FrameCapturePath(const ViewState& view, const SurveyDocument& doc,
                                            const std::string& fpvFolder)
{
    const PlaybackParams* params = doc.m_pPlaybackParams.get();
    const bool playback = view.m_nPlayState != kStopped;
    const bool playbackRecording = playback && params && params->recordVideo && params->outputFolder;
    if (!playbackRecording && !view.m_bFpvMode) return std::nullopt;
    // A paint before the first tick has no frame number yet: a file for it
    // would sort before frame 0 and open every video made from the folder.
    if (playback) {
        if (!params || !params->outputFolder || view.m_nFrame < 1) return std::nullopt;
        return FrameFileName(*params->outputFolder, view.m_nFrame - 1);
    }
    if (view.m_nFpvNode < 0) return std::nullopt;
    return FrameFileName(fpvFolder, view.m_nFpvNode);
}

PngEncoding FrameEncoding()
{
    PngEncoding e;
    e.zlibLevel = 1;
    e.adaptiveFilters = false;
    return e;
}

bool FrameCapturer::Capture(GlTarget& target, int w, int h, const std::string& path)
{
    if (w <= 0 || h <= 0) return false;
    if (w != m_width || h != m_height) {
        m_width = w;
        m_height = h;
        m_rowBytes = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
        m_pFrameImage.assign(m_rowBytes * static_cast<size_t>(h), 0);
    }
    // GL's default pack alignment of 4 pads rows exactly as the buffer does;
    // rows arrive bottom first and are handed to the encoder top first.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(static_cast<GLenum>(target.ReadBuffer()));
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, m_pFrameImage.data());
    return WritePngRgbBottomUp(path, w, h, m_pFrameImage.data(), m_rowBytes, FrameEncoding());
}

}  // namespace oxv
