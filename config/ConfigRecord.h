#pragma once
// The 580-byte configuration block the whole program revolves around: identification,
// nominal data and record words 0..256 (256 is the record sum). It is always cleared,
// filled and copied as one unit.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kovrin {

constexpr std::size_t kRecordSize = 580;
constexpr int kParameterWordCount = 16;  // words 0..15 travel to and from the switch
constexpr int kRecordWordCount = 257;    // words 0..256
constexpr int kRecordSumWord = 256;

// Position and width of one field inside the block.
struct RecordField {
    std::size_t offset;
    std::size_t width;
};

namespace field {
constexpr RecordField AtsCode{0, 20};          // text, up to 16 characters
constexpr RecordField AtsModel{20, 20};        // text, up to 16 characters
constexpr RecordField FirmwareVersion{40, 16}; // text, up to 12 characters
constexpr RecordField IoConfiguration{56, 1};  // character code
constexpr RecordField AtsType{57, 1};          // character code
constexpr RecordField InputSocket{58, 1};      // '0' + number
constexpr RecordField OutputSocket{59, 1};     // '0' + number
constexpr RecordField NominalCurrent{60, 2};   // amperes
constexpr RecordField NominalVoltage{62, 2};   // volts
constexpr RecordField NominalFrequency{64, 2}; // hertz
constexpr std::size_t WordsOffset = 66;        // word n at 66 + 2n
} // namespace field

// Longest text each text field holds (the rest of the field is room for the terminator).
constexpr std::size_t kAtsCodeMaxChars = 16;
constexpr std::size_t kAtsModelMaxChars = 16;
constexpr std::size_t kFirmwareMaxChars = 12;

class ConfigRecord {
public:
    using Bytes = std::array<std::uint8_t, kRecordSize>;

    ConfigRecord() { bytes_.fill(0); }

    // Record word n, 0 <= n <= 256. Out-of-range numbers read 0 and are not written.
    std::uint16_t word(int n) const;
    void setWord(int n, std::uint16_t value);

    // A text field up to its first zero byte, never more than the field's width.
    std::string text(RecordField f) const;
    // Copies at most width-1 characters and zero-fills the rest of the field.
    void setText(RecordField f, const std::string& value);

    std::uint8_t code(RecordField f) const { return bytes_[f.offset]; }
    void setCode(RecordField f, std::uint8_t value) { bytes_[f.offset] = value; }

    std::uint16_t number(RecordField f) const;
    void setNumber(RecordField f, std::uint16_t value);

    const Bytes& bytes() const { return bytes_; }
    Bytes& bytes() { return bytes_; }

    bool operator==(const ConfigRecord&) const = default;

private:
    // Native x86 layout: 16-bit values lie low byte first inside the block. Every
    // external form (file, frames) gives the high byte first.
    Bytes bytes_;
};

// All 580 bytes to 0.
void ClearRecord(ConfigRecord& record);
// All 580 bytes to 0xFF, then words 0..15 to the factory parameter values.
void LoadFactoryDefaults(ConfigRecord& record);

// Where the record's current content came from (held as a 32-bit code by the window).
enum class DataSource : std::int32_t { None = 0, Switch = 1, File = 2, Defaults = 3 };

// Texts shown for the identification codes; empty when a code has none.
std::string IoConfigurationText(std::uint8_t code);
std::string AtsTypeText(std::uint8_t code);

// Socket numbers as the Properties dialog shows them: the byte minus '0' (so 0xFF gives
// 207); an input socket of 0 shows record word 3 divided by 12 instead.
int InputSocketNumber(const ConfigRecord& record);
int OutputSocketNumber(const ConfigRecord& record);

} // namespace kovrin
