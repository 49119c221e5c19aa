#pragma once
// The network port dialog's texts and what it offers, free of any toolkit.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

struct NetworkPortDialogTexts {
    std::string_view caption = "Network port";
    std::string_view prompt = "Serial port on the network (rfc2217://HOST:PORT or socket://HOST:PORT):";
    std::string_view btnOk = "Ok";
    std::string_view btnCancel = "Cancel";
    std::vector<std::string> recent;  // the last ones used, newest first, in the entry's list
    std::string initial;              // the entry's text when the dialog opens
};

// The entry without the blanks around it.
inline std::string TrimmedPortName(std::string_view entry)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!entry.empty() && blank(static_cast<unsigned char>(entry.front())))
        entry.remove_prefix(1);
    while (!entry.empty() && blank(static_cast<unsigned char>(entry.back())))
        entry.remove_suffix(1);
    return std::string(entry);
}

} // namespace kovrin
