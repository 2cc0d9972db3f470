// The hand-over socket against clients that do not play by its rules, and
// the private folder its socket and lock live in.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/HandOver.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A client that connects and sends raw bytes.
class RawClient {
public:
    explicit RawClient(const std::string& socketPath)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(m_fd); }
    bool Connected() const { return m_connected; }
    bool Send(const std::string& bytes) { return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()); }
    // How the server left the connection within `wait`: the answer byte,
    // closed without one (-1), or still open (nullopt).
    std::optional<int> Outcome(std::chrono::milliseconds wait)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return std::nullopt;
        char c = 0;
        const ssize_t n = ::recv(m_fd, &c, 1, 0);
        return n == 1 ? std::optional<int>(static_cast<unsigned char>(c)) : std::optional<int>(-1);
    }

private:
    int m_fd = -1;
    bool m_connected = false;
};

std::string Header(uint32_t length)
{
    std::string h(4, '\0');
    for (int i = 0; i < 4; ++i) h[static_cast<size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return h;
}

class HandOverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        socketPath = dir.File("viewer.ipc");
        server = std::make_unique<HandOverServer>([this](std::string path) {
            const std::lock_guard<std::mutex> lock(mutex);
            delivered.push_back(std::move(path));
        });
        ASSERT_TRUE(server->Listen(socketPath));
    }
    std::vector<std::string> Delivered()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return delivered;
    }

    test::ScratchDir dir;
    std::string socketPath;
    std::mutex mutex;
    std::vector<std::string> delivered;
    std::unique_ptr<HandOverServer> server;
};

// Lengths the server must not believe, and a path as long as may be: each
// message gets its answer or loses its connection at once, and a client
// that stops halfway holds up neither the others nor the server.
TEST_F(HandOverTest, EachMessageIsCappedAndNoClientStallsTheOthers)
{
    const std::string longest(kMaxHandOverBytes, 'p');
    struct Case {
        const char* name;
        std::string bytes;
        int outcome;  // 'k' taken, -1 dropped
    };
    const Case cases[] = {
        {"nearly 4 GiB announced", Header(0xFFFFFFF0u) + "/tmp/x", -1},
        {"one byte over the cap", Header(kMaxHandOverBytes + 1) + std::string(kMaxHandOverBytes + 1, 'p'), -1},
        {"nothing announced", Header(0), -1},
        {"the longest path", Header(kMaxHandOverBytes) + longest, 'k'},
        {"a plain path", Header(11) + "/data/a.oxv", 'k'},
    };
    // Stops after the length: it stays connected, unanswered.
    RawClient stalled(socketPath);
    ASSERT_TRUE(stalled.Connected());
    ASSERT_TRUE(stalled.Send(Header(100) + "/half"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient client(socketPath);
        ASSERT_TRUE(client.Connected());
        (void)client.Send(c.bytes);
        EXPECT_EQ(client.Outcome(1000ms), c.outcome);
    }
    EXPECT_EQ(Delivered(), (std::vector<std::string>{longest, "/data/a.oxv"}));
    EXPECT_EQ(stalled.Outcome(0ms), std::nullopt) << "answered half a message";

    // The stalled client is dropped once its time is up; the server serves on.
    const auto start = Clock::now();
    EXPECT_EQ(stalled.Outcome(kHandOverMessageTime + 2s), -1);
    EXPECT_GE(Clock::now() - start + 1500ms, kHandOverMessageTime);
    EXPECT_TRUE(HandOverPath(socketPath, "/data/b.oxv", 1s));
    EXPECT_EQ(Delivered().back(), "/data/b.oxv");
    EXPECT_FALSE(HandOverPath(socketPath, longest + "p", 1s)) << "the client keeps to the cap too";
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socketPath)) << "the socket goes with the server";
    EXPECT_FALSE(HandOverPath(socketPath, "/data/c.oxv", 1s));
}

// A client that connects and sends nothing costs the server nothing but a
// slot: many of them at once still leave room for a real hand-over later.
TEST_F(HandOverTest, ManySilentClientsAreDroppedAndServingGoesOn)
{
    std::vector<std::unique_ptr<RawClient>> silent;
    for (int i = 0; i < 40; ++i) silent.push_back(std::make_unique<RawClient>(socketPath));
    // Beyond the slots, connections are closed at once.
    int closedAtOnce = 0;
    for (auto& client : silent) closedAtOnce += client->Outcome(200ms) == -1 ? 1 : 0;
    EXPECT_GT(closedAtOnce, 0);
    silent.clear();
    EXPECT_TRUE(HandOverPath(socketPath, "/data/after.oxv", 1s));
}

// Without a runtime folder the lock and the socket go into a folder of the
// user's own: made private, used when it is, refused when it is not.
TEST(HandOverFolderTest, PrivateFolderIsMadeOrCheckedBeforeUse)
{
    test::ScratchDir dir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    const char* temp = std::getenv("TMPDIR");
    const std::string savedTemp = temp ? temp : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", dir.Path().c_str(), 1);
    const std::string folder = dir.File("oxvell-" + std::to_string(::getuid()));
    const std::string elsewhere = dir.File("elsewhere");
    std::filesystem::create_directory(elsewhere);
    ::chmod(elsewhere.c_str(), 0700);

    struct Case {
        const char* name;
        void (*plant)(const std::string& folder, const std::string& elsewhere);
        bool used;
    };
    const Case cases[] = {
        {"missing", [](const std::string&, const std::string&) {}, true},
        {"the user's own, private", [](const std::string& f, const std::string&) { ::mkdir(f.c_str(), 0700); }, true},
        {"open to others",
         [](const std::string& f, const std::string&) {
             ::mkdir(f.c_str(), 0700);
             ::chmod(f.c_str(), 0777);
         },
         false},
        {"a link to a private folder",
         [](const std::string& f, const std::string& e) { std::filesystem::create_directory_symlink(e, f); }, false},
        {"a file", [](const std::string& f, const std::string&) { test::WriteBytes(f, {'x'}); }, false},
        {"another user's",
         [](const std::string& f, const std::string&) {
             ::mkdir(f.c_str(), 0700);
             if (::getuid() == 0) (void)!::chown(f.c_str(), 65534, 65534);
         },
         ::getuid() != 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder);
        c.plant(folder, elsewhere);
        std::string problem;
        const std::string got = PrivateRuntimeFolder(problem);
        if (c.used) {
            EXPECT_EQ(got, folder);
            EXPECT_EQ(problem, "");
            struct stat info;
            ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
            EXPECT_TRUE(S_ISDIR(info.st_mode));
            EXPECT_EQ(info.st_mode & 0777, 0700u);
        } else {
            EXPECT_EQ(got, "");
            EXPECT_NE(problem.find(folder), std::string::npos) << problem;
        }
    }
    // The runtime folder, when there is one, is used as it is.
    ::setenv("XDG_RUNTIME_DIR", elsewhere.c_str(), 1);
    std::string problem;
    EXPECT_EQ(PrivateRuntimeFolder(problem), elsewhere);

    std::filesystem::remove_all(folder);
    if (runtime) ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
    if (temp) ::setenv("TMPDIR", savedTemp.c_str(), 1); else ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace oxv
