#include "platform/FileReplace.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <pthread.h>
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

// A write past the file-size limit (a quota, `ulimit -f`) raises SIGXFSZ, which ends the
// program by default. It is held back while the file is written and then dropped, so the
// limit shows as a failed write that the save can undo and report.
class FileSizeSignalHeld {
public:
    FileSizeSignalHeld()
    {
        sigemptyset(&signal_);
        sigaddset(&signal_, SIGXFSZ);
        ::pthread_sigmask(SIG_BLOCK, &signal_, &previous_);
    }
    ~FileSizeSignalHeld()
    {
        if (sigismember(&previous_, SIGXFSZ))
            return;  // the caller holds it back itself and sees it
        const timespec now{};
        while (::sigtimedwait(&signal_, nullptr, &now) == SIGXFSZ) {
        }
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    FileSizeSignalHeld(const FileSizeSignalHeld&) = delete;
    FileSizeSignalHeld& operator=(const FileSizeSignalHeld&) = delete;

private:
    sigset_t signal_{};
    sigset_t previous_{};
};

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

struct Target {
    std::string path;  // no link in it where the file exists
    bool exists = false;
    struct stat old{};
};

// Where the system itself resolves a name to: the kernel follows the links (and applies
// its protections); /proc tells the resolved name.
std::optional<std::string> resolvedName(int fd, const std::string& path)
{
    char name[PATH_MAX];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(self.c_str(), name, sizeof name - 1);
    if (n > 0 && name[0] == '/')
        return std::string(name, static_cast<std::size_t>(n));
    // No /proc: the C library resolves the same chain the kernel has just allowed.
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return std::nullopt;
    std::string out(real);
    std::free(real);
    return out;
}

// A dangling last link the kernel would refuse to follow: in a sticky folder others may
// write, a link neither the user nor the folder's owner made.
bool protectedLink(const std::string& link, const struct stat& linkStat)
{
    struct stat folder{};
    if (::stat(folderOf(link).c_str(), &folder) != 0)
        return true;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return shared && linkStat.st_uid != ::geteuid() && linkStat.st_uid != folder.st_uid;
}

// The file a save writes to; nullopt with errno when it may not be reached.
std::optional<Target> findTarget(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        Fd file(::open(path.c_str(), O_PATH | O_CLOEXEC));
        if (file.get() >= 0) {
            Target t;
            t.exists = true;
            if (::fstat(file.get(), &t.old) != 0)
                return std::nullopt;
            std::optional<std::string> real = resolvedName(file.get(), path);
            if (!real)
                return std::nullopt;
            t.path = std::move(*real);
            return t;
        }
        if (errno != ENOENT)
            return std::nullopt;
        struct stat link{};
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            Target t;
            t.path = path;
            return t;
        }
        if (protectedLink(path, link)) {
            errno = EACCES;
            return std::nullopt;
        }
        char next[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), next, sizeof next - 1);
        if (n <= 0)
            return std::nullopt;
        const std::string linkText(next, static_cast<std::size_t>(n));
        path = linkText.front() == '/' ? linkText : folderOf(path) + "/" + linkText;
    }
    errno = ELOOP;
    return std::nullopt;
}

bool writeAllAt(int fd, std::string_view bytes, off_t at)
{
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        at += n;
    }
    return true;
}

bool readAll(int fd, std::string& out)
{
    char block[8192];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, block, sizeof block, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(block, static_cast<std::size_t>(n));
        at += n;
    }
}

