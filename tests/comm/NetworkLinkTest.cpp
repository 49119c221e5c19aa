// The network link against a scripted server on the loopback: what the client negotiates
// whatever the server answers, 0xFF in the data both ways, and the port names.
#include "comm/net/NetworkLink.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kovrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool Contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// Accepts one client, sends `greeting` at once, collects what the client sends until
// `until` is among it, then sends `reply` and keeps reading until the client closes.
class ScriptedServer {
public:
    // `ipv6`: on ::1; port() is 0 where the system has no IPv6 loopback.
    ScriptedServer(Bytes greeting, Bytes until, Bytes reply, bool ipv6 = false)
    {
        listener_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage storage{};
        socklen_t len = ipv6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (ipv6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&storage);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        }
        auto* address = reinterpret_cast<sockaddr*>(&storage);
        if (::bind(listener_, address, len) != 0 || ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, address, &len) != 0)
            return;
        port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                           : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
        thread_ = std::thread([this, greeting, until, reply] {
            const int c = ::accept(listener_, nullptr, nullptr);
            if (c < 0)
                return;
            [[maybe_unused]] ssize_t n = ::send(c, greeting.data(), greeting.size(), MSG_NOSIGNAL);
            bool replied = false;
            for (;;) {
                pollfd p{c, POLLIN, 0};
                if (::poll(&p, 1, 10000) <= 0)
                    break;
                std::uint8_t b[256];
                n = ::recv(c, b, sizeof b, 0);
                if (n <= 0)
                    break;
                received_.insert(received_.end(), b, b + n);
                if (!replied && Contains(received_, until)) {
                    replied = true;
                    n = ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
                }
            }
            ::close(c);
        });
    }
    ~ScriptedServer()
    {
        if (thread_.joinable())
            thread_.join();
        ::close(listener_);
    }
    unsigned port() const { return port_; }
    // What the client sent; valid once the client has closed.
    const Bytes& received()
    {
        if (thread_.joinable())
            thread_.join();
        return received_;
    }

private:
    int listener_ = -1;
    unsigned port_ = 0;
    std::thread thread_;
    Bytes received_;
};

constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240, NOP = 241;

