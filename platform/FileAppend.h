#pragma once
// Records that are only ever added to: each append reaches the disk before it returns, so
// a crash or a power cut keeps every line whose append returned true.
#include <string>
#include <string_view>

namespace kovrin {

// Adds `bytes` at the end of the existing file `path` and flushes it to disk. False when
// the file is missing or cannot be written (the file may then end in part of `bytes`).
bool AppendFileContents(const std::string& path, std::string_view bytes);

// Whether the existing file `path` may be opened for appending; nothing is written.
bool MayAppendToFile(const std::string& path);

} // namespace kovrin
