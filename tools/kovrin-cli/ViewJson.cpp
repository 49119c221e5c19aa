#include "ViewJson.h"

#include <nlohmann/json.hpp>

namespace kovrin::cli {

namespace {

using nlohmann::ordered_json;

ordered_json FieldValue(const IdentityField& f)
{
    if (!f.known)
        return nullptr;
    if (f.isNumber)
        return f.number;
    return f.text;
}

std::string Dump(const ordered_json& j)
{
    // Bytes that are not UTF-8 cannot come from the view, but never fail on them.
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

} // namespace

std::string ViewJson(const ParameterView& view, const std::string& source)
{
    ordered_json j;
    j["source"] = source;
    ordered_json identification = ordered_json::object();
    for (const IdentityField& f : view.identity)
        identification[std::string(f.key)] = FieldValue(f);
    j["identification"] = identification;
    ordered_json parameters = ordered_json::array();
    for (const ParameterValue& p : view.parameters)
        parameters.push_back({{"word", p.info->word},
                              {"name", std::string(p.info->name)},
                              {"value", p.value},
                              {"unit", std::string(p.info->unit)},
                              {"min", p.min},
                              {"max", p.max},
                              {"inRange", p.inRange},
                              {"stored", p.word},
                              {"editorKeeps", p.editorWord}});
    j["parameters"] = parameters;
    j["nominalFrequency"] = view.frequency;
    j["hysteresisA"] = view.hysteresisA;
    j["hysteresisB"] = view.hysteresisB;
    j["words"] = view.words;
    j["recordSum"] = view.recordSum;
    return Dump(j);
}

std::string ComparisonJson(const ViewComparison& comparison, const std::string& a, const std::string& b)
{
    ordered_json j;
    j["a"] = a;
    j["b"] = b;
    j["same"] = comparison.same();
    j["otherSwitch"] = comparison.otherSwitch;
    ordered_json parameters = ordered_json::array();
    for (const ViewDifference& d : comparison.parameters)
        parameters.push_back({{"name", std::string(d.key)},
                              {"a", d.aValue},
                              {"b", d.bValue},
                              {"unit", std::string(d.unit)},
                              {"aInRange", d.aInRange},
                              {"bInRange", d.bInRange}});
    j["parameters"] = parameters;
    ordered_json identification = ordered_json::array();
    for (const ViewDifference& d : comparison.identity)
        identification.push_back({{"field", std::string(d.key)}, {"label", std::string(d.label)}, {"a", d.a}, {"b", d.b}});
    j["identification"] = identification;
    return Dump(j);
}

} // namespace kovrin::cli
