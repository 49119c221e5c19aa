// diff: what differs between two configurations, each a file, the switch or the defaults.
#include "Commands.h"
#include "ViewJson.h"

#include "comm/DebugLog.h"
#include "config/ParameterView.h"

#include <algorithm>
#include <cstdio>

namespace kovrin::cli {

namespace {

constexpr int ExitDifferent = 1;

void PrintText(const ViewComparison& c, const Source& a, const Source& b)
{
    std::printf("A: %s\nB: %s\n", a.name.c_str(), b.name.c_str());
    if (c.otherSwitch)
        std::printf("warning: the ATS codes differ: another switch\n");
    if (c.same()) {
        std::printf("No differences\n");
        return;
    }
    if (!c.parameters.empty()) {
        // A value outside its range carries its mark: the columns take the widest.
        int wa = 8, wb = 8;
        for (const ViewDifference& d : c.parameters) {
            wa = std::max(wa, static_cast<int>(d.a.size()));
            wb = std::max(wb, static_cast<int>(d.b.size()));
        }
        std::printf("\n  %-22s %*s %*s  %s\n", "parameter", wa, "A", wb, "B", "unit");
        for (const ViewDifference& d : c.parameters)
            std::printf("  %-22s %*s %*s  %s\n", std::string(d.label).c_str(), wa, d.a.c_str(), wb, d.b.c_str(),
                        std::string(d.unit).c_str());
    }
    if (!c.identity.empty()) {
        std::printf("\nIdentification\n");
        for (const ViewDifference& d : c.identity)
            std::printf("  %-24s A: %s\n  %-24s B: %s\n", std::string(d.label).c_str(), d.a.c_str(), "", d.b.c_str());
    }
}

} // namespace

int RunDiff(const Args& args)
{
    if (args.has("debug")) {
        SetDebugMode(true);
        SetDebugConsole(StandardOutputConsole());
    }
    const std::string& first = args.positional[0];
    const std::string& second = args.positional[1];
    if (first == "ats" && second == "ats")
        return Fail(ExitUsage, "only one side may be ats");
    Source a, b;
    if (const int code = ReadSource(args, first, a); code >= 0)
        return code;
    if (const int code = ReadSource(args, second, b); code >= 0)
        return code;
    const ViewComparison c = CompareViews(MakeParameterView(a.record, a.fromSwitch), MakeParameterView(b.record, b.fromSwitch));
    if (args.has("json"))
        std::fputs(ComparisonJson(c, a.name, b.name).c_str(), stdout);
    else
        PrintText(c, a, b);
    return c.same() ? ExitOk : ExitDifferent;
}

} // namespace kovrin::cli
