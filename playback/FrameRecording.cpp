#include "playback/FrameRecording.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

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

namespace {

// "img", an optional sign, at least six digits, ".png", and optionally the
// writer's ".part".
bool IsFrameFileName(const std::string& name)
{
    if (name.rfind("img", 0) != 0) return false;
    size_t i = 3;
    if (i < name.size() && name[i] == '-') ++i;
    const size_t digitsFrom = i;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
    if (i - digitsFrom < 5 || (i - digitsFrom < 6 && digitsFrom == 3)) return false;
    const std::string rest = name.substr(i);
    return rest == ".png" || rest == ".png.part";
}

}  // namespace

std::vector<std::string> FrameFilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (IsFrameFileName(name) && !it->is_directory(typeError)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool RemoveFrameFiles(const std::string& folder, std::string& reason)
{
    for (const std::string& name : FrameFilesIn(folder)) {
        std::error_code error;
        const std::string path = folder + "/" + name;
        if (!std::filesystem::remove(path, error) && error) {
            reason = path + ": " + error.message();
            return false;
        }
    }
    return true;
}

FrameFolderState PrepareFrameFolder(const std::string& folder, std::string& reason)
{
    std::error_code error;
    bool made = false;
    if (folder.empty()) {
        reason = "no folder given";
        return FrameFolderState::Unusable;
    }
    if (!std::filesystem::exists(folder, error)) {
        made = std::filesystem::create_directories(folder, error);
        if (!made || error) {
            reason = folder + ": cannot be made: " + (error ? error.message() : std::string("unknown error"));
            return FrameFolderState::Unusable;
        }
    }
    if (!std::filesystem::is_directory(folder, error)) {
        reason = folder + ": not a folder";
        return FrameFolderState::Unusable;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        reason = folder + ": " + std::strerror(errno);
        return FrameFolderState::Unusable;
    }
    return made ? FrameFolderState::Made : FrameFolderState::Ready;
}

}  // namespace oxv
