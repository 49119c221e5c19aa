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
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

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
    // One engine per thread: the gang's workers archive at the same moment.
    thread_local std::mt19937 random{std::random_device{}()};
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
// A failing disk (EIO) or an unexpected answer is "not at all": writing over the only good
// copy is then the worst thing to do.
bool renameRefusedHere(int why)
{
    static constexpr int kNotHere[] = {EACCES, EPERM, EXDEV, EBUSY, ETXTBSY, EOPNOTSUPP, ENAMETOOLONG, EMLINK};
    return std::find(std::begin(kNotHere), std::end(kNotHere), why) != std::end(kNotHere);
}

// One extended attribute of a file (the POSIX ACL is one: system.posix_acl_access).
struct Attribute {
    std::string name, value;
};

// The file's extended attributes; nullopt when they cannot be read (then they cannot be
// carried over either). A file system without them has none.
std::optional<std::vector<Attribute>> attributesOf(const std::string& path)
{
    std::vector<Attribute> out;
    std::string names;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? std::optional(out) : std::nullopt;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t n = ::listxattr(path.c_str(), names.data(), names.size());
        if (n >= 0) {
            names.resize(static_cast<std::size_t>(n));
            break;
        }
        if (errno != ERANGE || attempt == 3)
            return std::nullopt;  // grew meanwhile: asked again
    }
    for (std::size_t at = 0; at < names.size();) {
        const std::string name = names.c_str() + at;
        at += name.size() + 1;
        const ssize_t size = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            return std::nullopt;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t n = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (n < 0)
            return std::nullopt;
        value.resize(static_cast<std::size_t>(n));
        out.push_back({name, std::move(value)});
    }
    return out;
}

// Gives the temporary file what the old one carries; false when any of it cannot be given.
// One the new file already holds alike (a security label the folder gives) is left alone.
bool carryAttributes(int fd, const std::vector<Attribute>& attributes)
{
    // An access list the folder hands down to new files is not the old file's.
    constexpr const char* kAccessList = "system.posix_acl_access";
    const bool listed = std::any_of(attributes.begin(), attributes.end(),
                                    [&](const Attribute& a) { return a.name == kAccessList; });
    if (!listed && ::fremovexattr(fd, kAccessList) != 0 && errno != ENODATA && errno != ENOTSUP)
        return false;
    for (const Attribute& a : attributes) {
        std::string now(a.value.size() + 1, '\0');
        const ssize_t n = ::fgetxattr(fd, a.name.c_str(), now.data(), now.size());
        if (n >= 0 && std::string_view(now.data(), static_cast<std::size_t>(n)) == a.value)
            continue;
        if (::fsetxattr(fd, a.name.c_str(), a.value.data(), a.value.size(), 0) != 0)
            return false;
    }
    return true;
}

enum class ByRename { Done, Failed, NotHere };

// What the old file carries beyond its bytes.
struct Carried {
    const struct stat* old = nullptr;  // nullptr: there is no old file
    const std::vector<Attribute>* attributes = nullptr;
};

