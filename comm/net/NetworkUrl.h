#pragma once
// Port names that stand for a serial port behind the network: "rfc2217://HOST:PORT" (the
// telnet COM-port control) and "socket://HOST:PORT" or "tcp://HOST:PORT" (the bytes as they
// are). HOST is a name, an IPv4 address or "[IPv6]"; options after "?" are accepted and
// ignored.
#include <optional>
#include <string>
#include <string_view>

namespace kovrin {

enum class NetworkKind { Rfc2217, Raw };

struct NetworkAddress {
    NetworkKind kind = NetworkKind::Raw;
    std::string host;  // without brackets
    unsigned port = 0;
};

// True when the name has one of the network schemes (any case): such a name never means
// a device path, even when the rest of it is malformed.
bool IsNetworkPortName(std::string_view name);

// The address a network port name gives; nullopt with `why` (one line) when it is
// malformed.
std::optional<NetworkAddress> ParseNetworkUrl(std::string_view name, std::string& why);

} // namespace kovrin
