#include "app/logic/ControlNames.h"

#include "app/logic/PageCaptions.h"
#include "config/Parameters.h"

#include <cctype>
#include <string>

namespace kovrin {

namespace {

std::string Capitalised(std::string_view s)
{
    std::string out(s);
    if (!out.empty())
        out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

// The up-down or scroll bar whose position an edit shows; the edit itself otherwise.
ControlId Setter(ControlId id)
{
    for (const ControlInfo& c : kEditorControls)
        if (c.buddy == NameOf(id))
            return c.id;
    return id;
}

std::string_view CaptionOf(std::string_view name)
{
    if (const std::optional<ControlId> id = FindControl(name))
        return InfoOf(*id).caption;
    return {};
}

} // namespace

ControlSpeech SpeechOf(ControlId id)
{
    const ControlInfo& info = InfoOf(id);
    const ControlId setter = Setter(id);
    for (const ParameterInfo& p : kParameters)
        if (p.control == NameOf(setter) || p.display == NameOf(id))
            return {Capitalised(p.meaning), std::string(p.unit), setter, p.computed(), p.min, p.max};
    if (id == ControlId::ComboBox1)
        return {caption::Frequency, "Hz", id, true, std::stoi(std::string(kFrequencyItems.front())),
                std::stoi(std::string(kFrequencyItems.back()))};
    // The hysteresis has no word of its own: its group and its label name it.
    for (const InputGroupControls* g : {&kInputA, &kInputB})
        if (setter == g->hyst)
            return {std::string(CaptionOf(NameOf(g->group))) + ", " + std::string(InfoOf(g->hystLabel).caption), "V",
                    setter};
    return {std::string(info.caption), {}, id};
}

std::string RangeDescription(const ControlSpeech& speech, int min, int max)
{
    if (speech.unit.empty())
        return {};
    return speech.unit + ", " + std::to_string(min) + " to " + std::to_string(max);
}

std::string ValueWithUnit(const ControlSpeech& speech, const std::string& value)
{
    if (speech.unit.empty() || value.empty())
        return value;
    return value + " " + speech.unit;
}

std::string_view PictureMeaning(std::string_view picture)
{
    struct Meaning {
        std::string_view picture, meaning;
    };
    static constexpr Meaning kMeanings[] = {
        {"ImageGreen", "Connected"},          {"ImageRed", "Not connected"},
        {"ImageKeyUser", "User level"},       {"ImageKeyService", "Service level"},
        {"ImageUPS", "Data from the switch"}, {"ImageFile", "Data from a file"},
    };
    for (const Meaning& m : kMeanings)
        if (m.picture == picture)
            return m.meaning;
    return {};
}

} // namespace kovrin
