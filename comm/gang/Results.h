#pragma once
// The factory's records of a gang run: a CSV line per unit and, optionally, JUnit XML with
// one test case per unit. Texts read from switches are turned into UTF-8 for both.
#include "comm/gang/Runner.h"

#include <string>
#include <vector>

namespace kovrin::gang {

inline constexpr const char* kResultsHeader = "time,port,ats_code,model,firmware,result,words,duration_s,message";

// The header line, then one line per result (CR LF line ends, as the program's other files).
std::string ResultsCsv(const std::vector<UnitResult>& results);
std::string ResultsJunit(const std::vector<UnitResult>& results);

// "3=248 7=10": the words written, as index=value.
std::string WrittenText(const std::vector<WordChange>& written);

} // namespace kovrin::gang
