#pragma once
#include "Bridge.h"
#include "FakeHidBackend.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace ubrix::test {

// Pauses cost nothing and are recorded; thread and event creation can be made to fail.
class FakeRuntime final : public Runtime {
public:
    void sleepFor(std::chrono::milliseconds d) override {
        std::lock_guard l(mutex_);
        slept_ += d;
    }
    bool createStopEvent() override { return !failEvent; }
    bool startThread(std::jthread& thread, std::function<void(std::stop_token)> body) override {
        return !failThread && Runtime::startThread(thread, std::move(body));
    }
    void raiseCurrentThreadPriority() override {}
    std::chrono::milliseconds slept() const {
        std::lock_guard l(mutex_);
        return slept_;
    }

    bool failEvent = false;
    bool failThread = false;

private:
    mutable std::mutex mutex_;
    std::chrono::milliseconds slept_{0};
};

// Collects trace text from the client's and the reader's thread.
class TraceLog {
public:
    Trace::ConsoleWriter writer() {
        return [this](std::string_view t) {
            std::lock_guard l(mutex_);
            text_ += t;
        };
    }
    std::string text() const {
        std::lock_guard l(mutex_);
        return text_;
    }
    void clear() {
        std::lock_guard l(mutex_);
        text_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

class BridgeTest : public ::testing::Test {
protected:
    std::string trace() const { return log_.text(); }
    void clearTrace() { log_.clear(); }
    int init(const char* path = "") { return bridge.USB_COM_Init(1, 0, path); }
    std::string send(std::string text, int size = 64) {
        std::vector<char> buf(static_cast<std::size_t>(size) + 8, 'x');
        std::copy(text.begin(), text.end(), buf.begin());
        buf[text.size()] = '\0';
        bridge.Send_USB_Packet(buf.data(), size);
        return std::string(buf.begin(), buf.begin() + size);
    }
    // Every byte the reader has appended once the fake's queue is drained.
    std::string received(int device = 0) {
        EXPECT_TRUE(hid.waitInputConsumed(device));
        std::vector<char> buf(PendingBuffer::kLimit);
        const int n = bridge.Get_USB_Packet(buf.data());
        return std::string(buf.data(), static_cast<std::size_t>(n));
    }

    FakeHidBackend hid;
    FakeRuntime runtime;
    TraceLog log_;
    Bridge bridge{hid, runtime, log_.writer()};
};

inline std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

inline std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

} // namespace ubrix::test