// So the rename itself survives a power cut.
void syncFolder(const std::string& folder)
{
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

// A fresh hidden file beside the target that nobody else has opened; -1 with errno on failure.
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

// Failures of the temporary file or the rename that say "not here" (a folder the user may
// not write, a file system that cannot rename over this file) rather than "not at all".
bool renameRefusedHere(int why)
{
    static constexpr int kNotHere[] = {EACCES, EPERM,  EXDEV,        EBUSY,  EOPNOTSUPP, EIO,
                                       EINVAL, ENOSYS, ENAMETOOLONG, EMLINK, ETXTBSY};
    return std::find(std::begin(kNotHere), std::end(kNotHere), why) != std::end(kNotHere);
}

enum class ByRename { Done, Failed, NotHere };

// Temporary file, flushed, given the old file's owner, group and mode, renamed over it.
ByRename replaceByRename(const std::string& target, const struct stat* old, std::string_view bytes)
{
    const std::string folder = folderOf(target);
    std::string temporary;
    Fd file(createTemporary(folder, target, old ? (old->st_mode & 07777) : 0666, temporary));
    if (file.get() < 0)
        return renameRefusedHere(errno) ? ByRename::NotHere : ByRename::Failed;
    bool ok = writeAllAt(file.get(), bytes, 0);
    if (ok && old) {
        // Owner and group where allowed (the owner only by a privileged user; the group
        // by its members), then the mode, which a change of owner may have cut. A file
        // system without owners (a network share) refuses them; the content counts more.
        if (::fchown(file.get(), old->st_uid, old->st_gid) != 0
            && ::fchown(file.get(), static_cast<uid_t>(-1), old->st_gid) != 0) {
            // Neither: the file keeps the user's own owner and group, which is allowed.
        }
        (void)::fchmod(file.get(), old->st_mode & 07777);
    }
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    bool notHere = false;
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        notHere = renameRefusedHere(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return notHere ? ByRename::NotHere : ByRename::Failed;
    }
    syncFolder(folder);
    return ByRename::Done;
}

// The old bytes of a rewrite in place are kept in memory; a larger file is not rewritten.
constexpr off_t kLargestKeptInMemory = 64 << 20;

// Over the existing file itself. The space is taken first, so a full disk or a size limit
// stops the save before a byte changes; should a write still fail, the old bytes go back.
ReplaceResult rewriteInPlace(const std::string& target, std::string_view bytes)
{
    Fd file(::open(target.c_str(), O_RDWR | O_CLOEXEC));
    std::string old;
    struct stat now{};
    if (file.get() < 0 || ::fstat(file.get(), &now) != 0 || now.st_size > kLargestKeptInMemory ||
        !readAll(file.get(), old))
        return ReplaceResult::Untouched;  // without the old bytes there is nothing to go back to
    const auto oldSize = static_cast<off_t>(old.size());
    if (bytes.size() > old.size()) {
        const int refused = ::posix_fallocate(file.get(), 0, static_cast<off_t>(bytes.size()));
        if (refused != 0 && refused != EOPNOTSUPP && refused != EINVAL && refused != ENOSYS) {
            if (::fstat(file.get(), &now) == 0 && now.st_size != oldSize && ::ftruncate(file.get(), oldSize) != 0)
                return ReplaceResult::MayBeDamaged;
            return ReplaceResult::Untouched;
        }
    }
    if (writeAllAt(file.get(), bytes, 0) && ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 &&
        ::fsync(file.get()) == 0)
        return file.close() ? ReplaceResult::Replaced : ReplaceResult::MayBeDamaged;
    const bool restored =
        writeAllAt(file.get(), old, 0) && ::ftruncate(file.get(), oldSize) == 0 && ::fsync(file.get()) == 0;
    return restored && file.close() ? ReplaceResult::Untouched : ReplaceResult::MayBeDamaged;
}

} // namespace

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    const std::optional<Target> target = findTarget(path);
    if (!target)
        return ReplaceResult::Untouched;
    if (target->exists && (!S_ISREG(target->old.st_mode) ||
                           ::faccessat(AT_FDCWD, target->path.c_str(), W_OK, AT_EACCESS) != 0))
        return ReplaceResult::Untouched;
    const FileSizeSignalHeld held;
    switch (replaceByRename(target->path, target->exists ? &target->old : nullptr, bytes)) {
    case ByRename::Done:
        return ReplaceResult::Replaced;
    case ByRename::Failed:
        return ReplaceResult::Untouched;
    case ByRename::NotHere:
        break;
    }
    return target->exists ? rewriteInPlace(target->path, bytes) : ReplaceResult::Untouched;
}

} // namespace kovrin
