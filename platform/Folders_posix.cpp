#include "platform/Folders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kovrin {

std::string ProgramFolder()
{
    static const std::string folder = [] {
        char path[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
        if (n <= 0)
            return std::string("./");
        std::string exe(path, static_cast<std::size_t>(n));
        return exe.substr(0, exe.rfind('/') + 1);
    }();
    return folder;
}

std::string XdgFolder(const char* variable, const char* underHome)
{
    std::string folder;
    if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') {
        folder = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || !*home)
            return {};
        folder = home;
        if (folder.back() != '/')
            folder += '/';
        folder += underHome;
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string CommonDataFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

unsigned WindowsVersion()
{
    return 99;
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty())
        return false;
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace kovrin
