// The root preview's fit and scaling, on bitmaps made here: the delivered module carries no
// "BITMAP1", so these paths are reached only through the plain functions.
#include <gtest/gtest.h>

#include <climits>

#include "host/exports.h"
#include "host/state.h"
#include "presentation/presentation.h"
#include "support/support.h"

namespace {

using tf::FitPreview;
using tf::PreviewSize;

void ExpectFit(int bw, int bh, int ww, int wh, bool scaled, int w, int h) {
    const PreviewSize s = FitPreview(bw, bh, ww, wh);
    EXPECT_EQ(s.scaled, scaled) << bw << "x" << bh << " into " << ww << "x" << wh;
    EXPECT_EQ(s.width, w) << bw << "x" << bh << " into " << ww << "x" << wh;
    EXPECT_EQ(s.height, h) << bw << "x" << bh << " into " << ww << "x" << wh;
}

// A bitmap of the screen's format: the left half red, the right half blue.
HBITMAP MakeHalves(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ kept = SelectObject(dc, bitmap);
    RECT left{0, 0, width / 2, height}, right{width / 2, 0, width, height};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    SelectObject(dc, kept);
    DeleteObject(red);
    DeleteObject(blue);
    DeleteDC(dc);
    return bitmap;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) == 0) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

COLORREF Pixel(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ kept = SelectObject(dc, bitmap);
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, kept);
    DeleteDC(dc);
    return colour;
}

}  // namespace

TEST(PreviewFit, WorkedSizes) {
    ExpectFit(64, 32, 48, 48, true, 48, 24);
    ExpectFit(64, 32, 100, 100, false, 64, 32);
    ExpectFit(64, 32, 16, 200, true, 16, 8);
    // Too tall when filling the width: the height is filled instead.
    ExpectFit(32, 64, 48, 48, true, 24, 48);
    ExpectFit(64, 32, 100, 20, true, 40, 20);
    // Not smaller in both directions: fitted, never beyond the bitmap's own size.
    ExpectFit(64, 32, 200, 32, true, 64, 32);
    ExpectFit(64, 32, 64, 100, true, 64, 32);
    ExpectFit(64, 32, 100, 32, true, 64, 32);
}

TEST(PreviewFit, NoSideEverZero) {
    ExpectFit(1000, 1, 10, 10, true, 10, 1);
    ExpectFit(1, 1000, 10, 10, true, 1, 10);
    ExpectFit(64, 32, 1, 1, true, 1, 1);
    ExpectFit(0, 32, 10, 10, false, 0, 32);
    ExpectFit(64, -3, 10, 10, false, 64, -3);
}

TEST(PreviewFit, HugeBoxDoesNotOverflow) {
    // The height for the full width does not fit 32 bits (MulDiv answers -1): fill the height.
    ExpectFit(2, 2000, INT_MAX, 1000, true, 1, 1000);
    ExpectFit(64, 2, INT_MAX, INT_MAX, false, 64, 2);
}

TEST(PreviewBitmap, ScalesToTheFittedSizeKeepingThePicture) {
    for (bool nt : {true, false}) {
        SCOPED_TRACE(nt ? "HALFTONE" : "COLORONCOLOR");
        HBITMAP place = nullptr;
        ASSERT_EQ(tf::PreviewFromBitmap(MakeHalves(64, 32), 48, 48, nt, &place), tf::FS_BITMAP_EXTRACTED);
        ASSERT_NE(place, nullptr);
        SIZE s = BitmapSize(place);
        EXPECT_EQ(s.cx, 48);
        EXPECT_EQ(s.cy, 24);
        EXPECT_EQ(Pixel(place, 2, 12), RGB(255, 0, 0));
        EXPECT_EQ(Pixel(place, 45, 12), RGB(0, 0, 255));
        DeleteObject(place);

        place = nullptr;
        ASSERT_EQ(tf::PreviewFromBitmap(MakeHalves(64, 32), 16, 200, nt, &place), tf::FS_BITMAP_EXTRACTED);
        s = BitmapSize(place);
        EXPECT_EQ(s.cx, 16);
        EXPECT_EQ(s.cy, 8);
        DeleteObject(place);
    }
}

TEST(PreviewBitmap, SmallerThanTheBoxIsHandedOverItself) {
    HBITMAP loaded = MakeHalves(64, 32);
    HBITMAP place = nullptr;
    ASSERT_EQ(tf::PreviewFromBitmap(loaded, 100, 100, true, &place), tf::FS_BITMAP_EXTRACTED);
    EXPECT_EQ(place, loaded);
    DeleteObject(place);
}

