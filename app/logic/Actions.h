#pragma once
// The main window's actions, menus and toolbar as data: the Qt form builds its
// QActions, menu bar and toolbar from these tables and never spells a caption itself.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kovrin {

enum class ActionId : std::size_t {
    New, Open, Save, SaveAs, Upload, Download,
    Connect, Disconnect,
    ComPort1, ComPort2, ComPort3, ComPort4, ComPort5, ComPort6, ComPort7, ComPort8, Usb,
    Exit, Settings, Statistics, ServicePassword, Help,
    Compare, Report,
    NetworkPort,
    Count
};

constexpr std::size_t kActionCount = static_cast<std::size_t>(ActionId::Count);

constexpr std::size_t index(ActionId id) { return static_cast<std::size_t>(id); }

struct ActionInfo {
    ActionId id;
    std::string_view name;      // Qt object name = resource name, e.g. "ActionDownload"
    std::string_view category;
    std::string_view caption;
    std::string_view hint;      // empty: none
    int image;                  // index into the 16x16 image list; -1: none
    std::string_view handler;   // the logic's member that runs it
};

inline constexpr std::array<ActionInfo, kActionCount> kActions{{
    {ActionId::New, "ActionNew", "File", "New", "New configuration file", 0, "ActionNewExecute"},
    {ActionId::Open, "ActionOpen", "File", "Open", "Open configuration file", 1, "ActionOpenExecute"},
    {ActionId::Save, "ActionSave", "File", "Save", "Save configuration file", 2, "ActionSaveExecute"},
    {ActionId::SaveAs, "ActionSaveAs", "File", "Save as...", "Save as...", 3, "ActionSaveAsExecute"},
    {ActionId::Upload, "ActionUpload", "File", "Upload", "Upload configuration file to ATS", 4, "ActionUploadExecute"},
    {ActionId::Download, "ActionDownload", "File", "Download", "Download configuration file from ATS", 5, "ActionDownloadExecute"},
    {ActionId::Connect, "ActionConnect", "Connection", "Connect", "Connect to ATS", 7, "ActionConnectExecute"},
    {ActionId::Disconnect, "ActionDisconnect", "Connection", "Disconnect", "Disconnect from ATS", 8, "ActionDisconnectExecute"},
    {ActionId::ComPort1, "ActionComPort1", "Connection", "COM1", "", -1, "ActionComPort1Execute"},
    {ActionId::ComPort2, "ActionComPort2", "Connection", "COM2", "", -1, "ActionComPort2Execute"},
    {ActionId::ComPort3, "ActionComPort3", "Connection", "COM3", "", -1, "ActionComPort3Execute"},
    {ActionId::ComPort4, "ActionComPort4", "Connection", "COM4", "", -1, "ActionComPort4Execute"},
    {ActionId::ComPort5, "ActionComPort5", "Connection", "COM5", "", -1, "ActionComPort5Execute"},
    {ActionId::ComPort6, "ActionComPort6", "Connection", "COM6", "", -1, "ActionComPort6Execute"},
    {ActionId::ComPort7, "ActionComPort7", "Connection", "COM7", "", -1, "ActionComPort7Execute"},
    {ActionId::ComPort8, "ActionComPort8", "Connection", "COM8", "", -1, "ActionComPort8Execute"},
    {ActionId::Usb, "ActionUsb", "Connection", "USB", "", -1, "ActionUsbExecute"},
    {ActionId::Exit, "ActionExit", "File", "Exit", "", -1, "ActionExitExecute"},
    {ActionId::Settings, "ActionSettings", "View", "Settings", "", 10, "ActionSettingsExecute"},
    {ActionId::Statistics, "ActionStatistics", "View", "Statistics", "", 9, ""},
    {ActionId::ServicePassword, "ActionServicePassword", "Password", "Service password", "Insert password for service level", 20, "ActionServicePasswordExecute"},
    {ActionId::Help, "ActionHelp", "About", "Help", "", 22, "ActionHelpExecute"},
    {ActionId::Compare, "ActionCompare", "File", "Compare with ATS", "Compare the values on screen with the ATS", -1, "ActionCompareExecute"},
    {ActionId::Report, "ActionReport", "File", "Settings report", "Write a printable settings report", -1, "ActionReportExecute"},
    {ActionId::NetworkPort, "ActionNetworkPort", "Connection", "Network port...", "A serial port behind a device server (rfc2217:// or socket://)", -1, "ActionNetworkPortExecute"},
}};

