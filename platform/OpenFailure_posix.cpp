// The usual reasons on Linux: the user is not in the group that owns serial devices
// (dialout), or is but has not logged in since; ModemManager or brltty took the cable as
// soon as it was plugged in; the cable is unplugged.
#include "platform/OpenFailure.h"

#include "platform/DeviceHolders.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace kovrin {

namespace {

std::string GroupName(gid_t gid)
{
    if (const group* g = ::getgrgid(gid))
        return g->gr_name;
    return std::to_string(gid);
}

bool ProcessHasGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)) + 1);
    const int n = ::getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < n; ++i)
        if (groups[static_cast<std::size_t>(i)] == gid)
            return true;
    return false;
}

// The group database may list the user in a group this login does not carry yet.
bool UserListedInGroup(gid_t gid, std::string& user)
{
    const passwd* pw = ::getpwuid(::geteuid());
    if (!pw)
        return false;
    user = pw->pw_name;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0)
            return false;
    }
    for (int i = 0; i < count; ++i)
        if (groups[static_cast<std::size_t>(i)] == gid)
            return true;
    return false;
}

std::string NoPermission(const std::string& device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return "No permission to open " + device + ".";
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    // The permission bits allow it, yet the system refuses: the bits are not the reason.
    const bool everyoneMay = (st.st_mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH);
    const bool ownerMay = st.st_uid == ::geteuid() && (st.st_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR);
    if (everyoneMay || ownerMay)
        return "No permission to open " + device + " although its mode " + mode +
               " allows it: the system refuses it (a file system mounted nodev, a security policy such as "
               "AppArmor or SELinux, or a sandboxed installation such as a snap).";
    const std::string groupName = GroupName(st.st_gid);
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP) || st.st_gid == 0) {
        const passwd* owner = ::getpwuid(st.st_uid);
        return "No permission to open " + device + ": only its owner " +
               (owner ? std::string(owner->pw_name) : std::to_string(st.st_uid)) + " may (mode " + mode + ").";
    }
    std::string user = "$USER";
    if (ProcessHasGroup(st.st_gid))
        return "No permission to open " + device + ", although this login is in its group " + groupName + ".";
    if (UserListedInGroup(st.st_gid, user))
        return "No permission to open " + device + ": your user was added to the group " + groupName +
               " after this login; log out and in again.";
    return "No permission to open " + device + ": add your user to the group " + groupName +
           " (sudo usermod -aG " + groupName + " " + user + "), then log out and in again.";
}

std::string ProcessName(const std::string& pid)
{
    std::string name;
    std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
    return name.empty() ? "process" : name;
}

// Owners of a whole-file lock (flock) on the device, from /proc/locks:
// "1: FLOCK  ADVISORY  WRITE 1234 00:05:3 0 EOF".
std::vector<std::string> LockOwners(const struct stat& st)
{
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%lu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long>(st.st_ino));
    std::vector<std::string> pids;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, inode;
        fields >> number >> kind >> mode >> access >> pid >> inode;
        if (kind == "FLOCK" && inode == wanted && pid != std::to_string(::getpid()))
            pids.push_back(pid);
    }
    return pids;
}

std::string HeldByAnother(const std::string& device)
{
    struct stat st {};
    std::vector<std::string> pids;
    if (::stat(device.c_str(), &st) == 0) {
        pids = LockOwners(st);
        if (pids.empty())
            if (std::optional<std::string> holder = LockFileHolder(device))
                pids.push_back(*holder);
        if (pids.empty())
            pids = DeviceOpeners(device);
    }
    if (pids.empty())
        return device + " is in use by another program (ModemManager and brltty take new serial cables); "
                        "close or stop it, then connect again.";
    std::string who;
    for (std::size_t i = 0; i < pids.size() && i < 3; ++i)
        who += (i ? ", " : "") + ProcessName(pids[i]) + " (process " + pids[i] + ")";
    return device + " is in use by another program: " + who + "; close or stop it, then connect again.";
}

} // namespace

OpenFailureReason ExplainOpenFailure(const std::string& portName, const std::string& device, unsigned error)
{
    if (device.empty())
        return {"No serial device is connected as " + portName + ": is the cable plugged in?", true};
    switch (static_cast<int>(error)) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return {"No such device " + device + ": is the cable plugged in?", true};
    case EACCES:
    case EPERM:
        return {NoPermission(device), true};
    case EWOULDBLOCK:
    case EBUSY:
        return {HeldByAnother(device), true};
    case ENOTTY:
    case EINVAL:
    case EISDIR:
    case ENOTDIR:
        return {device + " is not a serial port.", true};
    case EIO:
        return {device + " does not answer as a serial port (no UART behind it?).", true};
    default:
        return {device + " cannot be opened: " + std::strerror(static_cast<int>(error)) + ".", true};
    }
}

} // namespace kovrin
