#pragma once

// The hand-over of a file from a later start to the running viewer, over a
// Unix socket of the user's own. Plain POSIX: no toolkit, so it serves on a
// thread of its own and tests drive it without a display.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <thread>

namespace oxv {

// The longest path a hand-over carries: as long as the system lets a path be.
inline constexpr size_t kMaxHandOverBytes = 4096;
// A connection's message must be whole within this, or the connection goes.
inline constexpr std::chrono::milliseconds kHandOverMessageTime{3000};

// Gives `path` to the viewer listening at `socketPath`: true once it has
// taken it; false when nobody listens there, the path is empty or too long,
// or no answer comes within `timeout`.
[[nodiscard]] bool HandOverPath(const std::string& socketPath, const std::string& path,
                                std::chrono::milliseconds timeout);

// Takes the paths of later starts at a Unix socket, on a thread of its own,
// so that no client can hold up the window. A message is a 4-byte
// little-endian length and that many bytes of path; a length of 0 or above
// kMaxHandOverBytes, or a message not whole within kHandOverMessageTime,
// ends its connection unanswered, as do connections beyond a few at once.
// Each path taken goes to `deliver`, on the listening thread, and is
// answered with one byte.
class HandOverServer {
public:
    explicit HandOverServer(std::function<void(std::string)> deliver);
    // Stops listening and removes the socket.
    ~HandOverServer();
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // False when the socket cannot be made (something else than a socket
    // stands at its name, or the name is too long).
    [[nodiscard]] bool Listen(const std::string& socketPath);

private:
    struct Client {
        std::string bytes;
        std::chrono::steady_clock::time_point deadline;
    };
    void Run();
    // Reads what `fd` has; false when the connection is to go.
    [[nodiscard]] bool ReadFrom(int fd, Client& client);

    std::function<void(std::string)> m_deliver;
    std::string m_socketPath;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::map<int, Client> m_clients;
    std::thread m_thread;
};

// The folder for the running viewer's lock and socket: the user's runtime
// folder ($XDG_RUNTIME_DIR), else "oxvell-UID" in the temporary folder
// ($TMPDIR, else /tmp), made with mode 0700 when missing. A folder there
// that is not this user's alone (another owner, a link, not a folder, or
// open to others) is not used: the result is empty and `problem` says why.
std::string PrivateRuntimeFolder(std::string& problem);

}  // namespace oxv
