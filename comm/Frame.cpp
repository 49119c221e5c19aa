#include "comm/Frame.h"

#include "comm/DebugLog.h"
#include "config/ConfigRecord.h"

#include <cstdio>
#include <cstring>

namespace kovrin {

namespace {

void AppendWord(Frame& f, std::uint16_t v)
{
    f.push_back(NibbleOf(v >> 12));
    f.push_back(NibbleOf(v >> 8));
    f.push_back(NibbleOf(v >> 4));
    f.push_back(NibbleOf(v));
}

// Closes a frame whose header and data are in place: check field in mode 1, then ETX.
void Finish(Frame& f)
{
    AppendWord(f, FrameCheck(kChecksumMode, f.data(), f.size()));
    f.push_back(kEtx);
}

Frame Header(const char* command, const char* length)
{
    Frame f{kStx, '0', '1'};
    f.push_back(static_cast<std::uint8_t>(command[0]));
    f.push_back(static_cast<std::uint8_t>(command[1]));
    f.push_back(static_cast<std::uint8_t>(length[0]));
    f.push_back(static_cast<std::uint8_t>(length[1]));
    return f;
}

// "10" and the word index as "%02X" passed through NibbleChar.
void AppendIndex(Frame& f, int index)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(index) & 0xFF);
    f.push_back('1');
    f.push_back('0');
    f.push_back(static_cast<std::uint8_t>(NibbleChar(hex[0])));
    f.push_back(static_cast<std::uint8_t>(NibbleChar(hex[1])));
}

// Text padded with blanks (or cut) to exactly `width` characters.
void AppendFixed(std::string& data, const std::string& text, std::size_t width)
{
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    data += field;
}

void Append12Bits(std::string& data, std::uint16_t v)
{
    data += static_cast<char>(NibbleOf(v >> 8));
    data += static_cast<char>(NibbleOf(v >> 4));
    data += static_cast<char>(NibbleOf(v));
}

} // namespace

char NibbleChar(char c)
{
    if (c >= 'A' && c <= 'F')
        return static_cast<char>(':' + (c - 'A'));
    if (c >= 'a' && c <= 'f')
        return static_cast<char>(':' + (c - 'a'));
    return c;
}

std::uint16_t FrameCrc16(const std::uint8_t* frame, std::size_t end)
{
    std::uint16_t crc = kCrcInitial;
    for (std::size_t i = 1; i < end; ++i) {
        unsigned x = (frame[i] ^ crc) & 0xFF;
        x = (x ^ (x << 4)) & 0xFF;
        crc = static_cast<std::uint16_t>(((x << 8) ^ (x << 3) ^ (x >> 4) ^ (crc >> 8)) & 0xFFFF);
    }
    return crc;
}

