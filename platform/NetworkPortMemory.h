#pragma once
// The network ports last used in the window, newest first, one a line in a small text
// file beside the COM-number memory.
#include <string>
#include <vector>

namespace kovrin {

inline constexpr std::size_t kRecentNetworkPorts = 5;

// Beside PortMemoryFile(); empty where the system has no such folder.
std::string NetworkPortMemoryFile();
// The names in the file (at most kRecentNetworkPorts); none when it is missing.
std::vector<std::string> LoadRecentNetworkPorts(const std::string& file);
// `recent` with `name` moved to the front, duplicates dropped, cut to the limit.
std::vector<std::string> WithRecentNetworkPort(std::vector<std::string> recent, const std::string& name);
// Writes the list through the safe replace; false when it could not be written.
bool SaveRecentNetworkPorts(const std::string& file, const std::vector<std::string>& recent);

} // namespace kovrin
