// The settings file as the program reads it at start and on every open.
#include <unistd.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/string.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/IniProfile.h"
#include "survey/PlaybackSettings.h"

// A toolkit assertion reached through a settings file is a finding too: it
// prints a stack trace and, in the viewer, stops for the report.
[[noreturn]] void AbortOnAssert(const wxString& file, int line, const wxString&, const wxString& cond, const wxString&)
{
    std::fprintf(stderr, "wx assertion \"%s\" at %s:%d\n", static_cast<const char*>(cond.utf8_str()),
                 static_cast<const char*>(file.utf8_str()), line);
    std::abort();
}

// So is anything logged: the viewer shows a logged warning in a message box.
class AbortOnLog final : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override
    {
        std::fprintf(stderr, "logged: %s\n", static_cast<const char*>(message.utf8_str()));
        std::abort();
    }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    static const wxAssertHandler_t installed = wxSetAssertHandler(AbortOnAssert);
    // The toolkit deletes the active log target when it shuts down.
    static wxLog* const previousLog = wxLog::SetActiveTarget(new AbortOnLog);
    (void)installed;
    (void)previousLog;
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
    // Settings are written back into whatever structure the file had.
    profile.WriteString("PBV", "Path", "/frames");
    return 0;
}
