#pragma once
// The simulator's end of the serial line: the master side of a fresh pseudo-terminal, or
// a real serial device. Clients may close and reopen the pty as often as they like.
#include "tools/ats-sim/UniqueFd.h"

#include <optional>
#include <string>

namespace kovrin::sim {

class Line {
public:
    // A new pty in raw mode. The simulator keeps a slave descriptor of its own open, so
    // the master never sees a hang-up while no client has the slave open.
    static std::optional<Line> OpenPty(std::string& error);
    // A serial device, set to 1200 baud 8N1 raw.
    static std::optional<Line> OpenDevice(const std::string& path, std::string& error);

    int fd() const { return io_.get(); }
    // The path clients open.
    const std::string& path() const { return path_; }
    bool isPty() const { return static_cast<bool>(keepSlave_); }
    // Drops the line as a switch that loses power does.
    void hangUp();

private:
    UniqueFd io_;
    UniqueFd keepSlave_;
    std::string path_;
};

// A symbolic link to the line's path for the simulator's lifetime. An existing symlink
// at the same place is replaced; anything else there is left alone and reported.
class SymlinkGuard {
public:
    SymlinkGuard() = default;
    SymlinkGuard(SymlinkGuard&& other) noexcept;
    SymlinkGuard& operator=(SymlinkGuard&& other) noexcept;
    ~SymlinkGuard();

    static std::optional<SymlinkGuard> Create(const std::string& linkPath, const std::string& target,
                                              std::string& error);

private:
    void remove();

    std::string link_;
    std::string target_;
};

} // namespace kovrin::sim
