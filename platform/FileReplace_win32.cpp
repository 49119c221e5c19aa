// Names arrive in the process's code page: UTF-8 where the program's manifest asks for it
// (every name can then be written), the ANSI code page on older systems. They are turned
// into UTF-16 once and only the W functions see them, with the \\?\ prefix that lifts the
// MAX_PATH limit.
#include "platform/FileReplace.h"
#include "platform/FileReplaceCalls_win32.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>

namespace kovrin {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close()
    {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<std::wstring> toWide(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

bool startsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// The full name in the form that takes any length: \\?\C:\... or \\?\UNC\server\share\...
std::optional<std::wstring> longName(const std::string& path)
{
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide)
        return std::nullopt;
    if (startsWith(*wide, L"\\\\?\\"))
        return wide;
    DWORD size = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    size = ::GetFullPathNameW(wide->c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size())
        return std::nullopt;
    full.resize(size);
    if (startsWith(full, L"\\\\?\\") || startsWith(full, L"\\\\.\\"))
        return full;
    if (startsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

struct Target {
    std::wstring path;
    bool exists = false;
    DWORD attributes = 0;
};

// The file the name ends at once the system has followed its links.
std::optional<Target> findTarget(const std::wstring& name)
{
    Target t;
    Handle file(::CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
        const DWORD why = ::GetLastError();
        // A missing file is created; a link whose target is missing is not followed.
        if ((why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND) ||
            ::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES)
            return std::nullopt;
        t.path = name;
        return t;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    t.exists = true;
    t.attributes = info.dwFileAttributes;
    DWORD size = ::GetFinalPathNameByHandleW(file.get(), nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    std::wstring final(size, L'\0');
    size = ::GetFinalPathNameByHandleW(file.get(), final.data(), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    t.path = size > 0 && size < final.size() ? final.substr(0, size) : name;
    return t;
}

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool readAll(HANDLE file, std::string& out)
{
    char block[8192];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, block, sizeof block, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        out.append(block, got);
    }
}

bool seekTo(HANDLE file, std::size_t at)
{
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(at);
    return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0;
}

// `content` over the file from the start, the rest of `size` bytes blanked by the same
// write (line feeds), flushed; then the file cut to the content's length and flushed. A
// stop after any step leaves the content, at most followed by blank lines, or what was
// there before.
bool writeWhole(HANDLE file, std::string_view content, std::size_t size)
{
    std::string blanked(content);
    if (blanked.size() < size)
        blanked.append(size - blanked.size(), '\n');
    return seekTo(file, 0) && writeAll(file, blanked) && ::FlushFileBuffers(file) && seekTo(file, content.size()) &&
           ::SetEndOfFile(file) && ::FlushFileBuffers(file);
}

// A hidden name beside the target that no file has yet ("~a.kvnf.1a2b3c.tmp"), created
// empty; empty on failure, with the system's error.
std::wstring createName(const std::wstring& target, const wchar_t* extension, DWORD& error)
{
    // One engine per thread (the gang's workers archive at the same moment), seeded apart.
    thread_local std::mt19937 random{
        static_cast<unsigned>(::GetTickCount64() ^ ::GetCurrentProcessId() ^ (::GetCurrentThreadId() << 16))};
    const std::size_t slash = target.find_last_of(L'\\');
    const std::wstring base = L"~" + target.substr(slash + 1).substr(0, 100);
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t suffix[16];
        ::swprintf(suffix, 16, L".%06x.%ls", static_cast<unsigned>(random() & 0xFFFFFF), extension);
        const std::wstring name = target.substr(0, slash + 1) + base + suffix;
        Handle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (file.valid())
            return name;
        error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS)
            return {};
    }
    return {};
}

// The temporary file holding the new content, flushed; empty on failure, with the error.
std::wstring createTemporary(const std::wstring& target, std::string_view bytes, DWORD& error)
{
    const std::wstring name = createName(target, L"tmp", error);
    if (name.empty())
        return {};
    Handle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
    const bool ok = file.valid() && writeAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
    error = ok ? 0 : ::GetLastError();
    if (file.valid() && file.close() && ok)
        return name;
    ::DeleteFileW(name.c_str());
    return {};
}

bool exists(const std::wstring& name) { return ::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool holds(const std::wstring& name, std::string_view bytes)
{
    Handle file(::CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    return file.valid() && readAll(file.get(), text) && text == bytes;
}

bool createNew(const std::wstring& target, const std::wstring& temporary)
{
    ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    return SaveCalls().moveFile(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

// A file a virus scanner or an indexer opens as soon as it is written refuses to be
// replaced for a moment: tried again for up to half a second.
bool shortlyRefused(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

// ReplaceFileW keeps the replaced file's owner, access list, attributes and creation time.
// The old file goes to a backup name of its own while the new one takes its name, so a
// failure half way leaves the old content under one of two names this code knows. After
// any failure the names are looked at, not the error: where the target's name is free the
// new content goes there (or else the old one back); the temporary file is never deleted
// while no file has the target's name.
ReplaceResult replaceExisting(const std::wstring& target, const std::wstring& temporary, std::string_view bytes,
                              DWORD& error)
{
    DWORD unused = 0;
    // A free name, not a file: the replace makes the backup itself.
    const std::wstring backup = createName(target, L"bak", unused);
    if (!backup.empty())
        ::DeleteFileW(backup.c_str());
    const LPCWSTR backupName = backup.empty() ? nullptr : backup.c_str();
    const ULONGLONG until = ::GetTickCount64() + 500;
    error = 0;
    for (DWORD pause = 20;; pause *= 2) {
        if (SaveCalls().replaceFile(target.c_str(), temporary.c_str(), backupName,
                                    REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS |
                                        REPLACEFILE_IGNORE_ACL_ERRORS,
                                    nullptr, nullptr)) {
            error = 0;
            break;
        }
        error = ::GetLastError();
        const ULONGLONG now = ::GetTickCount64();
        if (!shortlyRefused(error) || now >= until)
            break;
        ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, until - now)));
    }
    ReplaceResult result = ReplaceResult::Untouched;
    if (error == 0) {
        result = ReplaceResult::Replaced;
    } else if (!exists(target)) {
        ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (SaveCalls().moveFile(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
            result = ReplaceResult::Replaced;
        else if (backupName && exists(backup) &&
                 SaveCalls().moveFile(backupName, target.c_str(), MOVEFILE_WRITE_THROUGH))
            result = ReplaceResult::Untouched;
        else
            return ReplaceResult::MayBeDamaged;  // the new content stays under the temporary name
    } else if (holds(target, bytes)) {
        result = ReplaceResult::Replaced;  // failed after the new file took the name
    }
    if (exists(temporary))
        ::DeleteFileW(temporary.c_str());
    if (backupName)
        ::DeleteFileW(backupName);
    return result;
}

// The old bytes of a rewrite in place are kept in memory; a larger file is not rewritten.
constexpr LONGLONG kLargestKeptInMemory = 64 << 20;

// Over the existing file itself: the space is taken first, the writes ordered as above, and
// the old bytes go back when a write fails.
ReplaceResult rewriteInPlace(const std::wstring& target, std::string_view bytes)
{
    Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string old;
    LARGE_INTEGER size{};
    if (!file.valid() || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestKeptInMemory ||
        !readAll(file.get(), old))
        return ReplaceResult::Untouched;
    if (bytes.size() > old.size() && !(seekTo(file.get(), bytes.size()) && ::SetEndOfFile(file.get()))) {
        const bool cut = seekTo(file.get(), old.size()) && ::SetEndOfFile(file.get());
        return cut ? ReplaceResult::Untouched : ReplaceResult::MayBeDamaged;
    }
    const std::size_t longest = std::max(old.size(), bytes.size());
    if (writeWhole(file.get(), bytes, longest))
        return file.close() ? ReplaceResult::Replaced : ReplaceResult::MayBeDamaged;
    return writeWhole(file.get(), old, longest) && file.close() ? ReplaceResult::Untouched
                                                                : ReplaceResult::MayBeDamaged;
}

} // namespace

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    const std::optional<std::wstring> name = longName(path);
    const std::optional<Target> target = name ? findTarget(*name) : std::nullopt;
    if (!target)
        return ReplaceResult::Untouched;
    if (target->exists) {
        if ((target->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
            return ReplaceResult::Untouched;
        // Refused as a direct open for writing would refuse it (access list, another program's lock).
        Handle probe(::CreateFileW(target->path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!probe.valid())
            return ReplaceResult::Untouched;
    }
    DWORD error = 0;
    const std::wstring temporary = createTemporary(target->path, bytes, error);
    if (temporary.empty()) {
        // A folder the user may not write into (a file the user may write all the same).
        return target->exists && error == ERROR_ACCESS_DENIED ? rewriteInPlace(target->path, bytes)
                                                              : ReplaceResult::Untouched;
    }
    if (!target->exists) {
        if (createNew(target->path, temporary))
            return ReplaceResult::Replaced;
        ::DeleteFileW(temporary.c_str());
        return ReplaceResult::Untouched;
    }
    const ReplaceResult replaced = replaceExisting(target->path, temporary, bytes, error);
    // A folder that lets files be added but not replaced: the old file is there as it was.
    if (replaced == ReplaceResult::Untouched && error == ERROR_ACCESS_DENIED)
        return rewriteInPlace(target->path, bytes);
    return replaced;
}

FileReplaceCalls& SaveCalls()
{
    static FileReplaceCalls calls;
    return calls;
}

bool CreateFileContents(const std::string& path, std::string_view bytes)
{
    const std::optional<std::wstring> name = longName(path);
    if (!name)
        return false;
    DWORD error = 0;
    const std::wstring temporary = createTemporary(*name, bytes, error);
    if (temporary.empty())
        return false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails where the name is taken.
    if (createNew(*name, temporary))
        return true;
    ::DeleteFileW(temporary.c_str());
    return false;
}

} // namespace kovrin
