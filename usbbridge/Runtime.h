#pragma once
// What the bridge asks of the operating system besides HID: pauses, the reader thread and
// its priority, the stop acknowledgement. Tests replace it to run the 100 ms pacing in no
// time and to make thread or event creation fail.
#include <chrono>
#include <functional>
#include <stop_token>
#include <string_view>
#include <thread>

namespace ubrix {

class Runtime {
public:
    virtual ~Runtime() = default;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
    // False when the stop acknowledgement event cannot be created.
    virtual bool createStopEvent() { return true; }
    // False when the thread cannot be created.
    virtual bool startThread(std::jthread& thread, std::function<void(std::stop_token)> body);
    // Called by the reader on itself; failure to raise is harmless.
    virtual void raiseCurrentThreadPriority();
};

class SystemRuntime final : public Runtime {
public:
    void sleepFor(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

// Writes `text` through the process's standard output handle as it is now: the console
// a windowed program allocated after start-up, or a redirected file. Nothing when the
// process has none.
void writeStandardOutput(std::string_view text);

// Blocks up to `duration` or until a stop is requested; false when stopped.
bool waitUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration);

} // namespace ubrix
