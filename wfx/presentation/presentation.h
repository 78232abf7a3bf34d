// Icons and preview bitmaps: the host's answer codes and the plain functions behind the exports.
#pragma once
#include <windows.h>

namespace tf {

constexpr int FS_ICON_USEDEFAULT = 0;
constexpr int FS_ICON_EXTRACTED = 1;          // a shared icon: the host must not destroy it
constexpr int FS_ICON_EXTRACTED_DESTROY = 2;  // extracted for this call: the host destroys it
constexpr int FS_ICON_DELAYED = 3;            // ask again with FS_ICONFLAG_BACKGROUND
constexpr int FS_ICONFLAG_SMALL = 1;
constexpr int FS_ICONFLAG_BACKGROUND = 2;

constexpr int FS_BITMAP_NONE = 0;
constexpr int FS_BITMAP_EXTRACTED = 1;
constexpr int FS_BITMAP_EXTRACT_YOURSELF = 2;
constexpr int FS_BITMAP_CACHE = 256;

// Resources of the module: the computer (the module's first icon) and the drive icon.
constexpr int kComputerIconId = 101;
constexpr int kDriveIconId = 102;
constexpr int kSmallIconPixels = 16;
constexpr char kRootPreviewBitmap[] = "BITMAP1";

// FsExtractCustomIconW's answer for a wide remote name.
int CustomIcon(WCHAR* remoteName, int flags, HICON* icon);

// Size of a preview inside a wanted box: a bitmap smaller than the box in both directions (or
// with an empty side) is handed over as it is; any other one is fitted to the box keeping its
// aspect ratio, neither side below 1.
struct PreviewSize {
    bool scaled;
    int width;
    int height;
};
PreviewSize FitPreview(int bitmapWidth, int bitmapHeight, int wantedWidth, int wantedHeight);

// Turns a loaded bitmap into the preview for a wanted box and stores it in *place; the loaded
// bitmap is used up (handed over or deleted) either way. ntFamily chooses HALFTONE stretching,
// otherwise COLORONCOLOR. Returns FS_BITMAP_EXTRACTED or FS_BITMAP_NONE.
int PreviewFromBitmap(HBITMAP loaded, int wantedWidth, int wantedHeight, bool ntFamily, HBITMAP* place);

// The preview of the root and the drive entries, from the module's "BITMAP1" resource.
int RootPreview(HINSTANCE module, int wantedWidth, int wantedHeight, HBITMAP* place);

}  // namespace tf
