#pragma once
// One request or answer on the wire: STX, "01", two command characters, two length
// characters, data, four check characters, ETX. Numbers travel as nibble characters
// (0x30 + v, so 10..15 are ':'..'?').
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

class ConfigRecord;

using Frame = std::vector<std::uint8_t>;

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr int kChecksumMode = 1;           // additive checksum; any other mode is the CRC
constexpr std::uint16_t kCrcInitial = 0x554D;
constexpr std::size_t kFrameOverhead = 12; // a frame is 12 + n bytes for n data characters

// Answer sizes ReadBuffer accepts for one request.
struct AnswerSizes {
    std::size_t expected;
    std::size_t alternative;
};

constexpr AnswerSizes kAnswerGI{68, 12};
constexpr AnswerSizes kAnswerGN{34, 12};
constexpr AnswerSizes kAnswerGM{16, 12};
constexpr AnswerSizes kAnswerSM{12, 12};

// 'A'..'F' and 'a'..'f' become ':'..'?'; every other character is returned unchanged.
char NibbleChar(char c);
// The nibble character of the low four bits of v.
inline std::uint8_t NibbleOf(unsigned v) { return static_cast<std::uint8_t>(0x30 + (v & 0x0F)); }

// Check value over bytes 1..end-1: the additive checksum in mode 1, the CRC-16 otherwise.
std::uint16_t FrameCheck(int mode, const std::uint8_t* frame, std::size_t end);
// Reflected CCITT CRC (0x8408) from 0x554D, no final inversion, over bytes 1..end-1.
std::uint16_t FrameCrc16(const std::uint8_t* frame, std::size_t end);

// The value carried by the check field at size-5..size-2. Characters outside the nibble
// alphabet are not rejected: they enter the same weighted sum.
std::uint16_t CarriedCheck(const std::uint8_t* frame, std::size_t size);

// 0 when the check field matches FrameCheck over bytes 1..size-6, else 1 after logging the
// difference. A frame shorter than 12 bytes never matches.
int VerifyFrame(const std::uint8_t* frame, std::size_t size, int mode);

// Last step of every ReadBuffer: traces the answer, then judges it by its size (expected or
// alternative) and, except for a 68-byte answer, by its additive checksum. Rejections log
// one of "Serial Error: Number of readed byte %u [%u]", "Serial Error: bad checksum" (140
// bytes) or "Serial Error: bad CRC" (any other size).
bool AcceptAnswer(const std::uint8_t* answer, std::size_t count, std::size_t expected,
                  std::size_t alternative);

// ---- requests (all in mode 1) ----
Frame BuildRequestGI();                                // 12 bytes
Frame BuildRequestGN();                                // 12 bytes
Frame BuildRequestGM(int index);                       // 16 bytes, index 0..15
Frame BuildRequestSM(int index, std::uint16_t value);  // 20 bytes
// The request's characters as text, for "\n Prepared message: %s".
std::string FrameText(const Frame& frame);

// ---- answers (the switch's side; used by the simulator and the tests) ----
struct Identification {
    std::string atsCode;          // 16 characters on the wire, padded with blanks
    std::string atsModel;         // 16
    std::string firmwareVersion;  // 12
    std::uint8_t ioConfiguration = '0';
    std::uint8_t atsType = '0';
    std::uint8_t inputSocket = '0';
    std::uint8_t outputSocket = '0';
};

struct NominalData {
    std::uint16_t current = 0;          // amperes, 12 bits on the wire
    std::uint16_t voltage = 0;          // volts, 12 bits
    std::uint16_t frequencyTenths = 0;  // tenths of a hertz, 12 bits
};

// Builds a frame "\x02" "01" + command + length + data + check + "\x03" in mode 1. The
// length field carries the data size as two nibble characters.
Frame BuildFrame(std::string_view command, std::string_view data);
Frame BuildAnswerGI(const Identification& id);       // 68 bytes
Frame BuildAnswerGN(const NominalData& nominal);     // 34 bytes
Frame BuildAnswerGM(std::uint16_t word);             // 16 bytes
Frame BuildAnswerSM();                               // 12 bytes, the acknowledgement
// The 12-byte answer without data that the switch may give to any command.
Frame BuildShortAnswer(std::string_view command);

// ---- decoding what the download reads ----
// Three nibble characters at `at` (c0*256 + c1*16 + c2 - 0x3330, modulo 65536).
std::uint16_t DecodeNibbles3(const std::uint8_t* at);
// Two nibble characters at `at` ((c0*16 + c1 - 0x30) modulo 256).
std::uint8_t DecodeNibbles2(const std::uint8_t* at);

// Copies bytes 7..54 of a 68-byte "GI" answer into the identification fields.
void StoreIdentification(const std::uint8_t* answer, ConfigRecord& record);
// Decodes bytes 20..28 of a 34-byte "GN" answer into the nominal fields (frequency / 10).
void StoreNominalData(const std::uint8_t* answer, ConfigRecord& record);
// High and low byte of a 16-byte "GM" answer (bytes 7..8 and 9..10).
struct WordBytes {
    std::uint8_t high;
    std::uint8_t low;
    std::uint16_t value() const { return static_cast<std::uint16_t>(high * 256 + low); }
};
WordBytes DecodeWordAnswer(const std::uint8_t* answer);

// Requests seen by the switch's side: which command, and for "GM"/"SM" the word index
// and value. `ok` is false when the frame is not a well-formed request.
struct ParsedRequest {
    bool ok = false;
    std::string command;  // "GI", "GN", "GM", "SM"
    int index = -1;
    std::uint16_t value = 0;
};
ParsedRequest ParseRequest(const std::uint8_t* frame, std::size_t size);

} // namespace kovrin
