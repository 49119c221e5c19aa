#pragma once
// Fixed texts of the main window and its commands, in one place. Texts the lower
// layers already own are taken from there.
#include "comm/SwitchSession.h"
#include "comm/Transfer.h"
#include "config/ParameterEditor.h"

#include <string_view>

namespace kovrin::text {

inline constexpr std::string_view kProductName = "Kovrin Configurator";
inline constexpr std::string_view kVersion = "Version 1.5.1.0";

// Message box titles.
inline constexpr std::string_view kTitle = "Tarvix configurator";
inline constexpr std::string_view kHelpTitle = "Tarvix Configurator";
inline constexpr std::string_view kEditorTitle = kValidationTitle;

// Status bar.
inline constexpr std::string_view kStatusConnected = "Connect";
inline constexpr std::string_view kChangedSinceArchived = " - the switch was changed since its newest archived state";
inline constexpr std::string_view kOnScreenNotUploaded = "on screen (not uploaded)";
inline constexpr std::string_view kStatusDisconnected = "Disconnect";
inline constexpr std::string_view kAccessUser = "User";
inline constexpr std::string_view kAccessService = "Service";
inline constexpr std::string_view kSourceSwitch = "Data from ATS";
inline constexpr std::string_view kSourceDefaults = "Default data";

// Connection.
inline constexpr std::string_view kConnecting = "Please wait ...  connection in progress ...";
inline constexpr std::string_view kCannotOpenUsb = kCannotOpenUsbPort;
inline constexpr std::string_view kCannotOpenSerial = kCannotOpenSerialPort;
// A network port name the window cannot use; the reason follows on the next line.
inline constexpr std::string_view kBadNetworkPort = "Not a network port";
inline constexpr std::string_view kLocalPortLog = "Local port: %s\n";
inline constexpr std::string_view kUsbPortName = kUsbPort;

// Transfers: the progress texts and the error texts belong to the flow in comm/Transfer.h.
inline constexpr std::string_view kUploadQuestion = kovrin::kUploadQuestion;

// Files.
inline constexpr std::string_view kSaveQuestion = kovrin::kSaveQuestion;
inline constexpr std::string_view kFileFilter = "ATS Configuration file (.kvnf) | *.kvnf";
inline constexpr std::string_view kFileExtension = "*.kvnf";
inline constexpr std::string_view kSaveDialogTitle = "Save ATS Configuration file";
inline constexpr std::string_view kOpenDialogTitle = "Open ATS Configuration file";

// Service password.
inline constexpr std::string_view kServicePassword = "tovel_marsk";
inline constexpr std::string_view kWrongPassword = "You need the service password to access service level!";

// Help.
inline constexpr std::string_view kManualName = "Manual.pdf";
inline constexpr std::string_view kCannotOpenManual = "Can't open file %s: error %u";
// The settings report's save dialog and its failure.
inline constexpr std::string_view kReportDialogTitle = "Settings report";
inline constexpr std::string_view kReportFilter = "Settings report (.html) | *.html";
inline constexpr std::string_view kCannotWriteReport = "Cannot write the settings report: ";

} // namespace kovrin::text
