// The settings file as the program reads it at start and on every open.
#include <unistd.h>
#include <wx/init.h>

#include <cstdio>
#include <string>

#include "IniProfile.h"
#include "PlaybackSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    static const std::string path = "/tmp/oxv-fuzz-" + std::to_string(getpid()) + ".ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    oxv::IniProfile profile(path);
    oxv::TimelineRecord record;
    oxv::PlaybackParams params;
    oxv::LoadTimelineSettings(profile, record);
    oxv::LoadPlaybackParams(profile, params);
    profile.ReadString("Recent File List", "File1");
    return 0;
}
