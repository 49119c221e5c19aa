#pragma once
// The JSON shapes of show --json and diff --json (documented in README): numbers as
// numbers, texts as the window shows them.
#include "config/ParameterView.h"

#include <string>

namespace kovrin::cli {

std::string ViewJson(const ParameterView& view, const std::string& source);
std::string ComparisonJson(const ViewComparison& comparison, const std::string& a, const std::string& b);

} // namespace kovrin::cli