constexpr const ActionInfo& actionInfo(ActionId id) { return kActions[index(id)]; }

// The port commands in menu order with the port name each selects.
struct PortCommand {
    ActionId action;
    std::string_view portName;
};

inline constexpr std::array<PortCommand, 9> kPortCommands{{
    {ActionId::ComPort1, "COM1"}, {ActionId::ComPort2, "COM2"}, {ActionId::ComPort3, "COM3"},
    {ActionId::ComPort4, "COM4"}, {ActionId::ComPort5, "COM5"}, {ActionId::ComPort6, "COM6"},
    {ActionId::ComPort7, "COM7"}, {ActionId::ComPort8, "COM8"}, {ActionId::Usb, "USB"},
}};

// Menu bar. An entry is an action with its menu text, a separator, or the start / end
// of a submenu. Menus follow one another; each starts with a Menu entry; TopLevelItem is an action placed on the bar itself.
struct MenuEntry {
    enum Kind { Menu, Item, Separator, SubmenuStart, SubmenuEnd, TopLevelItem } kind;
    std::string_view text;           // with "&" for the access key; empty for separators
    std::optional<ActionId> action;  // Item and TopLevelItem only
};

// The menu whose opening re-reads the serial devices (FormConfigLogic::ConnectionMenuPopup).
inline constexpr std::string_view kConnectionMenu = "&Connection";

inline constexpr MenuEntry kMenuBar[] = {
    {MenuEntry::Menu, "&File", {}},
    {MenuEntry::Item, "&New", ActionId::New},
    {MenuEntry::Item, "&Open", ActionId::Open},
    {MenuEntry::Item, "&Save", ActionId::Save},
    {MenuEntry::Item, "S&ave as...", ActionId::SaveAs},
    {MenuEntry::Separator, "", {}},
    {MenuEntry::Item, "&Download", ActionId::Download},
    {MenuEntry::Item, "&Upload", ActionId::Upload},
    {MenuEntry::Separator, "", {}},
    {MenuEntry::Item, "&Exit", ActionId::Exit},
    {MenuEntry::Menu, kConnectionMenu, {}},
    {MenuEntry::Item, "&Connect", ActionId::Connect},
    {MenuEntry::Item, "&Disconnect", ActionId::Disconnect},
    {MenuEntry::Separator, "", {}},
    {MenuEntry::SubmenuStart, "C&om Port", {}},
    {MenuEntry::Item, "&COM1", ActionId::ComPort1},
    {MenuEntry::Item, "C&OM2", ActionId::ComPort2},
    {MenuEntry::Item, "CO&M3", ActionId::ComPort3},
    {MenuEntry::Item, "COM&4", ActionId::ComPort4},
    {MenuEntry::Item, "COM&5", ActionId::ComPort5},
    {MenuEntry::Item, "COM&6", ActionId::ComPort6},
    {MenuEntry::Item, "COM&7", ActionId::ComPort7},
    {MenuEntry::Item, "COM&8", ActionId::ComPort8},
    {MenuEntry::Item, "&USB", ActionId::Usb},
    {MenuEntry::Item, "&Network port...", ActionId::NetworkPort},
    {MenuEntry::SubmenuEnd, "", {}},
    {MenuEntry::Menu, "&Action", {}},
    {MenuEntry::Item, "&Download", ActionId::Download},
    {MenuEntry::Item, "Upload", ActionId::Upload},
    {MenuEntry::Separator, "", {}},
    {MenuEntry::Item, "&Compare with ATS", ActionId::Compare},
    {MenuEntry::Item, "Settings &report", ActionId::Report},
    {MenuEntry::Menu, "&View", {}},
    {MenuEntry::Item, "&Properties", ActionId::Settings},
    {MenuEntry::Menu, "&Password", {}},
    {MenuEntry::Item, "&Service password", ActionId::ServicePassword},
    {MenuEntry::TopLevelItem, "Help", ActionId::Help},
};

// Toolbar, images only; nullopt is a separator.
inline constexpr std::optional<ActionId> kToolBar[] = {
    ActionId::New, ActionId::Open, ActionId::Save, std::nullopt,
    ActionId::Download, ActionId::Upload, std::nullopt,
    ActionId::Connect, ActionId::Disconnect, std::nullopt,
    ActionId::ServicePassword,
};

} // namespace kovrin
