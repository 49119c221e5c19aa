#include "platform/FileAppend.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kovrin {

namespace {

int openForAppend(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC); }

} // namespace

bool AppendFileContents(const std::string& path, std::string_view bytes)
{
    const int fd = openForAppend(path);
    if (fd < 0)
        return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

bool MayAppendToFile(const std::string& path)
{
    const int fd = openForAppend(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace kovrin
