#include "support/icon_resources.h"

#include <cstring>

#include "support/support.h"

namespace tftest {

namespace {

constexpr DWORD kFourBitTable = 16 * sizeof(RGBQUAD);

DWORD Stride(int rowBits) { return static_cast<DWORD>((rowBits + 31) / 32 * 4); }

}  // namespace

const void* ModuleResource(const wchar_t* type, const wchar_t* name, WORD language, DWORD* size) {
    HMODULE module = Module::Get().handle();
    HRSRC found = FindResourceExW(module, type, name, language);
    if (found == nullptr) return nullptr;
    if (size) *size = SizeofResource(module, found);
    return LockResource(LoadResource(module, found));
}

const BITMAPINFOHEADER* IconGroupImage(WORD group, int size, int bits, DWORD* bytes) {
    const auto* header = static_cast<const GroupIconHeader*>(ModuleResource(RT_GROUP_ICON, MAKEINTRESOURCEW(group), kSwissGerman));
    if (header == nullptr) return nullptr;
    const GroupIconEntry* entries = header->entries;
    for (int i = 0; i < header->count; ++i) {
        if (entries[i].width == size && entries[i].bitCount == bits) {
            return static_cast<const BITMAPINFOHEADER*>(ModuleResource(RT_ICON, MAKEINTRESOURCEW(entries[i].id), kSwissGerman, bytes));
        }
    }
    return nullptr;
}

IconPixels::IconPixels(const BITMAPINFOHEADER* image)
    : size_(image->biWidth), bits_(image->biBitCount), header_(image->biSize), table_(bits_ == 4 ? kFourBitTable : 0),
      colours_(reinterpret_cast<const BYTE*>(image) + header_ + table_),
      mask_(colours_ + Stride(size_ * bits_) * static_cast<DWORD>(size_)) {}

DWORD IconPixels::bytes() const { return header_ + table_ + (Stride(size_ * bits_) + Stride(size_)) * static_cast<DWORD>(size_); }

bool IconPixels::Masked(int x, int y) const { return (Row(mask_, Stride(size_), y)[x / 8] >> (7 - x % 8)) & 1; }

DWORD IconPixels::Colour(int x, int y) const {
    DWORD value;
    std::memcpy(&value, Row(colours_, Stride(size_ * bits_), y) + 4 * x, sizeof value);
    return value;
}

const BYTE* IconPixels::Row(const BYTE* start, DWORD stride, int y) const {
    return start + stride * static_cast<DWORD>(size_ - 1 - y);
}

}  // namespace tftest
