#include "platform/ArchiveFolder.h"

#include "platform/Folders.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kovrin {

std::string DefaultArchiveRoot()
{
    const std::string data = XdgFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? std::string() : data + "/kovrin/archive";
}

bool BreakDownTime(std::time_t t, bool utc, std::tm& out)
{
    return (utc ? ::gmtime_r(&t, &out) : ::localtime_r(&t, &out)) != nullptr;
}

bool CreateNewFile(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool ok = ::close(fd) == 0 && done == bytes.size();
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

} // namespace kovrin