std::uint16_t FrameCheck(int mode, const std::uint8_t* frame, std::size_t end)
{
    if (mode != kChecksumMode)
        return FrameCrc16(frame, end);
    unsigned sum = 0;
    for (std::size_t i = 1; i < end; ++i)
        sum += frame[i];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::uint16_t CarriedCheck(const std::uint8_t* frame, std::size_t size)
{
    const std::uint8_t* c = frame + size - 5;
    return static_cast<std::uint16_t>((c[0] * 4096u + c[1] * 256u + c[2] * 16u + c[3] - 0x3330u) & 0xFFFF);
}

int VerifyFrame(const std::uint8_t* frame, std::size_t size, int mode)
{
    if (size < kFrameOverhead)  // no room for a check field: never matches, nothing is read
        return 1;
    const std::uint16_t carried = CarriedCheck(frame, size);
    const std::uint16_t computed = FrameCheck(mode, frame, size - 5);
    if (carried == computed)
        return 0;
    if (mode == kChecksumMode)
        DebugLogF("\n\rBAD Checksum: Suma: %u[%XH]  Checksum: %u[%XH]  ", carried, carried, computed, computed);
    else
        DebugLogF("\n\rBAD CRC: Suma: %u[%XH]  CRC_Word: %u[%XH]  ", carried, carried, computed, computed);
    return 1;
}

bool AcceptAnswer(const std::uint8_t* answer, std::size_t count, std::size_t expected,
                  std::size_t alternative)
{
    LogStampedF("received %d bytes: \n", static_cast<int>(count));
    for (std::size_t i = 0; i < count; ++i)
        TraceByte(answer[i], kTraceReceived);
    TraceByte(0, kTraceFlushEnd);

    if (count != expected && count != alternative) {
        DebugLogF("Serial Error: Number of readed byte %u [%u]", static_cast<unsigned>(count),
                  static_cast<unsigned>(expected));
        return false;
    }
    if (count == 68)
        return true;
    if (VerifyFrame(answer, count, kChecksumMode) != 0) {
        DebugLog(count == 140 ? "Serial Error: bad checksum" : "Serial Error: bad CRC");
        return false;
    }
    return true;
}

Frame BuildRequestGI()
{
    Frame f = Header("GI", "00");
    Finish(f);
    return f;
}

Frame BuildRequestGN()
{
    Frame f = Header("GN", "00");
    Finish(f);
    return f;
}

Frame BuildRequestGM(int index)
{
    Frame f = Header("GM", "04");
    AppendIndex(f, index);
    Finish(f);
    return f;
}

Frame BuildRequestSM(int index, std::uint16_t value)
{
    Frame f = Header("SM", "08");
    AppendIndex(f, index);
    AppendWord(f, value);
    Finish(f);
    return f;
}

std::string FrameText(const Frame& frame)
{
    return std::string(frame.begin(), frame.end());
}

Frame BuildFrame(std::string_view command, std::string_view data)
{
    const unsigned n = static_cast<unsigned>(data.size()) & 0xFF;
    const char length[2] = {static_cast<char>(NibbleOf(n >> 4)), static_cast<char>(NibbleOf(n))};
    const char cmd[2] = {command.size() > 0 ? command[0] : '?', command.size() > 1 ? command[1] : '?'};
    Frame f = Header(cmd, length);
    f.insert(f.end(), data.begin(), data.end());
    Finish(f);
    return f;
}

Frame BuildAnswerGI(const Identification& id)
{
    std::string data;
    AppendFixed(data, id.atsCode, 16);         // bytes 7..22
    AppendFixed(data, id.atsModel, 16);        // 23..38
    AppendFixed(data, id.firmwareVersion, 12); // 39..50
    data += static_cast<char>(id.ioConfiguration);
    data += static_cast<char>(id.atsType);
    data += static_cast<char>(id.inputSocket);
    data += static_cast<char>(id.outputSocket);
    data.resize(68 - kFrameOverhead, '0');     // 55..62 are not read
    return BuildFrame("GI", data);
}

Frame BuildAnswerGN(const NominalData& nominal)
{
    std::string data(13, '0');                 // bytes 7..19 are not read
    Append12Bits(data, nominal.current);       // 20..22
    Append12Bits(data, nominal.voltage);       // 23..25
    Append12Bits(data, nominal.frequencyTenths); // 26..28
    return BuildFrame("GN", data);
}

Frame BuildAnswerGM(std::uint16_t word)
{
    std::string data;
    data += static_cast<char>(NibbleOf(word >> 12));
    data += static_cast<char>(NibbleOf(word >> 8));
    data += static_cast<char>(NibbleOf(word >> 4));
    data += static_cast<char>(NibbleOf(word));
    return BuildFrame("GM", data);
}

Frame BuildAnswerSM()
{
    return BuildFrame("SM", "");
}

Frame BuildShortAnswer(std::string_view command)
{
    return BuildFrame(command, "");
}

std::uint16_t DecodeNibbles3(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>((at[0] * 256u + at[1] * 16u + at[2] - 0x3330u) & 0xFFFF);
}

std::uint8_t DecodeNibbles2(const std::uint8_t* at)
{
    return static_cast<std::uint8_t>((at[0] * 16u + at[1] - 0x30u) & 0xFF);
}

void StoreIdentification(const std::uint8_t* answer, ConfigRecord& record)
{
    // Raw copies: the slots are wider than the texts, so they stay zero-terminated.
    std::uint8_t* bytes = record.bytes().data();
    std::memcpy(bytes + field::AtsCode.offset, answer + 7, 16);
    std::memcpy(bytes + field::AtsModel.offset, answer + 23, 16);
    std::memcpy(bytes + field::FirmwareVersion.offset, answer + 39, 12);
    record.setCode(field::IoConfiguration, answer[51]);
    record.setCode(field::AtsType, answer[52]);
    record.setCode(field::InputSocket, answer[53]);
    record.setCode(field::OutputSocket, answer[54]);
}

void StoreNominalData(const std::uint8_t* answer, ConfigRecord& record)
{
    record.setNumber(field::NominalCurrent, DecodeNibbles3(answer + 20));
    record.setNumber(field::NominalVoltage, DecodeNibbles3(answer + 23));
    record.setNumber(field::NominalFrequency, static_cast<std::uint16_t>(DecodeNibbles3(answer + 26) / 10));
}

WordBytes DecodeWordAnswer(const std::uint8_t* answer)
{
    return WordBytes{DecodeNibbles2(answer + 7), DecodeNibbles2(answer + 9)};
}

ParsedRequest ParseRequest(const std::uint8_t* frame, std::size_t size)
{
    ParsedRequest r;
    if (size < kFrameOverhead || frame[0] != kStx || frame[size - 1] != kEtx)
        return r;
    // Checked quietly: this is the switch's side, not the program's log.
    if (CarriedCheck(frame, size) != FrameCheck(kChecksumMode, frame, size - 5))
        return r;
    r.command.assign(reinterpret_cast<const char*>(frame + 3), 2);
    const auto indexAt = [&](std::size_t at) { return static_cast<int>(DecodeNibbles2(frame + at)); };
    if (r.command == "GI" || r.command == "GN") {
        r.ok = size == 12;
    } else if (r.command == "GM") {
        r.ok = size == 16 && frame[7] == '1' && frame[8] == '0';
        if (r.ok)
            r.index = indexAt(9);
    } else if (r.command == "SM") {
        // Only a frame of the request's own size holds the value field.
        r.ok = size == 20 && frame[7] == '1' && frame[8] == '0';
        if (r.ok) {
            r.index = indexAt(9);
            r.value = static_cast<std::uint16_t>(DecodeNibbles2(frame + 11) * 256 + DecodeNibbles2(frame + 13));
        }
    }
    return r;
}

} // namespace kovrin
