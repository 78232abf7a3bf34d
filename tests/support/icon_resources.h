// The module's icon resources as the file says them: group directories and the images they name,
// read from the loaded module without the system's choice of size or depth in between.
#pragma once
#include <windows.h>

namespace tftest {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
    GroupIconEntry entries[1];  // count entries
};
#pragma pack(pop)

constexpr WORD kSwissGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS);

// A resource of the loaded module, and its size in bytes; nullptr when there is none.
const void* ModuleResource(const wchar_t* type, const wchar_t* name, WORD language, DWORD* size = nullptr);

// The image of an icon group (language 2055) with this side and depth, nullptr when the group has
// none; *bytes gets its size.
const BITMAPINFOHEADER* IconGroupImage(WORD group, int size, int bits, DWORD* bytes = nullptr);

// The pixels of an icon image as the resource holds them: a bottom-up DIB (a colour table for
// 4 bits), then the AND mask, one bit a pixel, rows padded to 32 bits. Coordinates are top-down.
class IconPixels {
public:
    explicit IconPixels(const BITMAPINFOHEADER* image);
    // Header, colour table, pixels and mask together.
    DWORD bytes() const;
    bool Masked(int x, int y) const;
    // BGRA of a 32-bit image.
    DWORD Colour(int x, int y) const;
    int Alpha(int x, int y) const { return static_cast<int>(Colour(x, y) >> 24); }

private:
    const BYTE* Row(const BYTE* start, DWORD stride, int y) const;
    int size_;
    int bits_;
    DWORD header_;
    DWORD table_;
    const BYTE* colours_;
    const BYTE* mask_;
};

}  // namespace tftest
