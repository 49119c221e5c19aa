// The simulated adapter over a pty: the bridge's real logic carries bytes both ways.
#include "BridgeFixture.h"
#include "SimBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <thread>

namespace ubrix::test {
namespace {

class Pty {
public:
    Pty() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) name_ = ptsname(master_);
    }
    ~Pty() {
        if (master_ >= 0) ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    int master() const { return master_; }
    const std::string& name() const { return name_; }

    std::string read(std::size_t count) const {
        std::string got;
        for (int polls = 0; got.size() < count && polls < 100; ++polls) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0) continue;
            char buf[64];
            const ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - got.size()));
            if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int master_;
    std::string name_;
};

std::string takeUntil(Bridge& bridge, std::size_t count) {
    std::string got;
    std::vector<char> buf(PendingBuffer::kLimit);
    for (int tries = 0; got.size() < count && tries < 500; ++tries) {
        const int n = bridge.Get_USB_Packet(buf.data());
        got.append(buf.data(), static_cast<std::size_t>(n));
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return got;
}

TEST(SimAdapter, CarriesFramesBothWaysForBothKinds) {
    for (const AdapterKind kind : {AdapterKind::Plain, AdapterKind::SerialBridge}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Pty pty;
        ASSERT_FALSE(pty.name().empty());
        SimBackend sim(pty.name(), kind);
        FakeRuntime runtime;
        TraceLog log;
        Bridge bridge(sim, runtime, log.writer());
        ASSERT_EQ(bridge.USB_COM_Init(1, 0, ""), 0);
        EXPECT_EQ(bridge.adapterKind(), kind);

        char packet[16] = "\x02" "01GI00";
        bridge.Send_USB_Packet(packet, sizeof packet);
        EXPECT_EQ(pty.read(8), std::string("\x02" "01GI00\0", 8)); // padding zeros go out as data

        const std::string answer = "\x02" "01GI0CKOVRIN-SIM-01<=>?\x03";
        ASSERT_EQ(::write(pty.master(), answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
        EXPECT_EQ(takeUntil(bridge, answer.size()), answer);

        bridge.SetUSBRequest(1);
        bridge.Send_USB_Packet(packet, sizeof packet);
        EXPECT_NE(log.text().find(" is still attached? yes! "), std::string::npos);
        EXPECT_EQ(bridge.USB_COM_Close(0), 0);
    }
}

TEST(SimAdapter, SimulatorGoneMeansAdapterGone) {
    auto pty = std::make_unique<Pty>();
    SimBackend sim(pty->name(), AdapterKind::Plain);
    FakeRuntime runtime;
    TraceLog log;
    Bridge bridge(sim, runtime, log.writer());
    ASSERT_EQ(bridge.USB_COM_Init(1, 0, ""), 0);
    pty.reset();
    bridge.SetUSBRequest(1);
    char packet[8] = "GI";
    bridge.Send_USB_Packet(packet, sizeof packet);
    EXPECT_NE(log.text().find(" is still attached? no! "), std::string::npos);
    EXPECT_EQ(bridge.GetUSBOpened(), 0);
}

TEST(SimAdapter, AbsentWithoutTty) {
    SimBackend sim("", AdapterKind::SerialBridge);
    FakeRuntime runtime;
    Bridge bridge(sim, runtime, [](std::string_view) {});
    EXPECT_EQ(bridge.USB_COM_Init(0, 0, ""), 98);
}

} // namespace
} // namespace ubrix::test
