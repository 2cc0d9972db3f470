#include "app/SingleInstance.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/ipc.h>
#include <wx/socket.h>
#include <wx/stdpaths.h>

namespace oxv {

namespace {

const char* const kTopic = "open";

thread_local bool t_handingOver = false;

wxString InstanceFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && wxFileName::DirExists(runtime)) return wxString::FromUTF8(runtime);
    return "/tmp";
}

wxString InstanceKey()
{
    const char* display = std::getenv("DISPLAY");
    const std::string program = std::string(wxStandardPaths::Get().GetExecutablePath().utf8_str());
    const size_t hash = std::hash<std::string>{}(program + '\n' + (display ? display : ""));
    return wxString::Format("oxvell-%u-%zx", static_cast<unsigned>(::getuid()), hash);
}

class OpenConnection : public wxConnection {
public:
    explicit OpenConnection(std::function<void(const wxString&)> open) : m_open(std::move(open)) {}

    bool OnExecute(const wxString&, const void* data, size_t size, wxIPCFormat format) override
    {
        const wxString path = GetTextFromData(data, size, format);
        if (path.empty() || !wxTheApp) return false;
        // Opened from the event loop, after this exchange has ended: an open
        // shows messages and may take seconds.
        wxTheApp->CallAfter([open = m_open, path] { open(path); });
        return true;
    }

private:
    std::function<void(const wxString&)> m_open;
};

class OpenServer : public wxServer {
public:
    explicit OpenServer(std::function<void(const wxString&)> open) : m_open(std::move(open)) {}

    wxConnectionBase* OnAcceptConnection(const wxString& topic) override
    {
        return topic == kTopic ? new OpenConnection(m_open) : nullptr;
    }

private:
    std::function<void(const wxString&)> m_open;
};

}  // namespace

bool IsHandOverThread()
{
    return t_handingOver;
}

wxString InstanceSocketPath()
{
    return InstanceFolder() + "/" + InstanceKey() + ".ipc";
}

SingleInstance::SingleInstance(std::function<void(const wxString&)> open) : m_open(std::move(open))
{
    m_checker.Create(InstanceKey() + ".lock", InstanceFolder());
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::IsAnotherRunning() const
{
    return m_checker.IsAnotherRunning();
}

bool SingleInstance::HandOver(const wxString& path)
{
    // A viewer that is stuck takes the connection but never answers: the
    // exchange runs aside and is given up after a second.
    const wxString socket = InstanceSocketPath();
    // Sockets used off the main thread need the main thread to set them up.
    if (!wxSocketBase::IsInitialized() && !wxSocketBase::Initialize()) return false;
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = done->get_future();
    std::thread([done, socket, path] {
        t_handingOver = true;
        bool ok = false;
        {
            // Closed before the answer is given: the start may end at once.
            wxClient client;
            std::unique_ptr<wxConnectionBase> connection(client.MakeConnection("localhost", socket, kTopic));
            ok = connection && connection->Execute(path);
            if (connection) connection->Disconnect();
        }
        done->set_value(ok);
    }).detach();
    return answered.wait_for(std::chrono::seconds(1)) == std::future_status::ready && answered.get();
}

bool SingleInstance::Serve()
{
    auto server = std::make_unique<OpenServer>(m_open);
    if (!server->Create(InstanceSocketPath())) return false;
    m_server = std::move(server);
    return true;
}

}  // namespace oxv
