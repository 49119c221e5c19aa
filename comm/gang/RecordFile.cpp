#include "comm/gang/RecordFile.h"

#include "platform/FileAppend.h"
#include "platform/FileReplace.h"

#include <filesystem>
#include <fstream>

namespace kovrin::gang {

std::string RecordFile::Open()
{
    std::error_code ec;
    const bool exists = std::filesystem::exists(path_, ec);
    if (!exists) {
        if (CreateFileContents(path_, header_.empty() ? std::string() : header_ + lineEnd_))
            return {};
        if (!std::filesystem::exists(path_, ec))
            return path_ + ": cannot create the file";
    }
    if (!std::filesystem::is_regular_file(path_, ec))
        return path_ + ": not a file";
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return path_ + ": cannot read the file";
    std::string first;
    std::getline(in, first);
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    const bool empty = first.empty() && in.eof();
    if (!header_.empty() && !empty && first != header_)
        return path_ + ": holds records with other columns (its first line is not \"" + header_ +
               "\"); name a new file";
    in.clear();
    in.seekg(-1, std::ios::end);
    char last = '\n';
    if (!empty && in.get(last) && last != '\n')
        endLine_ = true;
    if (!MayAppendToFile(path_))
        return path_ + ": cannot write the file";
    if (empty && !header_.empty())
        return Append(header_);
    return {};
}

std::string RecordFile::Append(const std::string& line)
{
    const std::string bytes = (endLine_ ? lineEnd_ : std::string()) + line + lineEnd_;
    if (!AppendFileContents(path_, bytes))
        return path_ + ": cannot add the record";
    endLine_ = false;
    return {};
}

} // namespace kovrin::gang
