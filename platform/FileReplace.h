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
// is flushed to disk and renamed over the target, and the folder is flushed; the replaced
// file's owner, group and mode are kept where the system allows (never failing a save),
// its extended attributes (the access list among them) always. Where those attributes
// cannot be carried over, the file has a second name (a hard link), or the folder or its
// file system refuses the temporary file or the rename (permission, another file system,
// a busy file; never a failing disk), the file is rewritten in place: the space is
// reserved first, and the writes are ordered so that a stop after any of them leaves the
// old content or the new one, at most followed by blank lines; the old bytes are put back
// if a write fails.
ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes);

// Creates the file `path`, which must not exist yet, holding `bytes`, by the same way: a
// temporary file beside it, flushed, given the name only when whole (never over a file that
// has it meanwhile), the folder flushed. A crash or a power cut leaves the file whole or
// absent, never empty or cut short. False when the name is taken or the file cannot be
// written (nothing is left behind).
bool CreateFileContents(const std::string& path, std::string_view bytes);

} // namespace kovrin
