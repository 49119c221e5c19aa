#pragma once
// Replacing the whole content of a file so that a failure, a crash or a power cut leaves
// either the old content or the new one, never a half-written or empty file.
#include <string>
#include <string_view>

namespace kovrin {

enum class ReplaceResult {
    Replaced,      // the file holds the new content
    Untouched,     // nothing was written: the file is as it was (or still missing)
    MayBeDamaged,  // a rewrite in place failed and the old content could not be put back
};

// Puts `bytes` in place of the file `path` (created when missing). Symbolic links are
// resolved by the system, with its protections (a link another user left in a shared
// sticky folder is not followed); only a dangling last link is followed by hand, under
// the same rule. A target the user may not write is refused, as a direct open for writing
// would refuse it. The new content goes to a hidden temporary file in the same folder that
// is flushed to disk and renamed over the target; the replaced file's permissions, owner
// and group are kept where the system allows, and never fail a save. Where the folder or
// its file system refuses the temporary file or the rename, the file is rewritten in
// place: the space is reserved first and the old bytes are put back if a write fails.
ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes);

} // namespace kovrin
