#pragma once
// The test side of FakeUbrix: binds its hooks from the same file the client loads, so both
// see one library instance.
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/SharedLibrary.h"

namespace kovrin::test {

class FakeUbrixHooks {
public:
    explicit FakeUbrixHooks(const std::string& path)
    {
        if (!library_.load(path))
            throw std::runtime_error("cannot load " + path + ": " + library_.errorText());
        Bind("FakeUbrix_Reset", reset_);
        Bind("FakeUbrix_QueueTake", queueTake_);
        Bind("FakeUbrix_Calls", calls_);
        Bind("FakeUbrix_TakeCalls", takeCalls_);
        Bind("FakeUbrix_Packet", packet_);
        Bind("FakeUbrix_PacketTerminated", terminated_);
    }

    void Reset(int initCode = 0, int openedAfterSend = 1, int closeResult = 0) { reset_(initCode, openedAfterSend, closeResult); }
    void QueueTake(std::string_view bytes) { queueTake_(bytes.data(), static_cast<int>(bytes.size())); }
    // Empty takes for `ms` of the link's 5 ms pauses.
    void QueueSilence(int ms)
    {
        for (int i = 0; i < ms / 5; ++i)
            QueueTake({});
    }
    std::string Calls() const { return calls_(); }
    int TakeCalls() const { return takeCalls_(); }
    std::string Packet() const { return packet_(); }
    bool PacketTerminated() const { return terminated_() != 0; }
    // Lets go of the test's own reference, so the client's release is the last one.
    void Release() { library_.unload(); }

private:
    template <typename Fn>
    void Bind(const char* name, Fn& slot)
    {
        slot = reinterpret_cast<Fn>(library_.symbol(name));
        if (slot == nullptr)
            throw std::runtime_error(std::string("missing hook ") + name);
    }

    SharedLibrary library_;
    void (*reset_)(int, int, int) = nullptr;
    void (*queueTake_)(const char*, int) = nullptr;
    const char* (*calls_)() = nullptr;
    int (*takeCalls_)() = nullptr;
    const char* (*packet_)() = nullptr;
    int (*terminated_)() = nullptr;
};

} // namespace kovrin::test