TEST(NetworkLink, NegotiatesWhateverTheServerAnswersAndEscapes0xFF)
{
    const Bytes setBaud1200 = {IAC, SB, 44, 1, 0, 0, 0x04, 0xB0, IAC, SE};
    const Bytes setNoFlowControl = {IAC, SB, 44, 5, 1, IAC, SE};
    const Bytes purgeBoth = {IAC, SB, 44, 12, 3, IAC, SE};
    // The switch's answer, 0xFF doubled, with a NOP and a late COM-port answer inside it.
    const Bytes answer = {0xAA, IAC, IAC, IAC, NOP, 0x00, IAC, SB, 44, 101, 0, 0, 0x04, 0xB0, IAC, SE, 0xBB};
    struct Case {
        const char* name;
        Bytes greeting;
        bool settingsSent;
        const char* logged;
    } cases[] = {
        {"agrees", {IAC, DO, 44, IAC, DO, 0, IAC, WILL, 0, IAC, WILL, 1}, true, "server DO COM-PORT-OPTION"},
        {"refuses", {IAC, DONT, 44, IAC, WONT, 0, IAC, DONT, 3}, false, "the server refused COM-PORT-OPTION"},
        {"silent", {}, true, "no answer to WILL COM-PORT-OPTION"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        ScriptedServer server(c.greeting, {0x01, IAC, IAC, 0x02}, answer);
        ASSERT_NE(server.port(), 0u);
        NetworkWaits waits;
        waits.optionWait = Clock::Ms(200);
        unsigned error = 0;
        std::string reason;
        {
            auto link = OpenNetworkLink("rfc2217://127.0.0.1:" + std::to_string(server.port()), 1200, error, reason,
                                        waits);
            ASSERT_TRUE(link) << c.name << ": " << reason;
            const std::uint8_t frame[] = {0x01, 0xFF, 0x02};
            std::size_t written = 0;
            ASSERT_EQ(link->Write(frame, sizeof frame, written, error), SerialStatus::Done) << c.name;
            EXPECT_EQ(written, sizeof frame) << c.name;
            std::uint8_t got[4] = {};
            std::size_t received = 0;
            EXPECT_EQ(link->Read(got, 4, received, error), SerialStatus::Done) << c.name;
            EXPECT_EQ(Bytes(got, got + received), (Bytes{0xAA, 0xFF, 0x00, 0xBB})) << c.name;
        }
        const Bytes& sent = server.received();
        EXPECT_EQ(Contains(sent, setBaud1200), c.settingsSent) << c.name;
        EXPECT_EQ(Contains(sent, setNoFlowControl), c.settingsSent) << c.name;
        EXPECT_EQ(Contains(sent, purgeBoth), c.settingsSent) << c.name;
        // A server's WILL of an option the link has no use for (echo) is declined.
        EXPECT_EQ(Contains(sent, Bytes{IAC, DONT, 1}), c.greeting.size() > 9) << c.name;
        EXPECT_NE(log.console().find(c.logged), std::string::npos) << c.name << "\n" << log.console();
        // Only the baud rate is ever answered here: the rest is logged as never answered.
        EXPECT_EQ(log.console().find("never answered SET-CONTROL 1") != std::string::npos, c.settingsSent)
            << c.name << "\n" << log.console();
        EXPECT_EQ(log.console().find("never answered SET-BAUDRATE") != std::string::npos, false) << c.name;
    }
}

TEST(NetworkLink, RawLinkPassesTheBytesAsTheyAreOverIpv4AndIpv6)
{
    // No telnet here: 0xFF travels single and nothing is negotiated.
    const Bytes frame = {0x01, IAC, 0x02};
    const Bytes answer = {0xAA, IAC, DO, 0x00};
    for (const bool ipv6 : {false, true}) {
        ScriptedServer server({}, frame, answer, ipv6);
        if (server.port() == 0 && ipv6)
            continue;  // no IPv6 loopback on this machine
        ASSERT_NE(server.port(), 0u);
        const std::string host = ipv6 ? "[::1]" : "127.0.0.1";
        unsigned error = 0;
        std::string reason;
        {
            auto link = OpenNetworkLink("socket://" + host + ":" + std::to_string(server.port()), 1200, error, reason);
            ASSERT_TRUE(link) << host << ": " << reason;
            std::size_t written = 0;
            ASSERT_EQ(link->Write(frame.data(), frame.size(), written, error), SerialStatus::Done) << host;
            std::uint8_t got[4] = {};
            std::size_t received = 0;
            EXPECT_EQ(link->Read(got, 4, received, error), SerialStatus::Done) << host;
            EXPECT_EQ(Bytes(got, got + received), answer) << host;
        }
        EXPECT_EQ(server.received(), frame) << host;
    }
}

TEST(NetworkLink, PortNames)
{
    struct Case {
        const char* name;
        bool network;
        bool valid;
        NetworkKind kind;
        const char* host;
        unsigned port;
    } cases[] = {
        {"rfc2217://10.0.0.5:4001", true, true, NetworkKind::Rfc2217, "10.0.0.5", 4001},
        {"socket://plant-room.example:7000", true, true, NetworkKind::Raw, "plant-room.example", 7000},
        {"TCP://[::1]:2000", true, true, NetworkKind::Raw, "::1", 2000},
        {"rfc2217://[fe80::1%eth0]:23?logging=debug", true, true, NetworkKind::Rfc2217, "fe80::1%eth0", 23},
        {"rfc2217://host:4001/", true, true, NetworkKind::Rfc2217, "host", 4001},
        {"rfc2217://host", true, false, {}, "", 0},
        {"socket://host:0", true, false, {}, "", 0},
        {"socket://host:65536", true, false, {}, "", 0},
        {"socket://::1:2000", true, false, {}, "", 0},
        {"socket://:2000", true, false, {}, "", 0},
        {"/dev/ttyUSB0", false, false, {}, "", 0},
        {"COM3", false, false, {}, "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsNetworkPortName(c.name), c.network) << c.name;
        std::string why;
        const auto address = ParseNetworkUrl(c.name, why);
        ASSERT_EQ(address.has_value(), c.valid) << c.name << ": " << why;
        if (!address) {
            EXPECT_FALSE(why.empty()) << c.name;
            continue;
        }
        EXPECT_EQ(address->kind, c.kind) << c.name;
        EXPECT_EQ(address->host, c.host) << c.name;
        EXPECT_EQ(address->port, c.port) << c.name;
    }
}

} // namespace
} // namespace kovrin
