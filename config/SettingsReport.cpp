#include "config/SettingsReport.h"

#include "config/DecimalText.h"
#include "platform/ArchiveFolder.h"

#include <ctime>

#include <algorithm>
#include <cstdio>

namespace kovrin {

namespace {

constexpr const char* kStyle = R"(
body{font-family:"DejaVu Sans",Arial,sans-serif;font-size:9.5pt;color:#000;margin:1.5em}
h1{font-size:15pt;margin:0 0 .2em}h2{font-size:11pt;margin:.9em 0 .3em;border-bottom:1px solid #888}
table{border-collapse:collapse;width:100%}td,th{border:1px solid #aaa;padding:1px 5px;text-align:left}
th{background:#eee}td.n{text-align:right}.cols{display:flex;gap:1.2em}.cols>div{flex:1}
.words td{font-family:"DejaVu Sans Mono",monospace;text-align:center}
.sign{display:flex;gap:3em;margin-top:2.2em}.sign div{flex:1;border-top:1px solid #000;padding-top:3px}
svg{display:block;margin:.2em 0}svg text{font-size:9px;font-family:"DejaVu Sans",Arial,sans-serif}
@page{size:A4;margin:12mm}
@media print{body{margin:0;font-size:8.5pt}h2{break-after:avoid}table,svg,.sign{break-inside:avoid}}
)";

std::string Number(long long n) { return std::to_string(n); }

long long Value(const ParameterView& view, std::string_view name)
{
    const ParameterValue* p = view.parameter(name);
    return p ? p->value : 0;
}

void Row(std::string& out, std::string_view label, const std::string& value)
{
    out += "<tr><th>" + HtmlEscape(label) + "</th><td>" + HtmlEscape(value) + "</td></tr>\n";
}

// One horizontal band: the scale from `lo` to `hi`, the trip window [tripMin, tripMax]
// and, inside it, the return window [returnMin, returnMax]; `nominal` marked when known.
struct Band {
    std::string title;
    std::string unit;
    double lo, hi;
    double tripMin, tripMax;
    double returnMin, returnMax;  // equal to the trip window where there is no hysteresis
    double nominal;               // 0: unknown
};

std::string BandSvg(const Band& b)
{
    constexpr double kLeft = 110, kWidth = 560, kTop = 14, kHeight = 16;
    auto x = [&](double v) { return kLeft + kWidth * (std::clamp(v, b.lo, b.hi) - b.lo) / (b.hi - b.lo); };
    auto num = [](double v) {
        char t[32];
        std::snprintf(t, sizeof t, "%g", v);
        return std::string(t);
    };
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"690\" height=\"52\" viewBox=\"0 0 690 52\" role=\"img\">";
    s += "<text x=\"0\" y=\"" + num(kTop + 12) + "\">" + HtmlEscape(b.title) + "</text>";
    // Outside the trip window the input is given up.
    s += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) +
         "\" fill=\"#f4c7c3\" stroke=\"#999\"/>";
    s += "<rect x=\"" + num(x(b.tripMin)) + "\" y=\"" + num(kTop) + "\" width=\"" + num(x(b.tripMax) - x(b.tripMin)) +
         "\" height=\"" + num(kHeight) + "\" fill=\"#fce8b2\"/>";
    // Inside the return window the input is taken back.
    s += "<rect x=\"" + num(x(b.returnMin)) + "\" y=\"" + num(kTop + 3) + "\" width=\"" +
         num(std::max(0.0, x(b.returnMax) - x(b.returnMin))) + "\" height=\"" + num(kHeight - 6) + "\" fill=\"#b7e1cd\"/>";
    const struct {
        double v;
        bool above;
    } marks[] = {{b.tripMin, true}, {b.tripMax, true}, {b.returnMin, false}, {b.returnMax, false}};
    const bool sameWindows = b.returnMin == b.tripMin && b.returnMax == b.tripMax;
    for (const auto& m : marks) {
        if (sameWindows && !m.above)
            continue;
        const std::string px = num(x(m.v));
        s += "<line x1=\"" + px + "\" x2=\"" + px + "\" y1=\"" + num(kTop - 2) + "\" y2=\"" + num(kTop + kHeight + 2) +
             "\" stroke=\"#333\"/>";
        s += "<text x=\"" + px + "\" y=\"" + num(m.above ? kTop - 4 : kTop + kHeight + 11) + "\" text-anchor=\"middle\">" +
             num(m.v) + "</text>";
    }
    if (b.nominal > 0) {
        const std::string px = num(x(b.nominal));
        s += "<line x1=\"" + px + "\" x2=\"" + px + "\" y1=\"" + num(kTop) + "\" y2=\"" + num(kTop + kHeight) +
             "\" stroke=\"#1a5fb4\" stroke-width=\"2\" stroke-dasharray=\"3,2\"/>";
    }
    s += "<text x=\"" + num(kLeft + kWidth + 6) + "\" y=\"" + num(kTop + 12) + "\">" + HtmlEscape(b.unit) + "</text>";
    s += "</svg>\n";
    return s;
}

std::string Bands(const ParameterView& view)
{
    const IdentityField* voltage = view.field("nominalVoltage");
    const double nominalVoltage = voltage && voltage->known ? static_cast<double>(voltage->number) : 0;
    const double f = view.frequency;
    std::string s;
    for (const char* input : {"A", "B"}) {
        const std::string in = input;
        auto v = [&](const char* name) { return static_cast<double>(Value(view, name + in)); };
        s += BandSvg({"Input " + in + " voltage", "V", 170, 275, v("VoltageMin"), v("VoltageMax"), v("ReturnVoltageMin"),
                      v("ReturnVoltageMax"), nominalVoltage});
        s += BandSvg({"Input " + in + " frequency", "Hz", f - 12, f + 17, v("FrequencyMin"), v("FrequencyMax"),
                      v("FrequencyMin"), v("FrequencyMax"), f});
    }
    return s;
}

} // namespace

std::string ReportTimeNow()
{
    std::tm tm{};
    char text[32] = "";
    if (BreakDownTime(std::time(nullptr), false, tm))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
    return text;
}

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string SettingsReportHtml(const ParameterView& view, const ReportDetails& details)
{
    const IdentityField* code = view.field("atsCode");
    const std::string title = "Settings report " + (code ? code->text : std::string());
    std::string h = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
                    "</title>\n<style>" + kStyle + "</style></head><body>\n";
    h += "<h1>" + HtmlEscape(title) + "</h1>\n<div class=\"cols\"><div><table>\n";
    Row(h, "Site", details.site);
    Row(h, "Data source", details.source);
    Row(h, "Date and time", details.when);
    Row(h, "Program", details.version);
    h += "</table></div><div><table>\n";
    for (const IdentityField& f : view.identity)
        if (!f.nominal)
            Row(h, f.label, f.text);
    h += "</table></div><div><table>\n";
    for (const IdentityField& f : view.identity)
        if (f.nominal)
            Row(h, f.label, f.known ? f.text : "not kept in files");
    Row(h, "Nominal frequency (editor)", Number(view.frequency) + " Hz");
    Row(h, "Hysteresis A / B", Number(view.hysteresisA) + " V / " + Number(view.hysteresisB) + " V");
    const bool sources = details.valueSources.size() == view.parameters.size();
    h += "</table></div></div>\n<h2>Parameters</h2>\n<table><tr><th>Word</th><th>Parameter</th><th>Name</th>"
         "<th>Value</th><th>Unit</th><th>Range</th>";
    h += sources ? "<th>Source</th></tr>\n" : "</tr>\n";
    for (const ParameterValue& p : view.parameters) {
        h += "<tr><td class=\"n\">" + Number(p.info->word) + "</td><td>" + HtmlEscape(p.info->meaning) + "</td><td>" +
             HtmlEscape(p.info->name) + "</td><td class=\"n\">" + HtmlEscape(p.shown) + "</td><td>" +
             HtmlEscape(p.info->unit) + "</td><td>" + HtmlEscape(RangeText(p)) + "</td>";
        if (sources)
            h += "<td>" + HtmlEscape(details.valueSources[static_cast<std::size_t>(p.info->word)]) + "</td>";
        h += "</tr>\n";
    }
    h += "</table>\n<h2>Bands: trip (yellow) and return (green) windows, nominal value dashed</h2>\n" + Bands(view);
    h += "<h2>Record words</h2>\n<table class=\"words\"><tr>";
    for (std::size_t i = 0; i < view.words.size(); ++i)
        h += "<th>" + Number(static_cast<long long>(i)) + "</th>";
    h += "<th>Sum</th></tr><tr>";
    char hex[16];
    for (const std::uint16_t w : view.words) {
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(w));
        h += std::string("<td>") + hex + "</td>";
    }
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(view.recordSum));
    h += std::string("<td>") + hex + "</td></tr></table>\n";
    h += "<div class=\"sign\"><div>Technician: " + HtmlEscape(details.technician) +
         "</div><div>Customer</div><div>Date</div></div>\n</body></html>\n";
    return h;
}

} // namespace kovrin
