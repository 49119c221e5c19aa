// show: the record of a configuration file in readable form.
#include "Commands.h"

#include "ViewJson.h"

#include "config/ParameterEditor.h"
#include "config/ParameterView.h"
#include "config/Parameters.h"
#include "config/Windows1252.h"

#include <cstdio>
#include <string>

namespace kovrin::cli {
namespace {

std::string hexEscape(unsigned char c)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    return hex;
}

// Printable ASCII as it is, every other byte as \xHH (the file name).
std::string readable(std::string_view bytes)
{
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out += (c >= 0x20 && c < 0x7F && c != '\\') ? std::string(1, ch) : hexEscape(c);
    }
    return out;
}

// A text from the record: its Windows-1252 characters, as the window shows them; control
// bytes, the backslash and the bytes without a character as \xHH.
std::string recordText(std::string_view bytes)
{
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool escaped = c < 0x20 || c == 0x7F || c == '\\' || Windows1252Undefined(c);
        out += escaped ? hexEscape(c) : Windows1252ToUtf8(std::string_view(&ch, 1));
    }
    return out;
}

std::string codeText(std::uint8_t code, const std::string& meaning)
{
    std::string out = "'" + recordText(std::string(1, static_cast<char>(code))) + "'";
    return out + (meaning.empty() ? " (no text)" : " " + meaning);
}

void row(const char* label, const std::string& value)
{
    std::printf("  %-24s %s\n", label, value.c_str());
}

std::string rangeText(const ParameterValue& v, int frequency)
{
    if (v.info->computed())
        return RangeText(v) + " (word " + std::to_string(v.info->baseWord) + " " +
               (v.info->offsetMin > 0 ? "+2..+20)" : "-20..-2)");
    if (v.info->frequency())
        return RangeText(v) + " at " + std::to_string(frequency) + " Hz";
    return RangeText(v);
}

} // namespace

int RunShow(const Args& args)
{
    const std::string& file = args.positional[0];
    ConfigRecord record;
    if (!ReadInput(file, record))
        return ExitFile;
    const ParameterView view = MakeParameterView(record, false);
    if (args.has("json")) {
        std::fputs(ViewJson(view, file).c_str(), stdout);
        return ExitOk;
    }

    std::printf("%s\n\nIdentification\n", readable(file).c_str());
    row("ATS code", recordText(record.text(field::AtsCode).substr(0, kAtsCodeMaxChars)));
    row("ATS model", recordText(record.text(field::AtsModel).substr(0, kAtsModelMaxChars)));
    row("Firmware version (mC)", recordText(record.text(field::FirmwareVersion)));
    row("I/O configuration", codeText(record.code(field::IoConfiguration), IoConfigurationText(record.code(field::IoConfiguration))));
    row("ATS type", codeText(record.code(field::AtsType), AtsTypeText(record.code(field::AtsType))));
    row("Input socket", std::to_string(InputSocketNumber(record)));
    row("Output socket", std::to_string(OutputSocketNumber(record)));

    std::printf("\nNominal data (not kept in files)\n");
    row("Nominal current (A)", std::to_string(record.number(field::NominalCurrent)));
    row("Nominal voltage (V)", std::to_string(record.number(field::NominalVoltage)));
    row("Nominal frequency (Hz)", std::to_string(record.number(field::NominalFrequency)));

    ParameterEditor editor;
    editor.ShowRecord(record);
    // "value": the word as the file holds it; "*" marks one outside its control's range.
    std::printf("\nParameters\n  %-4s %-22s %7s  %-25s %s\n", "word", "name", "value", "unit", "editor range");
    for (const ParameterValue& v : view.parameters)
        std::printf("  %-4d %-22s %6ld%s  %-25s %s\n", v.info->word, std::string(v.info->name).c_str(), v.value,
                    v.inRange ? " " : "*", std::string(v.info->unit).c_str(), rangeText(v, view.frequency).c_str());
    for (const ParameterValue& v : view.parameters)
        if (v.editorChanges())
            std::printf("Loading this file into the window changes word %d (%s): %u -> %u\n", v.info->word,
                        std::string(v.info->name).c_str(), static_cast<unsigned>(v.word),
                        static_cast<unsigned>(v.editorWord));

    std::printf("\nAs the editor shows it\n");
    row("Nominal frequency", std::to_string(editor.Frequency()) + " Hz");
    row("Hysteresis A", std::to_string(editor.HysteresisA()) + " V");
    row("Hysteresis B", std::to_string(editor.HysteresisB()) + " V");

    const std::uint16_t sum = record.word(kRecordSumWord);
    char sumText[32];
    std::snprintf(sumText, sizeof sumText, "%u (0x%04X)", static_cast<unsigned>(sum), static_cast<unsigned>(sum));
    std::printf("\nRecord sum: %s\n", sumText);

    const ValidationResult verdict = editor.ValidateControls();
    if (verdict)
        std::printf("Validation: the six rules pass\n");
    else
        std::printf("Validation: rule %d fails: \"%s\" (focus %s)\n", verdict.rule, std::string(verdict.message).c_str(),
                    std::string(NameOf(verdict.focus)).c_str());
    return ExitOk;
}

} // namespace kovrin::cli
