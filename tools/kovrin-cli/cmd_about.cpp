// about: the version and where this installation keeps its files. The program looks for
// the bridge library and the manual in its own folder, so a technician (and the package
// test) can see at once whether a copy started through a link finds them.
#include "Commands.h"

#include "app/logic/WindowTexts.h"
#include "comm/usb/UsbLibrary.h"
#include "comm/usb/UsbLink.h"
#include "platform/Folders.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kovrin::cli {
namespace {

// The same test the USB connect makes before it initialises anything: the file loads and
// all six exports bind. The library is released again at once.
struct Found {
    bool ok;
    const char* text;
};

Found LibraryState(const std::string& path)
{
    UsbLibrary library([](std::string_view) {});
    switch (library.Load(path)) {
    case 0:
        library.Release();
        return {true, "found"};
    case kUsbBadLibrary:
        return {false, "incomplete: an export is missing"};
    default:
        return {false, "missing or not loadable"};
    }
}

} // namespace

int RunAbout(const Args&)
{
    const std::string folder = ProgramFolder();
    const std::string library = DefaultUsbOpenSettings().libraryPath;
    const std::string manual = folder + std::string(text::kManualName);
    std::error_code ec;
    const bool manualFound = std::filesystem::is_regular_file(manual, ec);
    const Found libraryState = LibraryState(library);

    std::printf("%.*s %.*s\n", int(text::kProductName.size()), text::kProductName.data(), int(text::kVersion.size()),
                text::kVersion.data());
    std::printf("program folder: %s\n", folder.c_str());
    std::printf("bridge library: %s (%s)\n", library.c_str(), libraryState.text);
    std::printf("manual:         %s (%s)\n", manual.c_str(), manualFound ? "found" : "missing");
    return (manualFound && libraryState.ok) ? ExitOk : ExitFile;
}

} // namespace kovrin::cli
