#pragma once
// The pictures every view shows, by the name of their file in app/resources/icons (without
// ".svg"). Views turn them into their own images; the order of the list is the one the
// actions' image numbers refer to.
#include <array>
#include <optional>
#include <string_view>

namespace kovrin {

inline constexpr int kImageListSize = 27;

inline constexpr std::array<std::string_view, kImageListSize> kImageList{
    "00-new", "01-open", "02-save", "03-saveas", "04-upload", "05-download", "06-refresh",
    "07-connect", "08-disconnect", "09-statistics", "10-properties", "11-print", "12-cut",
    "13-copy", "14-paste", "15-undo", "16-redo", "17-find", "18-delete", "19-warning",
    "20-password", "21-lock", "22-help", "23-info", "24-tools", "25-clock", "26-exit",
};

struct NamedPicture {
    std::string_view name;  // resource name of the image or button
    std::string_view file;
};

inline constexpr NamedPicture kNamedPictures[] = {
    {"ImageGreen", "status-green"},
    {"ImageRed", "status-red"},
    {"ImageKeyUser", "status-key-user"},
    {"ImageKeyService", "status-key-service"},
    {"ImageUPS", "status-ats"},
    {"ImageFile", "status-file"},
    {"BtnOk", "button-ok"},
    {"BtnCancel", "button-cancel"},
    {"BtnClose", "button-close"},
    {"Application", "app-icon"},
};

// The file of a named picture; nullopt for a name without one.
constexpr std::optional<std::string_view> PictureFile(std::string_view name)
{
    for (const NamedPicture& p : kNamedPictures)
        if (p.name == name)
            return p.file;
    return std::nullopt;
}

} // namespace kovrin
