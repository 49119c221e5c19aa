#include "config/ParameterView.h"

#include "config/DecimalText.h"
#include "config/ParameterEditor.h"
#include "config/Windows1252.h"

#include <algorithm>
#include <functional>

namespace kovrin {

namespace {

struct IdentitySource {
    std::string_view key;
    std::string_view label;
    bool nominal;
    std::function<IdentityField(const ConfigRecord&)> read;
};

IdentityField Text(std::string text) { return {{}, {}, std::move(text)}; }
IdentityField Number(long n) { return {{}, {}, std::to_string(n), true, n}; }
IdentityField Code(std::uint8_t code, const std::string& meaning)
{
    const std::string raw = code ? Windows1252ToUtf8(std::string(1, static_cast<char>(code))) : std::string();
    return Text(meaning.empty() ? raw : meaning);
}

// The fields in the order every output lists them.
const std::vector<IdentitySource>& IdentitySources()
{
    static const std::vector<IdentitySource> sources{
        {"atsCode", "ATS code", false, [](const ConfigRecord& r) { return Text(Windows1252ToUtf8(r.text(field::AtsCode).substr(0, kAtsCodeMaxChars))); }},
        {"atsModel", "ATS model", false, [](const ConfigRecord& r) { return Text(Windows1252ToUtf8(r.text(field::AtsModel).substr(0, kAtsModelMaxChars))); }},
        {"firmware", "Firmware version (mC)", false, [](const ConfigRecord& r) { return Text(Windows1252ToUtf8(r.text(field::FirmwareVersion))); }},
        {"ioConfiguration", "I/O configuration", false, [](const ConfigRecord& r) { return Code(r.code(field::IoConfiguration), IoConfigurationText(r.code(field::IoConfiguration))); }},
        {"atsType", "ATS type", false, [](const ConfigRecord& r) { return Code(r.code(field::AtsType), AtsTypeText(r.code(field::AtsType))); }},
        {"inputSocket", "Input socket", false, [](const ConfigRecord& r) { return Number(InputSocketNumber(r)); }},
        {"outputSocket", "Output socket", false, [](const ConfigRecord& r) { return Number(OutputSocketNumber(r)); }},
        {"nominalCurrent", "Nominal current (A)", true, [](const ConfigRecord& r) { return Number(r.number(field::NominalCurrent)); }},
        {"nominalVoltage", "Nominal voltage (V)", true, [](const ConfigRecord& r) { return Number(r.number(field::NominalVoltage)); }},
        {"nominalFrequency", "Nominal frequency (Hz)", true, [](const ConfigRecord& r) { return Number(r.number(field::NominalFrequency)); }},
    };
    return sources;
}

void Range(const ParameterInfo& p, const ParameterView& view, int& min, int& max)
{
    if (p.computed()) {
        // A return voltage follows its threshold by the hysteresis, 2..20 V.
        const int base = static_cast<int>(ParseDecimal(view.parameters[static_cast<std::size_t>(p.baseWord)].shown));
        min = base + p.offsetMin;
        max = base + p.offsetMax;
    } else if (p.frequency() && view.frequency == 60) {
        min = p.min60;
        max = p.max60;
    } else {
        min = p.min;
        max = p.max;
    }
}

} // namespace

const IdentityField* ParameterView::field(std::string_view key) const
{
    for (const IdentityField& f : identity)
        if (f.key == key)
            return &f;
    return nullptr;
}

const ParameterValue* ParameterView::parameter(std::string_view name) const
{
    for (const ParameterValue& p : parameters)
        if (p.info->name == name)
            return &p;
    return nullptr;
}

ParameterView MakeParameterView(const ConfigRecord& record, bool fromSwitch)
{
    ParameterView view;
    // The factory defaults fill the identification with 0xFF bytes: no switch is named.
    const auto code = record.bytes().begin() + static_cast<std::ptrdiff_t>(field::AtsCode.offset);
    view.namesSwitch = !std::all_of(code, code + static_cast<std::ptrdiff_t>(field::AtsCode.width),
                                    [](std::uint8_t b) { return b == 0xFF; });
    for (const IdentitySource& s : IdentitySources()) {
        IdentityField f = s.read(record);
        f.key = s.key;
        f.label = s.label;
        f.nominal = s.nominal;
        if (s.nominal && !fromSwitch)
            f = IdentityField{s.key, s.label, {}, false, 0, true, false};
        view.identity.push_back(std::move(f));
    }
    ParameterEditor editor;
    editor.ShowRecord(record);
    view.frequency = editor.Frequency();
    view.hysteresisA = editor.HysteresisA();
    view.hysteresisB = editor.HysteresisB();
    for (const ParameterInfo& p : kParameters) {
        ParameterValue& v = view.parameters[static_cast<std::size_t>(p.word)];
        v.info = &p;
        v.word = record.word(p.word);
        v.shown = editor.state(p.display)->text;
        view.words[static_cast<std::size_t>(p.word)] = v.word;
    }
    // Return voltages' ranges follow their thresholds, so every value is in place first.
    for (ParameterValue& v : view.parameters)
        Range(*v.info, view, v.min, v.max);
    view.recordSum = record.word(kRecordSumWord);
    return view;
}

std::string RangeText(const ParameterValue& value)
{
    return std::to_string(value.min) + " to " + std::to_string(value.max);
}

ViewComparison CompareViews(const ParameterView& a, const ParameterView& b)
{
    ViewComparison c;
    for (std::size_t i = 0; i < a.parameters.size(); ++i) {
        const ParameterValue& pa = a.parameters[i];
        const ParameterValue& pb = b.parameters[i];
        if (pa.shown != pb.shown)
            c.parameters.push_back({pa.info->name, pa.info->name, pa.shown, pb.shown, pa.info->unit});
    }
    const struct {
        std::string_view name;
        int a, b;
        std::string_view unit;
    } derived[] = {
        {"NominalFrequency", a.frequency, b.frequency, "Hz"},
        {"HysteresisA", a.hysteresisA, b.hysteresisA, "V"},
        {"HysteresisB", a.hysteresisB, b.hysteresisB, "V"},
    };
    for (const auto& d : derived)
        if (d.a != d.b)
            c.parameters.push_back({d.name, d.name, std::to_string(d.a), std::to_string(d.b), d.unit});
    // Against the defaults only the parameters say something.
    if (!a.namesSwitch || !b.namesSwitch)
        return c;
    for (std::size_t i = 0; i < a.identity.size(); ++i) {
        const IdentityField& fa = a.identity[i];
        const IdentityField& fb = b.identity[i];
        if (fa.known && fb.known && fa.text != fb.text)
            c.identity.push_back({fa.key, fa.label, fa.text, fb.text, {}});
    }
    const IdentityField* codeA = a.field("atsCode");
    const IdentityField* codeB = b.field("atsCode");
    c.otherSwitch = codeA && codeB && codeA->text != codeB->text;
    return c;
}

} // namespace kovrin
