#include "config/ParameterView.h"

#include "config/ParameterEditor.h"
#include "config/SwitchIdentity.h"
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
        {"atsCode", "ATS code", false, [](const ConfigRecord& r) { return Text(Windows1252ToUtf8(SwitchCode(r))); }},
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
    view.namesSwitch = NamesSwitch(record);
    view.switchCode = SwitchCode(record);
    for (const IdentitySource& s : IdentitySources()) {
        IdentityField f = s.read(record);
        f.key = s.key;
        f.label = s.label;
        f.nominal = s.nominal;
        if (s.nominal && !fromSwitch)
            f = IdentityField{s.key, s.label, {}, false, 0, true, false};
        view.identity.push_back(std::move(f));
    }
    view.words = WordsOf(record);
    view.frequency = NominalFrequencyOf(view.words);
    view.hysteresisA = HysteresisAOf(view.words);
    view.hysteresisB = HysteresisBOf(view.words);
    // What a load into the window would keep: the editor limits to its controls' ranges.
    ParameterEditor editor;
    editor.ShowRecord(record);
    ConfigRecord kept = record;
    editor.StoreRecord(kept);
    for (const ParameterInfo& p : kParameters) {
        ParameterValue& v = view.parameters[static_cast<std::size_t>(p.word)];
        v.info = &p;
        v.word = view.words[static_cast<std::size_t>(p.word)];
        v.value = WordValue(p, v.word);
        const ValueRange range = RangeAt(p, view.frequency, view.words);
        v.min = range.min;
        v.max = range.max;
        v.inRange = range.holds(v.value);
        v.shown = MarkedValue(v.value, range);
        v.editorWord = kept.word(p.word);
    }
    view.recordSum = record.word(kRecordSumWord);
    return view;
}

std::string RangeText(const ParameterValue& value)
{
    return std::to_string(value.min) + " to " + std::to_string(value.max);
}

std::string MarkedValue(long value, const ValueRange& range)
{
    if (range.holds(value))
        return std::to_string(value);
    return std::to_string(value) + " (outside " + std::to_string(range.min) + " to " + std::to_string(range.max) + ")";
}

ViewComparison CompareViews(const ParameterView& a, const ParameterView& b)
{
    ViewComparison c;
    for (std::size_t i = 0; i < a.parameters.size(); ++i) {
        const ParameterValue& pa = a.parameters[i];
        const ParameterValue& pb = b.parameters[i];
        if (pa.word != pb.word)
            c.parameters.push_back({pa.info->name, pa.info->name, pa.shown, pb.shown, pa.info->unit, pa.value,
                                    pb.value, pa.inRange, pb.inRange});
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
            c.parameters.push_back({d.name, d.name, std::to_string(d.a), std::to_string(d.b), d.unit, d.a, d.b});
    // Against the defaults only the parameters say something.
    if (!a.namesSwitch || !b.namesSwitch)
        return c;
    for (std::size_t i = 0; i < a.identity.size(); ++i) {
        const IdentityField& fa = a.identity[i];
        const IdentityField& fb = b.identity[i];
        if (fa.known && fb.known && fa.text != fb.text)
            c.identity.push_back({fa.key, fa.label, fa.text, fb.text, {}});
    }
    c.otherSwitch = a.switchCode != b.switchCode;
    return c;
}

} // namespace kovrin
