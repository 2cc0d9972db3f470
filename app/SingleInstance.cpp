#include "app/SingleInstance.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <wx/app.h>
#include <wx/stdpaths.h>

#include "app/HandOver.h"

namespace oxv {

namespace {

// The private folder, once per process; its problem is told once, on
// standard error, as the viewer then runs without hand-overs.
wxString InstanceFolder()
{
    static const wxString folder = [] {
        std::string problem;
        const std::string path = PrivateRuntimeFolder(problem);
        if (!problem.empty())
            std::fprintf(stderr, "oxvell: %s; files are not handed over between viewers\n", problem.c_str());
        return wxString::FromUTF8(path.c_str());
    }();
    return folder;
}

wxString InstanceKey()
{
    const char* display = std::getenv("DISPLAY");
    const std::string program = std::string(wxStandardPaths::Get().GetExecutablePath().utf8_str());
    const size_t hash = std::hash<std::string>{}(program + '\n' + (display ? display : ""));
    return wxString::Format("oxvell-%u-%zx", static_cast<unsigned>(::getuid()), hash);
}

}  // namespace

wxString InstanceSocketPath()
{
    const wxString folder = InstanceFolder();
    return folder.empty() ? wxString() : folder + "/" + InstanceKey() + ".ipc";
}

SingleInstance::SingleInstance(std::function<void(const wxString&)> open) : m_open(std::move(open))
{
    const wxString folder = InstanceFolder();
    if (folder.empty()) return;
    m_checker = std::make_unique<wxSingleInstanceChecker>();
    if (!m_checker->Create(InstanceKey() + ".lock", folder)) m_checker.reset();
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsAnotherRunning() const
{
    return m_checker && m_checker->IsAnotherRunning();
}

bool SingleInstance::HandOver(const wxString& path)
{
    // A viewer that is stuck takes the connection but never answers: the
    // hand-over is given up after a second.
    const wxString socket = InstanceSocketPath();
    if (socket.empty()) return false;
    const wxScopedCharBuffer bytes = path.fn_str();
    return HandOverPath(std::string(socket.fn_str()), std::string(bytes.data(), bytes.length()),
                        std::chrono::seconds(1));
}

bool SingleInstance::Serve()
{
    const wxString socket = InstanceSocketPath();
    if (!m_checker || socket.empty()) return false;
    // Paths arrive on the server's thread; they are opened from the event
    // loop, after the exchange has ended: an open shows messages and may
    // take seconds.
    auto server = std::make_unique<HandOverServer>([open = m_open](std::string bytes) {
        const wxString path(bytes.data(), *wxConvFileName, bytes.size());
        if (path.empty() || !wxTheApp) return;
        wxTheApp->CallAfter([open, path] { open(path); });
    });
    if (!server->Listen(std::string(socket.fn_str()))) return false;
    m_server = std::move(server);
    return true;
}

}  // namespace oxv