// Temporary file, flushed, given the old file's owner, group, mode and extended attributes,
// renamed over it. Attributes that cannot be given make it "not here": the caller then
// writes in place rather than drop them.
ByRename replaceByRename(const std::string& target, const Carried& carried, std::string_view bytes)
{
    const struct stat* old = carried.old;
    const std::string folder = folderOf(target);
    std::string temporary;
    Fd file(createTemporary(folder, target, old ? (old->st_mode & 07777) : 0666, temporary));
    if (file.get() < 0)
        return renameRefusedHere(errno) ? ByRename::NotHere : ByRename::Failed;
    bool ok = writeAllAt(file.get(), bytes, 0);
    bool notHere = false;
    if (ok && old) {
        // Owner and group where allowed (the owner only by a privileged user; the group
        // by its members), then the mode, which a change of owner may have cut. A file
        // system without owners (a network share) refuses them; the content counts more.
        if (::fchown(file.get(), old->st_uid, old->st_gid) != 0
            && ::fchown(file.get(), static_cast<uid_t>(-1), old->st_gid) != 0) {
            // Neither: the file keeps the user's own owner and group, which is allowed.
        }
        (void)::fchmod(file.get(), old->st_mode & 07777);
        // After the mode: an access list sets the group bits to its mask.
        if (carried.attributes && !carryAttributes(file.get(), *carried.attributes)) {
            notHere = true;
            ok = false;
        }
    }
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
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

// `content` followed by line feeds up to `size` bytes: written over a longer file, it
// leaves no byte of the other content behind it before the file is cut to length.
std::string blankedTo(std::string_view content, std::size_t size)
{
    std::string out(content);
    if (out.size() < size)
        out.append(size - out.size(), '\n');
    return out;
}

// Over the existing file itself, ordered so that a stop after any step leaves the old
// content or the new one, each at most followed by blank lines or zero bytes (which a
// reader of lines passes over): the space is taken first (old + zeros), the new content
// goes in whole with the rest of the old length blanked by the same write (new + blank
// lines), then the file is cut to length and flushed. Should a write fail, the old bytes
// go back the same way (old + blank lines, then cut).
ReplaceResult rewriteInPlace(const std::string& target, std::string_view bytes)
{
    Fd file(::open(target.c_str(), O_RDWR | O_CLOEXEC));
    std::string old;
    struct stat now{};
    if (file.get() < 0 || ::fstat(file.get(), &now) != 0 || now.st_size > kLargestKeptInMemory ||
        !readAll(file.get(), old))
        return ReplaceResult::Untouched;  // without the old bytes there is nothing to go back to
    const auto oldSize = static_cast<off_t>(old.size());
    const std::size_t longest = std::max(old.size(), bytes.size());
    if (bytes.size() > old.size()) {
        const int refused = ::posix_fallocate(file.get(), 0, static_cast<off_t>(bytes.size()));
        if (refused != 0 && refused != EOPNOTSUPP && refused != EINVAL && refused != ENOSYS) {
            if (::fstat(file.get(), &now) == 0 && now.st_size != oldSize && ::ftruncate(file.get(), oldSize) != 0)
                return ReplaceResult::MayBeDamaged;
            return ReplaceResult::Untouched;
        }
    }
    if (writeAllAt(file.get(), blankedTo(bytes, longest), 0) && ::fsync(file.get()) == 0 &&
        ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 && ::fsync(file.get()) == 0)
        return file.close() ? ReplaceResult::Replaced : ReplaceResult::MayBeDamaged;
    // The file may now be longer than either content (a write that failed half way).
    std::size_t size = longest;
    if (::fstat(file.get(), &now) == 0)
        size = std::max(size, static_cast<std::size_t>(now.st_size));
    const bool restored = writeAllAt(file.get(), blankedTo(old, size), 0) && ::fsync(file.get()) == 0 &&
                          ::ftruncate(file.get(), oldSize) == 0 && ::fsync(file.get()) == 0;
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
    std::optional<std::vector<Attribute>> attributes;
    if (target->exists) {
        attributes = attributesOf(target->path);
        // A second name (a hard link) would keep the old content under it; attributes
        // that cannot be read cannot be carried: both are kept by writing in place.
        if (!attributes || target->old.st_nlink > 1)
            return rewriteInPlace(target->path, bytes);
    }
    switch (replaceByRename(target->path, {target->exists ? &target->old : nullptr,
                                           attributes ? &*attributes : nullptr}, bytes)) {
    case ByRename::Done:
        return ReplaceResult::Replaced;
    case ByRename::Failed:
        return ReplaceResult::Untouched;
    case ByRename::NotHere:
        break;
    }
    return target->exists ? rewriteInPlace(target->path, bytes) : ReplaceResult::Untouched;
}

bool CreateFileContents(const std::string& path, std::string_view bytes)
{
    const FileSizeSignalHeld held;
    const std::string folder = folderOf(path);
    std::string temporary;
    Fd file(createTemporary(folder, path, 0666, temporary));
    if (file.get() < 0)
        return false;
    bool ok = writeAllAt(file.get(), bytes, 0) && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    if (ok) {
        // The name is taken only if free: a second link to the whole file, then the
        // temporary name goes.
        ok = ::link(temporary.c_str(), path.c_str()) == 0;
        if (!ok && errno != EEXIST)
            ok = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
    }
    ::unlink(temporary.c_str());
    if (ok)
        syncFolder(folder);
    return ok;
}

} // namespace kovrin
