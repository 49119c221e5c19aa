// show: the record of a configuration file in readable form.
#include "Commands.h"

#include "config/ParameterEditor.h"
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

std::string rangeText(const ParameterInfo& p)
{
    char text[96];
    if (p.computed())
        std::snprintf(text, sizeof text, "word %d %+d to %+d", p.baseWord, p.offsetMin, p.offsetMax);
    else if (p.frequency())
        std::snprintf(text, sizeof text, "%d to %d at 50 Hz, %d to %d at 60 Hz", p.min, p.max, p.min60, p.max60);
    else
        std::snprintf(text, sizeof text, "%d to %d", p.min, p.max);
    return text;
}

} // namespace

int RunShow(const Args& args)
{
    const std::string& file = args.positional[0];
    ConfigRecord record;
    if (!ReadInput(file, record))
        return ExitFile;

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
    // "shown": what the editor's edit shows, limited to the control's range, and what a
    // save from the window would write back.
    std::printf("\nParameters\n  %-4s %-22s %6s %6s  %-25s %s\n", "word", "name", "value", "shown", "unit",
                "editor range");
    for (const ParameterInfo& p : kParameters) {
        const ControlState* shown = editor.state(p.display);
        std::printf("  %-4d %-22s %6u %6s  %-25s %s\n", p.word, std::string(p.name).c_str(),
                    static_cast<unsigned>(record.word(p.word)), shown ? shown->text.c_str() : "",
                    std::string(p.unit).c_str(), rangeText(p).c_str());
    }

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
