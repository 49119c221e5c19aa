// The .kvnf reader on arbitrary bytes, then the writer and the reader again: whatever a
// file holds, saving what was read and reading it back must give the same record after
// one normalising round trip, and the fields the format carries must survive the first.
#include "config/ConfigFile.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <string>

namespace {

using namespace kovrin;

class AlwaysReplace final : public FilePrompts {
public:
    void ShowError(std::string_view) override { FUZZ_CHECK(false, "the writer failed in a writable folder"); }
    bool AskOverwrite(std::string_view) override { return true; }
};

LocalDateTime FixedTime() { return {7, 12, 2026, 10, 11, 12}; }

// A private folder for the two files, removed when the process ends.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-fuzz-kvnf-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr, "no scratch folder");
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

ConfigRecord ReadBack(const std::string& name)
{
    ConfigRecord record;
    record.setWord(5, 0xBEEF);  // must be replaced: the reader clears first
    FUZZ_CHECK(ReadConfigFile(record, name) == ReadResult::Read, name.c_str());
    return record;
}

ConfigRecord SaveAndRead(const ConfigRecord& record, const std::string& name)
{
    AlwaysReplace prompts;
    FUZZ_CHECK(WriteConfigFile(record, name, prompts, FixedTime) == WriteResult::Written, "save failed");
    return ReadBack(name);
}

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

void CheckCarriedFields(const ConfigRecord& first, const ConfigRecord& second)
{
    for (int n = 0; n < kRecordWordCount; ++n)
        FUZZ_CHECK(first.word(n) == second.word(n), "a record word changed on the round trip");
    struct Text {
        RecordField field;
        std::size_t width;
    };
    for (Text t : {Text{field::AtsCode, kAtsCodeMaxChars}, Text{field::AtsModel, kAtsModelMaxChars},
                   Text{field::FirmwareVersion, kFirmwareMaxChars}})
        FUZZ_CHECK(second.text(t.field) == first.text(t.field).substr(0, t.width), "a text changed");
    for (RecordField f : {field::IoConfiguration, field::AtsType, field::InputSocket, field::OutputSocket}) {
        const std::uint8_t c = first.code(f);
        FUZZ_CHECK(second.code(f) == (IsDigit(c) ? c : '0'), "a code field came back wrong");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScratchFolder folder;
    const std::string input = folder.file("input.kvnf");
    const std::string saved = folder.file("saved.kvnf");
    {
        std::FILE* f = std::fopen(input.c_str(), "wb");
        FUZZ_CHECK(f != nullptr, "cannot write the input file");
        if (size > 0)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const ConfigRecord first = ReadBack(input);

    ConfigRecord fromMemory;
    ReadConfigText(fromMemory, std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(fromMemory == first, "file and memory readers disagree");

    const ConfigRecord second = SaveAndRead(first, saved);
    CheckCarriedFields(first, second);
    // Nothing the format cannot hold is left after one round trip.
    const ConfigRecord third = SaveAndRead(second, saved);
    FUZZ_CHECK(third == second, "the second round trip changed the record");
    return 0;
}
