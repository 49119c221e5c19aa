#pragma once
// A pseudo-terminal pair for tests and the simulator: the slave side stands in for the
// serial device the link opens by path; the master side is the switch's end.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kovrin {

class PtyPair {
public:
    // Opens the pair in raw mode (no echo, no line editing, no character translation).
    // ok() is false when the system has no pseudo-terminals left.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    int masterFd() const { return master_; }
    // The pair's own slave descriptor; held so the master does not see a hang-up while the
    // link has the device closed.
    int slaveFd() const { return slave_; }
    const std::string& slavePath() const { return slavePath_; }

    // Writes all bytes on the master side; false on error.
    bool writeMaster(const std::vector<std::uint8_t>& bytes);
    // Reads what arrives on the master side until `count` bytes are in or `timeout` passes
    // without a new byte.
    std::vector<std::uint8_t> readMaster(std::size_t count, std::chrono::milliseconds timeout);
    // Bytes waiting on the slave side's input, not yet read by anyone.
    int pendingOnSlave() const;

    void closeMaster();
    void closeSlave();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace kovrin
