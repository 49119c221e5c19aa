#include "platform/FileReplace.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kovrin {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and says whether the close (the last chance to hear of a write error) went well.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at (it may not exist yet); empty for a loop.
std::string followLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0)
            return {};
        if (n == 0)
            return {};
        const std::string link(target, static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : folderOf(path) + "/" + link;
    }
    return {};
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// So the rename itself survives a power cut.
void syncFolder(const std::string& folder)
{
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

// A fresh file beside the target that nobody else has opened; -1 with errno on failure.
int createTemporary(const std::string& folder, const std::string& target, mode_t mode, std::string& name)
{
    static std::mt19937 random{std::random_device{}()};
    const std::size_t slash = target.rfind('/');
    // Short enough that a long target name still leaves room for the suffix.
    const std::string base = "." + target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 100);
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%06x.tmp", static_cast<unsigned>(random() & 0xFFFFFF));
        name = folder + "/" + base + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Temporary file, flushed, given the old file's owner, group and mode, renamed over it.
// errno tells why when false.
bool replaceByRename(const std::string& target, const struct stat* old, std::string_view bytes)
{
    const std::string folder = folderOf(target);
    std::string temporary;
    Fd file(createTemporary(folder, target, old ? (old->st_mode & 07777) : 0666, temporary));
    if (file.get() < 0)
        return false;
    bool ok = writeAll(file.get(), bytes);
    if (ok && old) {
        // Owner and group where allowed (the owner only by a privileged user; the group
        // by its members), then the mode, which a change of owner may have cut.
        // A group the user is no member of stays the user's own: that is allowed.
        if (::fchown(file.get(), old->st_uid, old->st_gid) != 0
            && ::fchown(file.get(), static_cast<uid_t>(-1), old->st_gid) != 0) {
        }
        ok = ::fchmod(file.get(), old->st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int why = errno;
        ::unlink(temporary.c_str());
        errno = why;
        return false;
    }
    syncFolder(folder);
    return true;
}

// Over the existing file itself: the whole new content first, then the length cut to it,
// so even an interruption never leaves the file empty.
bool rewriteInPlace(const std::string& target, std::string_view bytes)
{
    Fd file(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0)
        return false;
    bool ok = writeAll(file.get(), bytes);
    ok = ok && ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0;
    ok = ok && ::fsync(file.get()) == 0;
    return file.close() && ok;
}

} // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    const std::string target = followLinks(path);
    if (target.empty())
        return false;
    struct stat old{};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return false;
    }
    if (replaceByRename(target, exists ? &old : nullptr, bytes))
        return true;
    // A folder the user may not write, over a file the user may.
    const bool folderLocked = errno == EACCES || errno == EPERM;
    return exists && folderLocked && rewriteInPlace(target, bytes);
}

} // namespace kovrin
