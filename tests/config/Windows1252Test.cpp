#include "config/Windows1252.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <memory>
#include <string>

using namespace kovrin;

namespace {

// The system's own code page table, as an independent reference. Empty when the byte has
// no character there.
std::string SystemConversion(unsigned char byte)
{
    const std::unique_ptr<void, int (*)(iconv_t)> cd(iconv_open("UTF-8", "WINDOWS-1252"), iconv_close);
    if (cd.get() == reinterpret_cast<iconv_t>(-1))
        return "?no converter";
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return {};
    return std::string(out, sizeof out - outLeft);
}

} // namespace

TEST(Windows1252, EveryHighByteIsItsCharacterAndTheUndefinedFiveTheirC1Code)
{
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        std::string reference = SystemConversion(byte);
        EXPECT_EQ(Windows1252Undefined(byte), reference.empty()) << std::hex << b;
        if (reference.empty())
            reference = {static_cast<char>(0xC2), static_cast<char>(b)};  // U+0080..U+009F
        EXPECT_EQ(Windows1252ToUtf8(std::string(1, static_cast<char>(byte))), reference) << std::hex << b;
    }
    EXPECT_EQ(Windows1252ToUtf8("A\xFF\x80\x9Fz"), "Aÿ€Ÿz");
}
