#pragma once
// Pieces of the device commands that do not need a device: the port argument and the
// read-back check of an upload.
#include "comm/LinkOperations.h"
#include "config/ConfigRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace kovrin::cli {

// "COM1".."COM8" (any case, stored upper-case), "USB", or a device path. Other COM names
// are refused: the window offers only these eight.
std::optional<std::string> ParsePortName(const std::string& text);

// A parameter word the switch holds differently from what was sent.
struct WordMismatch {
    int word;
    std::uint16_t sent;
    std::uint16_t held;
};

struct ReadBackResult {
    bool linkOk = false;          // every exchange succeeded
    std::string failureText;      // the error box text when one did not
    std::vector<WordMismatch> mismatches;
};

// Reads words 0..15 back with "GM" and compares them with `sent`. A 12-byte answer holds
// no word and counts as a ReadBuffer failure, as it does in a download.
ReadBackResult ReadBackWords(LinkOperations& link, const ConfigRecord& sent);

// "word 3 (ReturnVoltageMaxA): sent 248, switch holds 250"
std::string DescribeMismatch(const WordMismatch& m);

} // namespace kovrin::cli
