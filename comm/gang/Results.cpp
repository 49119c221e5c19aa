#include "comm/gang/Results.h"

#include "comm/gang/RecordColumns.h"
#include "config/Windows1252.h"
#include "platform/ArchiveFolder.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>

namespace kovrin::gang {

namespace {

const char* ResultName(const UnitResult& r) { return StepName(r.outcome); }

std::string Seconds(Clock::Ms d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(d.count()) / 1000.0);
    return text;
}

// A field in double quotes when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string XmlText(const std::string& text)
{
    std::string out;
    for (char c : ValidUtf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters are not allowed in XML 1.0.
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

std::string Utf8(const std::string& switchText) { return Windows1252ToUtf8(switchText); }

} // namespace

std::string ValidUtf8(const std::string& text)
{
    std::string out;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                            : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        bool ok = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k)
            ok = (byte(i + k) & 0xC0) == 0x80;
        // No overlong forms, no surrogates, nothing beyond U+10FFFF.
        if (ok && length == 3)
            ok = !(lead == 0xE0 && byte(i + 1) < 0xA0) && !(lead == 0xED && byte(i + 1) >= 0xA0);
        if (ok && length == 4)
            ok = !(lead == 0xF0 && byte(i + 1) < 0x90) && !(lead == 0xF4 && byte(i + 1) >= 0x90);
        if (!ok) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    return out;
}

std::string UtcText(std::chrono::system_clock::time_point t)
{
    std::tm utc{};
    if (!BreakDownTime(std::chrono::system_clock::to_time_t(t), true, utc))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", (utc.tm_year + 1900) % 10000,
                  (utc.tm_mon + 1) % 100, utc.tm_mday % 100, utc.tm_hour % 100, utc.tm_min % 100, utc.tm_sec % 100);
    return text;
}

std::string WrittenText(const std::vector<WordChange>& written)
{
    std::string out;
    for (const WordChange& w : written)
        out += (out.empty() ? "" : " ") + std::to_string(w.word) + "=" + std::to_string(w.wanted);
    return out;
}

std::vector<RecordField> RecordFields(const RunInfo& run, const ManifestUnit& unit, const UnitResult& r)
{
    const std::string values[] = {run.runId,
                                  run.station,
                                  run.operatorName,
                                  std::to_string(r.attempt),
                                  r.port,
                                  Utf8(r.code),
                                  Utf8(r.model),
                                  Utf8(r.firmware),
                                  unit.templateName,
                                  unit.templateSha256,
                                  UtcText(r.start),
                                  UtcText(r.end),
                                  Seconds(r.duration),
                                  ResultName(r),
                                  r.passed() ? std::string() : StepName(r.stage),
                                  WrittenText(r.written),
                                  r.archived,
                                  r.archiveError,
                                  r.message};
    static_assert(std::size(values) == std::size(kRecordColumns));
    std::vector<RecordField> fields;
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const std::string_view name = kRecordColumns[i];
        fields.push_back({std::string(name), ValidUtf8(values[i]), name == "attempt" || name == "duration_s"});
    }
    for (std::size_t i = 0; i < run.extraColumns.size(); ++i)
        fields.push_back({run.extraColumns[i], ValidUtf8(i < unit.extras.size() ? unit.extras[i] : std::string())});
    return fields;
}

std::string ResultsHeader(const RunInfo& run)
{
    std::string line;
    for (std::string_view c : kRecordColumns)
        line += (line.empty() ? "" : ",") + std::string(c);
    for (const std::string& c : run.extraColumns)
        line += "," + CsvField(c);
    return line;
}

std::string ResultsRow(const std::vector<RecordField>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : ",") + CsvField(fields[i].text);
    return line;
}

std::string ResultsJunit(const std::vector<UnitResult>& results)
{
    int failures = 0;
    Clock::Ms total{0};
    for (const UnitResult& r : results) {
        failures += !r.passed();
        total += r.duration;
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    out += "  <testsuite name=\"kovrin-gang\" tests=\"" + std::to_string(results.size()) + "\" failures=\"" +
           std::to_string(failures) + "\" errors=\"0\" time=\"" + Seconds(total) + "\">\n";
    for (const UnitResult& r : results) {
        const std::string name = r.port + (r.code.empty() ? "" : " " + Utf8(r.code));
        out += "    <testcase classname=\"gang." + XmlText(r.port) + "\" name=\"" + XmlText(name) + "\" time=\"" +
               Seconds(r.duration) + "\" timestamp=\"" + XmlText(UtcText(r.start)) + "\"";
        if (r.passed()) {
            out += "/>\n";
            continue;
        }
        out += ">\n      <failure message=\"" + XmlText(r.message) + "\" type=\"" + ResultName(r) + "\"/>\n";
        out += "      <system-out>" + XmlText("model " + Utf8(r.model) + ", firmware " + Utf8(r.firmware) +
                                              ", words written " + WrittenText(r.written) +
                                              (r.archived.empty() ? "" : ", state kept in " + r.archived) +
                                              (r.archiveError.empty() ? "" : ", " + r.archiveError)) +
               "</system-out>\n    </testcase>\n";
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

std::vector<std::string> SummaryLines(const std::vector<UnitResult>& results)
{
    std::map<Step, int> counts;
    struct FirstPass {
        int tried = 0;
        int passed = 0;
    };
    std::map<std::string, FirstPass> ports;
    std::chrono::system_clock::time_point first{}, last{};
    int passed = 0;
    for (const UnitResult& r : results) {
        ++counts[r.outcome];
        passed += r.passed();
        if (r.attempt == 1) {
            ++ports[r.port].tried;
            ports[r.port].passed += r.passed();
        }
        if (first == std::chrono::system_clock::time_point{} || r.start < first)
            first = r.start;
        last = std::max(last, r.end);
    }
    std::vector<std::string> lines;
    std::string totals = std::to_string(passed) + " of " + std::to_string(results.size()) + " units passed";
    for (Step s : {Step::Failed, Step::Refused, Step::Stopped})
        if (counts[s] > 0)
            totals += ", " + std::to_string(counts[s]) + " " + StepName(s);
    lines.push_back(totals);
    for (const auto& [port, fp] : ports)
        lines.push_back(port + ": first-pass yield " + std::to_string(fp.passed) + " of " + std::to_string(fp.tried) +
                        " (" + std::to_string(fp.tried ? 100 * fp.passed / fp.tried : 0) + " %)");
    const double hours = std::chrono::duration<double>(last - first).count() / 3600.0;
    if (!results.empty() && hours > 0) {
        char text[96];
        std::snprintf(text, sizeof text, "%.1f units per hour (%d passed in %.1f min)", passed / hours, passed,
                      hours * 60.0);
        lines.push_back(text);
    }
    return lines;
}

} // namespace kovrin::gang
