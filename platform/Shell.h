#pragma once
// Opening a document with the desktop's viewer for its type (the manual).
#include <string>

namespace kovrin {

// Results below or equal to 32 are failures, as the Windows shell reports them.
inline constexpr unsigned kShellFileNotFound = 2;
inline constexpr unsigned kShellNoAssociation = 31;
inline constexpr unsigned kShellOpened = 42;

// Opens folder + file with the verb "open". Returns a value > 32 when a viewer took
// the document, kShellFileNotFound when it does not exist, kShellNoAssociation when no
// viewer could be started for it. `opener` names the POSIX opener program (tests
// replace it); Windows ignores it.
unsigned OpenDocument(const std::string& folder, const std::string& file,
                      const std::string& opener = "xdg-open");

} // namespace kovrin
