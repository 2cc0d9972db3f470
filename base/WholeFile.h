#pragma once

// Reading a small file at once and replacing it whole, for settings files
// that other programs may rewrite at any time.

#include <cstddef>
#include <string>

namespace oxv {

struct FileContents {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    std::string bytes;
};

// Unreadable: not a regular file, no permission, or larger than maxBytes.
FileContents ReadSmallFile(const std::string& path, size_t maxBytes);

// Writes a temporary file beside `path` and renames it over it: readers see
// the old file or the new one, never a part. The old file's permissions
// carry over. A symbolic link at `path` stays: the file it names is the one
// replaced (the temporary goes beside that file). False, with no temporary
// left, when any step fails.
[[nodiscard]] bool ReplaceFileWhole(const std::string& path, const std::string& bytes);

// The file `path` names once every symbolic link at its end is followed,
// whether or not that file exists yet; `path` itself when it is no link
// (or the links go round in a circle).
std::string FileBehindLinks(const std::string& path);

// An exclusive advisory lock on a folder while the object lives, so that
// programs of ours rewriting a file there take turns. Waits a little for
// the lock and goes on without it rather than hang.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    [[nodiscard]] bool Held() const { return m_held; }

private:
    int m_fd = -1;
    bool m_held = false;
};

}  // namespace oxv
