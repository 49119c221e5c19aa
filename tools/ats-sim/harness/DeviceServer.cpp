#include "tools/ats-sim/harness/DeviceServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kovrin::sim {

namespace {

sockaddr_in Loopback(unsigned port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

} // namespace

unsigned FreeLoopbackPort()
{
    UniqueFd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    if (s.get() < 0 || ::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 0;
    return ntohs(a.sin_port);
}

bool WaitForListener(unsigned port, Millis timeout)
{
    // Read from the system's socket table, not by connecting: a connection would make
    // ser2net open the device, and a client coming at once after would find it closing.
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        std::ifstream table("/proc/net/tcp");
        for (std::string line; std::getline(table, line);) {
            std::istringstream fields(line);
            std::string slot, address, remote, state;
            fields >> slot >> address >> remote >> state;
            if (address == local && state == "0A")  // listening
                return true;
        }
        std::this_thread::sleep_for(Millis(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

std::optional<DeviceServer> DeviceServer::Start(const std::vector<std::string>& devices, const std::string& folder,
                                                std::string& error)
{
    const std::string program = "/usr/sbin/ser2net";
    if (::access(program.c_str(), X_OK) != 0) {
        error = "ser2net is not installed";
        return std::nullopt;
    }
    // A port taken by someone else between the choice and ser2net's bind: choose again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<ServedDevice> served;
        const std::string config = folder + "/ser2net.yaml";
        std::ofstream out(config, std::ios::trunc);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            ServedDevice d{devices[i], FreeLoopbackPort(), FreeLoopbackPort()};
            for (const auto& [name, accepter, port] :
                 {std::tuple{"t", "telnet(rfc2217),tcp", d.rfc2217Port}, std::tuple{"r", "tcp", d.rawPort}}) {
                out << "connection: &" << name << i << "\n"
                    << "  accepter: " << accepter << ",127.0.0.1," << port << "\n"
                    << "  connector: serialdev," << d.device << ",1200n81,local\n"
                    << "  options:\n"
                    << "    chardelay: false\n";
            }
            served.push_back(d);
        }
        out.close();
        ChildProcess::Launch launch;
        launch.argv = {program, "-n", "-c", config, "-P", folder + "/ser2net.pid"};
        std::optional<ChildProcess> child = ChildProcess::Start(launch, error);
        if (!child)
            return std::nullopt;
        bool up = true;
        for (const ServedDevice& d : served)
            up = up && WaitForListener(d.rfc2217Port, Millis(5000)) && WaitForListener(d.rawPort, Millis(5000));
        if (up)
            return DeviceServer(std::move(*child), std::move(served));
        child->stop();
        error = "ser2net did not listen: " + child->err();
    }
    return std::nullopt;
}

} // namespace kovrin::sim
