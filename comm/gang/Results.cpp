#include "comm/gang/Results.h"

#include "config/Windows1252.h"

#include <cstdio>

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
    for (char c : text) {
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

// "2026-12-08 20:15:37" as "2026-12-08T20:15:37".
std::string IsoTime(std::string time)
{
    if (time.size() > 10 && time[10] == ' ')
        time[10] = 'T';
    return XmlText(time);
}

std::string Utf8(const std::string& switchText) { return Windows1252ToUtf8(switchText); }

} // namespace

std::string WrittenText(const std::vector<WordChange>& written)
{
    std::string out;
    for (const WordChange& w : written)
        out += (out.empty() ? "" : " ") + std::to_string(w.word) + "=" + std::to_string(w.wanted);
    return out;
}

std::string ResultsCsv(const std::vector<UnitResult>& results)
{
    std::string out = std::string(kResultsHeader) + "\r\n";
    for (const UnitResult& r : results) {
        const std::string fields[] = {r.time,        r.port,          Utf8(r.code),         Utf8(r.model),
                                      Utf8(r.firmware), ResultName(r), WrittenText(r.written), Seconds(r.duration),
                                      r.message};
        std::string line;
        for (const std::string& f : fields)
            line += (line.empty() ? "" : ",") + CsvField(f);
        out += line + "\r\n";
    }
    return out;
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
               Seconds(r.duration) + "\" timestamp=\"" + IsoTime(r.time) + "\"";
        if (r.passed()) {
            out += "/>\n";
            continue;
        }
        out += ">\n      <failure message=\"" + XmlText(r.message) + "\" type=\"" + ResultName(r) + "\"/>\n";
        out += "      <system-out>" + XmlText("model " + Utf8(r.model) + ", firmware " + Utf8(r.firmware) +
                                              ", words written " + WrittenText(r.written) +
                                              (r.archived.empty() ? "" : ", state kept in " + r.archived)) +
               "</system-out>\n    </testcase>\n";
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

} // namespace kovrin::gang
