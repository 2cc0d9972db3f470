#pragma once

#include <functional>
#include <memory>

#include <wx/defs.h>
#include <wx/snglinst.h>
#include <wx/string.h>

namespace oxv {

class HandOverServer;

// One viewer for a user's program on a display: a second start naming a
// file hands the file to the running viewer instead of opening a window of
// its own.
class SingleInstance {
public:
    // `open` receives the files later starts hand over, on the main thread.
    explicit SingleInstance(std::function<void(const wxString&)> open);
    ~SingleInstance();

    // Whether another viewer of this program runs on this display.
    [[nodiscard]] bool IsAnotherRunning() const;
    // Gives `path` to the running viewer; false when it did not answer
    // within a second (the caller then opens a window of its own).
    [[nodiscard]] bool HandOver(const wxString& path);
    // Takes the files of later starts; false when the socket could not be
    // made (the viewer then simply runs on its own).
    [[nodiscard]] bool Serve();

private:
    // Without a private folder for the lock there is none, and no hand-over.
    std::unique_ptr<wxSingleInstanceChecker> m_checker;
    std::unique_ptr<HandOverServer> m_server;
    std::function<void(const wxString&)> m_open;
};

// The socket the running viewer listens on: in the user's runtime folder,
// else in a private folder of the user's own (PrivateRuntimeFolder); named
// after the program's path and the display, so copies of the program and
// separate displays each have their own viewer. Empty when there is no
// private folder.
wxString InstanceSocketPath();

}  // namespace oxv
