#pragma once
// The factory's records of a gang run: one record per unit and attempt, the same fields
// for the CSV results file and the JSON-lines file; optionally JUnit XML with one test case
// per unit. Texts read from switches are turned into UTF-8 for all of them.
#include "comm/gang/Runner.h"

#include <string>
#include <vector>

namespace kovrin::gang {

// What every record of one run shares.
struct RunInfo {
    std::string runId;
    std::string station;
    std::string operatorName;
    std::vector<std::string> extraColumns;  // the manifest's own, after the records' columns
};

struct RecordField {
    std::string name;
    std::string text;
    bool number = false;  // a count or a duration: a number in JSON
};

// The fields of kRecordColumns, then the manifest's extra columns, for one result.
std::vector<RecordField> RecordFields(const RunInfo& run, const ManifestUnit& unit, const UnitResult& r);

// The results file's header line and one line of it (both without their line end).
std::string ResultsHeader(const RunInfo& run);
std::string ResultsRow(const std::vector<RecordField>& fields);

std::string ResultsJunit(const std::vector<UnitResult>& results);

// "3=248 7=10": the words written, as index=value.
std::string WrittenText(const std::vector<WordChange>& written);

// "2026-12-09T03:30:12Z"
std::string UtcText(std::chrono::system_clock::time_point t);

// The closing lines: totals per outcome, first-pass yield per port, units passed per hour.
std::vector<std::string> SummaryLines(const std::vector<UnitResult>& results);

// The text as valid UTF-8: a byte that starts no well-formed character becomes U+FFFD.
std::string ValidUtf8(const std::string& text);

} // namespace kovrin::gang
