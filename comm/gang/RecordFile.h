#pragma once
// A file of records that is only ever added to: a new file gets its header once, an
// existing one keeps every line it holds and takes new lines at its end, each flushed to
// disk before the next unit's line, so a crash or a power cut leaves every completed one.
#include <string>

namespace kovrin::gang {

class RecordFile {
public:
    // `header` (without its line end) is the first line of a new file and must be that of
    // an existing one; empty for a file without a header. `lineEnd` ends every line.
    RecordFile(std::string path, std::string header, std::string lineEnd)
        : path_(std::move(path)), header_(std::move(header)), lineEnd_(std::move(lineEnd))
    {
    }

    // Creates the file or checks the existing one before any unit is touched; empty when
    // lines may be added, else why not.
    std::string Open();
    // Adds one line; empty when it is on disk, else why not.
    std::string Append(const std::string& line);
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string header_;
    std::string lineEnd_;
    bool endLine_ = false;  // the file ends in a line cut short: end it before the next
};

} // namespace kovrin::gang