TEST(PreviewBitmap, NotABitmapGivesNoPreview) {
    HBITMAP place = nullptr;
    EXPECT_EQ(tf::PreviewFromBitmap(nullptr, 48, 48, true, &place), tf::FS_BITMAP_NONE);
    EXPECT_EQ(place, nullptr);
}

TEST(PreviewBitmap, RootPreviewWithoutBitmapResourceOrWithAnEmptyBox) {
    HBITMAP place = nullptr;
    EXPECT_EQ(tf::RootPreview(GetModuleHandleW(L"kernel32.dll"), 48, 48, &place), tf::FS_BITMAP_NONE);
    // This program carries a "BITMAP1", but there is nothing to fit it into.
    for (int width : {0, -5, 48}) {
        EXPECT_EQ(tf::RootPreview(GetModuleHandleW(nullptr), width, width == 48 ? 0 : 48, &place), tf::FS_BITMAP_NONE);
    }
    EXPECT_EQ(tf::RootPreview(GetModuleHandleW(nullptr), 48, 48, nullptr), tf::FS_BITMAP_NONE);
    EXPECT_EQ(place, nullptr);
}

// The root preview end to end, with this test program standing in for a module that carries a
// 64 x 32 "BITMAP1" (tests/unit/root_preview.rc).
TEST(RootPreview, FitsTheModulesBitmapIntoTheWantedBox) {
    const HINSTANCE kept = tf::g_state.moduleInstance;
    tf::g_state.moduleInstance = GetModuleHandleW(nullptr);
    const struct {
        int boxWidth, boxHeight, width, height;
    } cases[] = {{48, 48, 48, 24}, {100, 100, 64, 32}, {16, 200, 16, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.boxWidth << "x" << c.boxHeight);
        for (bool narrow : {false, true}) {
            HBITMAP bitmap = nullptr;
            WCHAR wide[MAX_PATH] = L"\\C:\\";
            char name[MAX_PATH] = "\\C:\\";
            const int answer = narrow ? FsGetPreviewBitmap(name, c.boxWidth, c.boxHeight, &bitmap)
                                      : FsGetPreviewBitmapW(wide, c.boxWidth, c.boxHeight, &bitmap);
            ASSERT_EQ(answer, tf::FS_BITMAP_EXTRACTED);
            const SIZE s = BitmapSize(bitmap);
            EXPECT_EQ(s.cx, c.width);
            EXPECT_EQ(s.cy, c.height);
            EXPECT_EQ(Pixel(bitmap, 1, s.cy / 2), RGB(0, 0, 0));
            EXPECT_EQ(Pixel(bitmap, s.cx - 2, s.cy / 2), RGB(255, 255, 255));
            EXPECT_STREQ(name, "\\C:\\");
            EXPECT_STREQ(wide, L"\\C:\\");
            DeleteObject(bitmap);
        }
    }
    HBITMAP bitmap = nullptr;
    WCHAR parent[MAX_PATH] = L"\\..\\";
    EXPECT_EQ(FsGetPreviewBitmapW(parent, 48, 48, &bitmap), tf::FS_BITMAP_NONE);
    tf::g_state.moduleInstance = kept;
}

// On the NT family the preview is stretched with HALFTONE, which averages the pixels it drops;
// COLORONCOLOR keeps whole pixels. Columns of one pixel, black and white, halved, show which.
TEST(PreviewBitmap, HalftoneAveragesWhereColorOnColorDropsPixels) {
    auto stripes = [] {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 32);
        HDC dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        HGDIOBJ kept = SelectObject(dc, bitmap);
        for (int x = 0; x < 64; ++x) {
            for (int y = 0; y < 32; ++y) SetPixel(dc, x, y, x % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        }
        SelectObject(dc, kept);
        DeleteDC(dc);
        return bitmap;
    };
    HBITMAP dropped = nullptr;
    ASSERT_EQ(tf::PreviewFromBitmap(stripes(), 32, 32, false, &dropped), tf::FS_BITMAP_EXTRACTED);
    const COLORREF kept = Pixel(dropped, 10, 8);
    EXPECT_TRUE(kept == RGB(0, 0, 0) || kept == RGB(255, 255, 255)) << std::hex << kept;
    DeleteObject(dropped);

    HBITMAP averaged = nullptr;
    ASSERT_EQ(tf::PreviewFromBitmap(stripes(), 32, 32, true, &averaged), tf::FS_BITMAP_EXTRACTED);
    const COLORREF grey = Pixel(averaged, 10, 8);
    DeleteObject(averaged);
    if (tftest::UnderWine() && (grey == RGB(0, 0, 0) || grey == RGB(255, 255, 255))) {
        GTEST_SKIP() << "Wine stretches HALFTONE like COLORONCOLOR";
    }
    EXPECT_GT(GetRValue(grey), 32);
    EXPECT_LT(GetRValue(grey), 224);
}
