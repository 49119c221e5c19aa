#include "comm/net/NetworkUrl.h"

#include <algorithm>
#include <cctype>

namespace kovrin {

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkKind kind;
};
constexpr Scheme kSchemes[] = {
    {"rfc2217://", NetworkKind::Rfc2217},
    {"socket://", NetworkKind::Raw},
    {"tcp://", NetworkKind::Raw},
};

const Scheme* SchemeOf(std::string_view name)
{
    for (const Scheme& s : kSchemes) {
        if (name.size() >= s.prefix.size() &&
            std::equal(s.prefix.begin(), s.prefix.end(), name.begin(),
                       [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
            return &s;
    }
    return nullptr;
}

} // namespace

bool IsNetworkPortName(std::string_view name) { return SchemeOf(name) != nullptr; }

std::optional<NetworkAddress> ParseNetworkUrl(std::string_view name, std::string& why)
{
    const Scheme* scheme = SchemeOf(name);
    if (!scheme) {
        why = "not a network port name";
        return std::nullopt;
    }
    std::string_view rest = name.substr(scheme->prefix.size());
    rest = rest.substr(0, std::min(rest.find('?'), rest.size()));
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    NetworkAddress address;
    address.kind = scheme->kind;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            why = "expected [ADDRESS]:PORT in " + std::string(name);
            return std::nullopt;
        }
        address.host = std::string(rest.substr(1, close - 1));
        port = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos || rest.find(':') != colon) {
            why = "expected HOST:PORT in " + std::string(name) + " (an IPv6 address goes in brackets)";
            return std::nullopt;
        }
        address.host = std::string(rest.substr(0, colon));
        port = rest.substr(colon + 1);
    }
    unsigned value = 0;
    const bool digits = !port.empty() && port.size() <= 5 &&
                        std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); });
    for (const char c : port)
        value = value * 10 + static_cast<unsigned>(c - '0');
    if (address.host.empty() || !digits || value == 0 || value > 65535) {
        why = "expected HOST:PORT with a port from 1 to 65535 in " + std::string(name);
        return std::nullopt;
    }
    address.port = value;
    return address;
}

} // namespace kovrin
