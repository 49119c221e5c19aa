#pragma once
// The columns of a gang record, in the results file's order; a manifest's own extra
// columns follow them and may not take one of these names.
#include <string_view>

namespace kovrin::gang {

inline constexpr std::string_view kRecordColumns[] = {
    "run_id", "station",  "operator",        "attempt",   "port",    "ats_code", "model",
    "firmware", "template", "template_sha256", "start_utc", "end_utc", "duration_s", "result",
    "stage",  "words",    "archived",        "archive_error", "message"};

inline bool IsRecordColumn(std::string_view name)
{
    for (std::string_view c : kRecordColumns)
        if (c == name)
            return true;
    return false;
}

} // namespace kovrin::gang
