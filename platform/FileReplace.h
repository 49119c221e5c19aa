#pragma once
// Replacing the whole content of a file so that a failure, a crash or a power cut leaves
// either the old content or the new one, never a half-written or empty file.
#include <string>
#include <string_view>

namespace kovrin {

// Puts `bytes` in place of the file `path` (created when missing). A symbolic link is
// followed and its target replaced. A target the user may not write is refused, as a
// direct open for writing would refuse it. The new content goes to a temporary file in
// the same folder that is flushed to disk and renamed over the target; the replaced
// file's permissions, owner and group are kept where the system allows. When only the
// folder is not writable the file is rewritten in place. False when nothing was written;
// the target is then as it was.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

} // namespace kovrin
