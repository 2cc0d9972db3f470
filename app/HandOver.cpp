#include "app/HandOver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace oxv {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kHeaderBytes = 4;
// Connections served at once; more are closed as they come.
constexpr size_t kMaxClients = 16;
constexpr char kTaken = 'k';

bool SocketAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (n > 0) return (p.revents & events) != 0;
        if (n == 0 || errno != EINTR) return false;
    }
}

bool SendAll(int fd, const std::string& bytes, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline)) continue;
        return false;
    }
    return true;
}

}  // namespace

bool HandOverPath(const std::string& socketPath, const std::string& path, std::chrono::milliseconds timeout)
{
    if (path.empty() || path.size() > kMaxHandOverBytes) return false;
    sockaddr_un address;
    if (!SocketAddress(socketPath, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const Clock::time_point deadline = Clock::now() + timeout;
    // A viewer whose queue of connections is full does not answer either.
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (ok) {
        std::string message(kHeaderBytes, '\0');
        for (size_t i = 0; i < kHeaderBytes; ++i) message[i] = static_cast<char>((path.size() >> (8 * i)) & 0xFF);
        message += path;
        ok = SendAll(fd, message, deadline);
    }
    char answer = 0;
    ok = ok && WaitFor(fd, POLLIN, deadline) && ::recv(fd, &answer, 1, 0) == 1 && answer == kTaken;
    ::close(fd);
    return ok;
}

HandOverServer::HandOverServer(std::function<void(std::string)> deliver) : m_deliver(std::move(deliver)) {}

HandOverServer::~HandOverServer()
{
    if (m_thread.joinable()) {
        const char stop = 0;
        (void)!::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (const auto& [fd, client] : m_clients) ::close(fd);
    for (int fd : m_wake)
        if (fd >= 0) ::close(fd);
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(m_socketPath.c_str());
    }
}

bool HandOverServer::Listen(const std::string& socketPath)
{
    if (m_listener >= 0) return false;
    sockaddr_un address;
    if (!SocketAddress(socketPath, address)) return false;
    // The lock beside it says no viewer of ours listens there now: a socket
    // left by one that ended without cleaning up goes. Anything else stays.
    struct stat info;
    if (::lstat(socketPath.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode) || ::unlink(socketPath.c_str()) != 0) return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(socketPath.c_str(), 0600) != 0 || ::listen(fd, 16) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(fd);
        ::unlink(socketPath.c_str());
        return false;
    }
    m_listener = fd;
    m_socketPath = socketPath;
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool HandOverServer::ReadFrom(int fd, Client& client)
{
    for (;;) {
        // Never more than the message announced: a length first, then the path.
        size_t want = kHeaderBytes;
        if (client.bytes.size() >= kHeaderBytes) {
            size_t length = 0;
            for (size_t i = 0; i < kHeaderBytes; ++i)
                length |= static_cast<size_t>(static_cast<unsigned char>(client.bytes[i])) << (8 * i);
            if (length == 0 || length > kMaxHandOverBytes) return false;
            want = kHeaderBytes + length;
            if (client.bytes.size() == want) {
                m_deliver(client.bytes.substr(kHeaderBytes));
                const char taken = kTaken;
                (void)!::send(fd, &taken, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                return false;  // one message a connection
            }
        }
        char buffer[kMaxHandOverBytes];
        const ssize_t n = ::recv(fd, buffer, want - client.bytes.size(), 0);
        if (n > 0) {
            client.bytes.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void HandOverServer::Run()
{
    for (;;) {
        std::vector<pollfd> watched = {{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        Clock::time_point next = Clock::now() + kHandOverMessageTime;
        for (const auto& [fd, client] : m_clients) {
            watched.push_back({fd, POLLIN, 0});
            if (client.deadline < next) next = client.deadline;
        }
        const int n = ::poll(watched.data(), watched.size(), MillisecondsLeft(next) + 1);
        if (n < 0 && errno != EINTR) return;
        if (watched[0].revents != 0) return;  // stop
        for (size_t i = 2; i < watched.size(); ++i) {
            const int fd = watched[i].fd;
            Client& client = m_clients[fd];
            const bool keep = watched[i].revents == 0 ? Clock::now() < client.deadline
                                                      : (watched[i].revents & POLLIN) != 0 && ReadFrom(fd, client) &&
                                                            Clock::now() < client.deadline;
            if (!keep) {
                ::close(fd);
                m_clients.erase(fd);
            }
        }
        if (watched[1].revents & POLLIN) {
            for (;;) {
                const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd < 0) break;
                if (m_clients.size() >= kMaxClients) {
                    ::close(fd);
                    continue;
                }
                m_clients[fd] = Client{{}, Clock::now() + kHandOverMessageTime};
            }
        }
    }
}

std::string PrivateRuntimeFolder(std::string& problem)
{
    problem.clear();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime && *runtime == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode)) return runtime;
    const char* temp = std::getenv("TMPDIR");
    const std::string base = temp && *temp == '/' ? temp : "/tmp";
    const uid_t uid = ::getuid();
    const std::string folder = base + "/oxvell-" + std::to_string(uid);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = folder + ": " + std::strerror(errno);
        return {};
    }
    if (::lstat(folder.c_str(), &info) != 0) {
        problem = folder + ": " + std::strerror(errno);
        return {};
    }
    if (S_ISLNK(info.st_mode))
        problem = folder + " is a symbolic link";
    else if (!S_ISDIR(info.st_mode))
        problem = folder + " is not a folder";
    else if (info.st_uid != uid)
        problem = folder + " belongs to another user";
    else if ((info.st_mode & 077) != 0)
        problem = folder + " is open to other users";
    return problem.empty() ? folder : std::string();
}

}  // namespace oxv
