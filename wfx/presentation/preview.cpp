// Preview bitmaps: series entries and plain files hand the host a local path to make the
// preview from itself; the root and the drive entries get the module's own bitmap, if any.
#include <cstring>
#include <string_view>

#include "host/exports.h"
#include "host/state.h"
#include "host/text.h"
#include "listing/range_name.h"
#include "presentation/presentation.h"

namespace tf {

namespace {

constexpr int kExtractYourselfCached = FS_BITMAP_EXTRACT_YOURSELF | FS_BITMAP_CACHE;
constexpr int kDriveEntryChars = 4;

bool IsNtFamily() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    static_assert(sizeof(OSVERSIONINFOA) == 148);
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int NarrowPreview(char* remoteName, int width, int height, HBITMAP* place) {
    if (remoteName == nullptr) return FS_BITMAP_NONE;
    const size_t length = std::strlen(remoteName);
    if (length > kDriveEntryChars) {
        // The local path is the plugin path without its backslash, terminator included.
        std::memmove(remoteName, remoteName + 1, length);
        return kExtractYourselfCached;
    }
    if (std::strcmp(remoteName, "\\..\\") == 0) return FS_BITMAP_NONE;
    return RootPreview(g_state.moduleInstance, width, height, place);
}

}  // namespace

PreviewSize FitPreview(int bitmapWidth, int bitmapHeight, int wantedWidth, int wantedHeight) {
    if ((bitmapWidth < wantedWidth && bitmapHeight < wantedHeight) || bitmapWidth < 1 || bitmapHeight < 1) {
        return {false, bitmapWidth, bitmapHeight};
    }
    // Fill the wanted width first; only a picture that then comes out too tall fills the height.
    int height = MulDiv(wantedWidth, bitmapHeight, bitmapWidth);
    int width = wantedWidth;
    // MulDiv answers -1 when the exact height overflows 32 bits: too tall as well.
    if (height > wantedHeight || height < 0) {
        width = MulDiv(wantedHeight, bitmapWidth, bitmapHeight);
        if (width < 1) width = 1;
        height = wantedHeight;
    } else if (height < 1) {
        height = 1;
    }
    return {true, width, height};
}

int PreviewFromBitmap(HBITMAP loaded, int wantedWidth, int wantedHeight, bool ntFamily, HBITMAP* place) {
    BITMAP info{};
    if (GetObjectA(loaded, sizeof info, &info) == 0) {
        DeleteObject(loaded);
        return FS_BITMAP_NONE;
    }
    const PreviewSize size = FitPreview(info.bmWidth, info.bmHeight, wantedWidth, wantedHeight);
    if (!size.scaled) {
        *place = loaded;
        return FS_BITMAP_EXTRACTED;
    }

    const HWND desktop = GetDesktopWindow();
    const HDC screen = GetDC(desktop);  // NULL on failure
    HDC source = nullptr;
    HDC target = nullptr;
    HBITMAP scaled = nullptr;
    if (screen != nullptr) {
        source = CreateCompatibleDC(screen);
        target = CreateCompatibleDC(screen);
        scaled = CreateCompatibleBitmap(screen, size.width, size.height);
        ReleaseDC(desktop, screen);
    }
    int answer = FS_BITMAP_NONE;
    if (source != nullptr && target != nullptr && scaled != nullptr) {
        const HGDIOBJ keptSource = SelectObject(source, loaded);
        const HGDIOBJ keptTarget = SelectObject(target, scaled);
        if (ntFamily) {
            SetStretchBltMode(target, HALFTONE);
            // HALFTONE needs the brush origin reset after the mode is set.
            SetBrushOrgEx(target, 0, 0, nullptr);
        } else {
            SetStretchBltMode(target, COLORONCOLOR);
        }
        const BOOL drawn = StretchBlt(target, 0, 0, size.width, size.height, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(source, keptSource);
        SelectObject(target, keptTarget);
        if (drawn) {
            *place = scaled;
            scaled = nullptr;
            answer = FS_BITMAP_EXTRACTED;
        }
    }
    if (scaled != nullptr) DeleteObject(scaled);
    if (target != nullptr) DeleteDC(target);
    if (source != nullptr) DeleteDC(source);
    DeleteObject(loaded);
    return answer;
}

int RootPreview(HINSTANCE module, int wantedWidth, int wantedHeight, HBITMAP* place) {
    // A box without area has no preview to fit into it.
    if (place == nullptr || wantedWidth < 1 || wantedHeight < 1) return FS_BITMAP_NONE;
    const bool ntFamily = IsNtFamily();
    const HBITMAP loaded = LoadBitmapA(module, kRootPreviewBitmap);  // NULL when absent
    if (loaded == nullptr) return FS_BITMAP_NONE;
    return PreviewFromBitmap(loaded, wantedWidth, wantedHeight, ntFamily, place);
}

}  // namespace tf

int WINAPI FsGetPreviewBitmapW(WCHAR* remoteName, int width, int height, HBITMAP* bitmap) noexcept {
    using namespace tf;
    if (remoteName == nullptr) return FS_BITMAP_NONE;
    const int length = WideLength(remoteName);
    RangeSpec range;
    if (ParseRangeName(remoteName, range)) {
        WCHAR member[kMemberNameBuffer];
        if (!BuildMemberName(member, kMemberNameBuffer, remoteName, range.first, range.width)) return FS_BITMAP_NONE;
        // A member name is at least two characters shorter than its range name, so its local
        // path always fits where the range name was.
        CopyBounded(remoteName, member + 1, length + 1);
        return kExtractYourselfCached;
    }
    if (length > kDriveEntryChars) {
        std::memmove(remoteName, remoteName + 1, length * sizeof(WCHAR));
        return kExtractYourselfCached;
    }
    if (std::wstring_view(remoteName) == L"\\..\\") return FS_BITMAP_NONE;
    char root[] = "\\";
    return NarrowPreview(root, width, height, bitmap);
}

int WINAPI FsGetPreviewBitmap(char* remoteName, int width, int height, HBITMAP* bitmap) noexcept {
    return tf::NarrowPreview(remoteName, width, height, bitmap);
}
