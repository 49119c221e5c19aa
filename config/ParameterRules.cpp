#include "config/ParameterRules.h"

#include <algorithm>
#include <vector>

namespace kovrin {

ParameterWords WordsOf(const ConfigRecord& record)
{
    ParameterWords words{};
    for (int i = 0; i < kParameterWordCount; ++i)
        words[static_cast<std::size_t>(i)] = record.word(i);
    return words;
}

namespace {

// Up-down positions are signed 16-bit numbers.
int Signed(std::uint16_t word) { return static_cast<std::int16_t>(word); }

long Value(const ParameterWords& words, int word)
{
    return WordValue(kParameters[static_cast<std::size_t>(word)], words[static_cast<std::size_t>(word)]);
}

} // namespace

long WordValue(const ParameterInfo& parameter, std::uint16_t word)
{
    return parameter.control.starts_with("UpDown") ? Signed(word) : long(word);
}

int NominalFrequencyOf(const ParameterWords& words)
{
    return Signed(words[8]) >= 51 ? 60 : 50;
}

int HysteresisAOf(const ParameterWords& words) { return int(words[1]) - int(words[0]); }
int HysteresisBOf(const ParameterWords& words) { return int(words[5]) - int(words[4]); }

int ReturnVoltageFrom(const ParameterInfo& returnVoltage, int threshold, int hysteresis)
{
    return returnVoltage.offsetMin > 0 ? threshold + hysteresis : threshold - hysteresis;
}

ValueRange RangeAt(const ParameterInfo& p, int frequency, const ParameterWords& words)
{
    if (p.computed()) {
        const int base = words[static_cast<std::size_t>(p.baseWord)];
        return {base + p.offsetMin, base + p.offsetMax};
    }
    if (p.frequency() && frequency == 60)
        return {p.min60, p.max60};
    return {p.min, p.max};
}

ValueRange WideRange(const ParameterInfo& p) { return {p.wideMin, p.wideMax}; }

int FrequencyPreset(const ParameterInfo& p, int frequency)
{
    const ValueRange r = RangeAt(p, frequency, {});
    return p.name.find("Min") != std::string_view::npos ? r.min : r.max;
}

int BrokenRule(const ParameterWords& words)
{
    int n = 0;
    for (const ParameterRule& r : kParameterRules) {
        ++n;
        if (!r.holds(Value(words, r.left), Value(words, r.right)))
            return n;
    }
    return 0;
}

namespace {

// Bit n set: rule n+1 holds.
unsigned RulesHolding(const ParameterWords& words)
{
    unsigned held = 0;
    for (std::size_t i = 0; i < kParameterRules.size(); ++i) {
        const ParameterRule& r = kParameterRules[i];
        if (r.holds(Value(words, r.left), Value(words, r.right)))
            held |= 1u << i;
    }
    return held;
}

} // namespace

bool OrderKeepingRules(const ParameterWords& from, std::span<WordWrite> writes)
{
    const std::size_t n = writes.size();
    if (n > 16)
        return false;
    ParameterWords to = from;
    for (const WordWrite& w : writes)
        to[static_cast<std::size_t>(w.word)] = w.value;
    const unsigned keep = RulesHolding(from) & RulesHolding(to);
    const auto stateOf = [&](unsigned done) {
        ParameterWords s = from;
        for (std::size_t i = 0; i < n; ++i)
            if (done & (1u << i))
                s[static_cast<std::size_t>(writes[i].word)] = writes[i].value;
        return s;
    };
    // Depth-first over the sets of words written so far; each set is tried once. The
    // lowest word that keeps the rules goes first, so a plain ascending order wins ties.
    const unsigned all = (1u << n) - 1;
    std::vector<bool> dead(std::size_t(1) << n, false);
    std::vector<std::size_t> order;
    std::vector<unsigned> path{0};
    std::vector<std::size_t> next{0};
    while (!path.empty()) {
        const unsigned done = path.back();
        if (done == all)
            break;
        std::size_t& i = next.back();
        bool advanced = false;
        for (; i < n; ++i) {
            const unsigned step = done | (1u << i);
            if ((done & (1u << i)) || dead[step])
                continue;
            if ((RulesHolding(stateOf(step)) & keep) != keep) {
                dead[step] = true;
                continue;
            }
            order.push_back(i);
            path.push_back(step);
            ++i;
            next.push_back(0);
            advanced = true;
            break;
        }
        if (advanced)
            continue;
        dead[done] = true;
        path.pop_back();
        next.pop_back();
        if (!order.empty())
            order.pop_back();
    }
    if (path.empty())
        return false;
    std::vector<WordWrite> sorted;
    for (std::size_t i : order)
        sorted.push_back(writes[i]);
    std::copy(sorted.begin(), sorted.end(), writes.begin());
    return true;
}

} // namespace kovrin
