#include "app/win32/Dialogs.h"

#include "app/logic/WindowTexts.h"

#include <commdlg.h>

#include <cstdio>
#include <vector>

namespace kovrin::win32 {

namespace {

UINT IconStyle(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Information: return MB_ICONINFORMATION;
    case MessageIcon::Question: return MB_ICONQUESTION;
    case MessageIcon::None: break;
    }
    return 0;
}

std::string Trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

MessageResult ShowMessageBox(const MessageBoxSpec& box)
{
    const bool yesNo = box.buttons == MessageButtons::YesNo;
    // No owner window and task-modal: every window of the program waits for the answer.
    const UINT style = MB_TASKMODAL | IconStyle(box.icon) | (yesNo ? MB_YESNO : MB_OK);
    const int answer = ::MessageBoxA(nullptr, box.text.c_str(), box.title.c_str(), style);
    if (!yesNo)
        return MessageResult::Ok;
    return answer == IDYES ? MessageResult::Yes : MessageResult::No;
}

void ShowExceptionBox(const std::string& message)
{
    ShowMessageBox({std::string(text::kProductName), message, MessageIcon::Error, MessageButtons::Ok});
}

std::string ToWin32Filter(const std::string& filter)
{
    std::string out;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const std::size_t bar = filter.find('|', start);
        const std::size_t end = bar == std::string::npos ? filter.size() : bar;
        out += Trimmed(filter.substr(start, end - start));
        out += '\0';
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    out += '\0';
    return out;
}

std::string ToDefaultExtension(const std::string& extension)
{
    const std::size_t first = extension.find_first_not_of("*.");
    return first == std::string::npos ? std::string() : extension.substr(first);
}

std::optional<std::string> FileDialog::run(const FileDialogSpec& request, HWND owner)
{
    if (!request.initialFolder.empty())
        folder_ = request.initialFolder;
    const std::string filter = ToWin32Filter(request.filter);
    const std::string extension = ToDefaultExtension(request.defaultExtension);
    std::vector<char> name(MAX_PATH * 4, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = DWORD(name.size());
    ofn.lpstrInitialDir = folder_.empty() ? nullptr : folder_.c_str();
    ofn.lpstrTitle = request.title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // Neither dialog asks about overwriting nor insists on an existing file: the file
    // writer asks, and Open of a missing name is the reader's business.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const BOOL chosen = mode_ == Mode::Save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
    if (!chosen)
        return std::nullopt;
    std::string path(name.data());
    const std::size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos)
        folder_ = path.substr(0, slash);
    return path;
}

} // namespace kovrin::win32
