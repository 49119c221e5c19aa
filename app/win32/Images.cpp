#include "app/win32/Images.h"

#include "app/logic/ImageNames.h"

#include <cctype>
#include <cstdint>
#include <vector>
#include <cstring>

namespace kovrin::win32 {

namespace {

// Adds the picture of `resource` to `list`; false when the program does not hold it.
bool AddPicture(HIMAGELIST list, const std::string& resource, int size)
{
    const HRSRC found = ::FindResourceA(nullptr, resource.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (found == nullptr || ::SizeofResource(nullptr, found) != DWORD(size * size * 4))
        return false;
    const void* pixels = ::LockResource(::LoadResource(nullptr, found));
    if (pixels == nullptr)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // rows from the top, as the build writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return false;
    std::memcpy(bits, pixels, std::size_t(size) * std::size_t(size) * 4);
    const bool added = ::ImageList_Add(list, bitmap, nullptr) >= 0;
    ::DeleteObject(bitmap);
    return added;
}

} // namespace

std::string ImageResourceName(std::string_view file, int size, bool disabled)
{
    std::string name = "IMG_";
    for (char c : file)
        name += c == '-' ? '_' : char(std::toupper(static_cast<unsigned char>(c)));
    name += '_' + std::to_string(size);
    if (disabled)
        name += "_D";
    return name;
}

int RenderedSize(int wanted, const int (&sizes)[kRenderedSizeCount])
{
    int size = sizes[0];
    for (int candidate : sizes)
        if (candidate <= wanted)
            size = candidate;
    return size;
}

UniqueImageList ImageList(int size, bool disabled)
{
    UniqueImageList list(::ImageList_Create(size, size, ILC_COLOR32, kImageListSize, 0));
    if (list == nullptr)
        return list;
    for (std::string_view file : kImageList)
        AddPicture(list.get(), ImageResourceName(file, size, disabled), size);
    return list;
}

UniqueIcon NamedIcon(std::string_view name, int size)
{
    const std::optional<std::string_view> file = PictureFile(name);
    if (!file)
        return nullptr;
    UniqueImageList one(::ImageList_Create(size, size, ILC_COLOR32, 1, 0));
    if (one == nullptr || !AddPicture(one.get(), ImageResourceName(*file, size), size))
        return nullptr;
    return UniqueIcon(::ImageList_GetIcon(one.get(), 0, ILD_NORMAL));
}

} // namespace kovrin::win32
