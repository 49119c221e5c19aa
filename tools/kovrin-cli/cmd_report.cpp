// report: the printable settings report of a file or of the switch.
#include "Commands.h"

#include "app/logic/WindowTexts.h"
#include "comm/DebugLog.h"
#include "config/SettingsReport.h"
#include "platform/FileReplace.h"

#include <cstdio>
#include <filesystem>

namespace kovrin::cli {

namespace {

std::string Last(const Args& args, std::string_view option)
{
    const std::vector<std::string> all = args.all(option);
    return all.empty() ? std::string() : all.back();
}

} // namespace

int RunReport(const Args& args)
{
    if (args.has("debug")) {
        SetDebugMode(true);
        SetDebugConsole(StandardOutputConsole());
    }
    const std::string out = Last(args, "o");
    if (out.empty())
        return Fail(ExitUsage, "give the report's file with -o OUT.html");
    std::error_code ignored;
    if (!args.has("force") && std::filesystem::exists(out, ignored))
        return Fail(ExitFile, out + ": file exists (--force replaces it)");
    Source source;
    if (const int code = ReadSource(args, args.positional[0], source); code >= 0)
        return code;
    const ReportDetails details{source.name, ReportTimeNow(), std::string(text::kProductName) + " " + std::string(text::kVersion),
                                Last(args, "technician"), Last(args, "site"), {}};
    const std::string html = SettingsReportHtml(MakeParameterView(source.record, source.fromSwitch), details);
    if (ReplaceFileContents(out, html) != ReplaceResult::Replaced)
        return Fail(ExitFile, out + ": cannot write");
    std::printf("report written to %s\n", out.c_str());
    return ExitOk;
}

} // namespace kovrin::cli
