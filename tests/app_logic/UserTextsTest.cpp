// The texts the user reads, pinned letter for letter (typos included) in one place;
// every other test may compare with the program's own constants.
#include "app/logic/WindowTexts.h"
#include "config/ConfigFile.h"

#include <gtest/gtest.h>

#include <string>

namespace kovrin::test {
namespace {

TEST(UserTexts, AsTheUserReadsThem)
{
    const struct {
        std::string text;
        const char* expected;
    } rows[] = {
        {std::string(text::kTitle), "Tarvix configurator"},
        {std::string(text::kHelpTitle), "Tarvix Configurator"},
        {std::string(text::kEditorTitle), "Kovrin configurator"},
        {std::string(kFileMessageTitle), "Tarvix configurator"},
        {kTransferMessageTitle, "Tarvix configurator"},
        {std::string(kSaveEmptyNameMessage), "Cannot save configuraton file: filename cannot be empty!"},
        {std::string(kSaveCannotOpenMessage), "Cannot save configuraton file: filename cannot be open!"},
        {OverwriteQuestion("a.kvnf"), "a.kvnf: File already exist! Do you want replace it?"},
        {std::string(text::kSaveQuestion), "Do you want to save actual data?"},
        {std::string(text::kUploadQuestion), "Are you sure to upload values to ATS?"},
        {kDownloadProgressText, "Configuration records downloading"},
        {kDownloadProgressLabel, "Please wait ...  configuration records downloading"},
        {kUploadProgressText, "Configuration records uploading"},
        {kUploadProgressLabel, "Please wait ...  configuration records uploading"},
        {TransferErrorText(TransferFailure::FreeBuffer), "Error in FreeBuffer serial port"},
        {TransferErrorText(TransferFailure::WriteBuffer), "Error in WriteBuffer serial port"},
        {TransferErrorText(TransferFailure::ReadBuffer), "Error in ReadBuffer serial port"},
        {std::string(text::kConnecting), "Please wait ...  connection in progress ..."},
        {std::string(text::kCannotOpenUsb), "Cannot open USB port"},
        {std::string(text::kCannotOpenSerial), "Cannot open serial port"},
        {std::string(text::kWrongPassword), "You need the service password to access service level!"},
        {std::string(text::kCannotOpenManual), "Can't open file %s: error %u"},
        {std::string(text::kSaveDialogTitle), "Save ATS Configuration file"},
        {std::string(text::kOpenDialogTitle), "Open ATS Configuration file"},
        {std::string(text::kFileFilter), "ATS Configuration file (.kvnf) | *.kvnf"},
        {std::string(text::kSourceSwitch), "Data from ATS"},
        {std::string(text::kSourceDefaults), "Default data"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.text, row.expected);
}

} // namespace
} // namespace kovrin::test
