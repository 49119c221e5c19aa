#pragma once
// The settings report: one self-contained, printable HTML page of a configuration for the
// handover of a switch (identification, every parameter, the bands of each input, the
// record words, signature lines). Every text is escaped; nothing is fetched from outside.
#include "config/ParameterView.h"

#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

struct ReportDetails {
    std::string source;      // "ATS" or the file's name
    std::string when;        // date and time of the report, as printed
    std::string version;     // the program's version text
    std::string technician;  // may be empty: a blank line to fill in by hand
    std::string site;
    // Where each of words 0..15 came from; empty: every value from `source`.
    std::vector<std::string> valueSources;
};

std::string SettingsReportHtml(const ParameterView& view, const ReportDetails& details);

// Local date and time now as the report prints it: "2026-12-08 21:05".
std::string ReportTimeNow();

// `text` with &, <, >, " and ' as character references.
std::string HtmlEscape(std::string_view text);

} // namespace kovrin
