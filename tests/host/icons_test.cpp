// Custom icons and preview bitmaps through the module's exports.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "support/icon_resources.h"
#include "support/support.h"

using namespace tftest;

namespace {

using IconWFn = int(WINAPI*)(WCHAR*, int, HICON*);
using IconAFn = int(WINAPI*)(char*, int, HICON*);
using PreviewWFn = int(WINAPI*)(WCHAR*, int, int, HBITMAP*);
using PreviewAFn = int(WINAPI*)(char*, int, int, HBITMAP*);

constexpr int kSmall = 1;
constexpr int kBackground = 2;
constexpr int kUseDefault = 0, kExtracted = 1, kExtractedDestroy = 2, kDelayed = 3;
constexpr int kExtractYourselfCached = 258;

IconWFn IconW() { return Module::Get().Fn<IconWFn>("FsExtractCustomIconW"); }
IconAFn IconA() { return Module::Get().Fn<IconAFn>("FsExtractCustomIcon"); }
PreviewWFn PreviewW() { return Module::Get().Fn<PreviewWFn>("FsGetPreviewBitmapW"); }
PreviewAFn PreviewA() { return Module::Get().Fn<PreviewAFn>("FsGetPreviewBitmap"); }

// The host's remote-name buffer: MAX_PATH characters, like the file manager's.
struct WideName {
    WCHAR text[MAX_PATH];
    explicit WideName(const std::wstring& name) {
        std::fill(std::begin(text), std::end(text), L'#');
        std::memcpy(text, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    }
    std::wstring str() const { return text; }
};

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {0, 0};
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    SIZE size{mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

struct ReleaseDC_ {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
std::unique_ptr<std::remove_pointer_t<HDC>, ReleaseDC_> ScreenDC() { return {GetDC(nullptr), {}}; }

// The colour image of an icon, BGRA rows from the top, as the system holds it.
std::vector<DWORD> IconColours(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    std::vector<DWORD> pixels;
    BITMAP colour{};
    if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof colour, &colour)) {
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = colour.bmWidth;
        format.bmiHeader.biHeight = -colour.bmHeight;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        pixels.resize(static_cast<size_t>(colour.bmWidth) * static_cast<size_t>(colour.bmHeight));
        if (!GetDIBits(ScreenDC().get(), info.hbmColor, 0, static_cast<UINT>(colour.bmHeight), pixels.data(), &format,
                       DIB_RGB_COLORS)) {
            pixels.clear();
        }
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

// A program that carries icons: a copy of the plugin module itself, whose first icon is the
// computer of icon group 101.
bool MakeProgramWithIcon(const std::wstring& path) { return CopyFileW(TF_MODULE_PATH, path.c_str(), FALSE) != FALSE; }

}  // namespace

TEST(Icons, DriveEntriesGetTheSharedDriveIconUnderOneCacheName) {
    for (const wchar_t* entry : {L"\\C:\\", L"\\Z:\\", L"\\"}) {
        SCOPED_TRACE(Narrow(entry));
        WideName name(entry);
        HICON small = nullptr;
        EXPECT_EQ(IconW()(name.text, kSmall, &small), kExtracted);
        EXPECT_EQ(name.str(), L"ICON2");
        ASSERT_NE(small, nullptr);
        const SIZE s = IconSize(small);
        EXPECT_EQ(s.cx, 16);
        EXPECT_EQ(s.cy, 16);
        WideName again(entry);
        HICON second = nullptr;
        EXPECT_EQ(IconW()(again.text, kSmall | kBackground, &second), kExtracted);
        EXPECT_EQ(second, small) << "a shared icon: one handle for every call";

        WideName large(entry);
        HICON big = nullptr;
        EXPECT_EQ(IconW()(large.text, 0, &big), kExtracted);
        EXPECT_EQ(large.str(), L"ICON2");
        ASSERT_NE(big, nullptr);
        WideName largeAgain(entry);
        HICON bigAgain = nullptr;
        EXPECT_EQ(IconW()(largeAgain.text, 0, &bigAgain), kExtracted);
        EXPECT_EQ(bigAgain, big) << "the large form is shared as well";
    }
}

// Regression: the large form was the one 16 x 16 drawing stretched. Each form is now the
// true-colour image drawn for the system's size of that form, pixel for pixel.
TEST(Icons, DriveIconIsTheImageDrawnForEachSize) {
    ASSERT_GT(GetDeviceCaps(ScreenDC().get(), BITSPIXEL), 8) << "a true-colour screen chooses the images with alpha";
    for (const auto& [flags, metric] : {std::pair(kSmall, SM_CXSMICON), std::pair(0, SM_CXICON)}) {
        const int size = GetSystemMetrics(metric);
        SCOPED_TRACE(size);
        WideName name(L"\\C:\\");
        HICON icon = nullptr;
        ASSERT_EQ(IconW()(name.text, flags, &icon), kExtracted);
        EXPECT_EQ(IconSize(icon).cx, size);
        EXPECT_EQ(IconSize(icon).cy, size);
        DWORD bytes = 0;
        const BITMAPINFOHEADER* image = IconGroupImage(102, size, 32, &bytes);
        ASSERT_NE(image, nullptr) << "the drive icon has a drawing for the system's size";
        HICON drawn = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<BITMAPINFOHEADER*>(image)), bytes,
                                               TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(drawn, nullptr);
        const std::vector<DWORD> pixels = IconColours(icon);
        EXPECT_EQ(pixels.size(), static_cast<size_t>(size * size));
        EXPECT_TRUE(pixels == IconColours(drawn)) << "the icon handed out is not the drawing of its size";
        DestroyIcon(drawn);
    }
}

TEST(Icons, TheNarrowEntryWritesTheCacheNameBack) {
    char name[MAX_PATH];
    std::fill(std::begin(name), std::end(name), '#');
    std::strcpy(name, "\\C:\\");
    HICON icon = nullptr;
    EXPECT_EQ(IconA()(name, kSmall, &icon), kExtracted);
    EXPECT_STREQ(name, "ICON2");
    EXPECT_EQ(name[259], 0) << "the last byte of the host's buffer ends it";
    EXPECT_NE(icon, nullptr);

    // Any other answer leaves the host's narrow name as it was.
    std::strcpy(name, "\\C:\\Tools\\app.exe");
    EXPECT_EQ(IconA()(name, kSmall, &icon), kDelayed);
    EXPECT_STREQ(name, "\\C:\\Tools\\app.exe");
    std::strcpy(name, "\\..\\");
    EXPECT_EQ(IconA()(name, kSmall, &icon), kUseDefault);
    EXPECT_STREQ(name, "\\..\\");

    // Too long for the wide twin: the default icon, nothing changed.
    std::string tooLong = "\\C:\\" + std::string(1100, 'a') + ".exe";
    HICON untouched = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(IconA()(tooLong.data(), kSmall | kBackground, &untouched), kUseDefault);
    EXPECT_EQ(untouched, reinterpret_cast<HICON>(static_cast<INT_PTR>(0x1234)));
}

TEST(Icons, FoldersAndPlainFilesGetTheDefaultIcon) {
    TempDir dir;
    ASSERT_TRUE(MakeProgramWithIcon(dir / L"app.exe.txt"));
    ASSERT_TRUE(MakeProgramWithIcon(dir / L"readme"));
    for (const std::wstring& entry : {std::wstring(L"\\..\\"), std::wstring(L"\\C:\\Tools\\"), dir.Plugin() + L"\\",
                                      dir.Plugin(L"app.exe.txt"), dir.Plugin(L"readme"), std::wstring(L"")}) {
        SCOPED_TRACE(Narrow(entry));
        WideName name(entry);
        HICON icon = nullptr;
        EXPECT_EQ(IconW()(name.text, kSmall | kBackground, &icon), kUseDefault);
        EXPECT_EQ(name.str(), entry);
        EXPECT_EQ(icon, nullptr);
    }
    WideName name(L"\\C:\\");
    EXPECT_EQ(IconW()(name.text, kSmall, nullptr), kUseDefault) << "no place for the icon";
    EXPECT_EQ(name.str(), L"\\C:\\");
    EXPECT_EQ(IconW()(nullptr, kSmall, nullptr), kUseDefault);
}

TEST(Icons, ProgramsAreReadOnlyInTheBackground) {
    TempDir dir;
    const std::wstring program = dir / L"app.EXE";
    ASSERT_TRUE(MakeProgramWithIcon(program));
    // Held with share mode 0: any attempt to read the program would fail.
    HANDLE held = CreateFileW(program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    WideName name(dir.Plugin(L"app.EXE"));
    HICON icon = nullptr;
    EXPECT_EQ(IconW()(name.text, kSmall, &icon), kDelayed);
    EXPECT_EQ(IconW()(name.text, 0, &icon), kDelayed);
    EXPECT_EQ(icon, nullptr);
    WideName missing(dir.Plugin(L"gone.exe"));
    EXPECT_EQ(IconW()(missing.text, kSmall, &icon), kDelayed) << "answered before the file is looked at";
    EXPECT_EQ(IconW()(name.text, kSmall | kBackground, &icon), kUseDefault) << "the program cannot be read";
    CloseHandle(held);

    EXPECT_EQ(IconW()(name.text, kSmall | kBackground, &icon), kExtractedDestroy);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(IconSize(icon).cx, GetSystemMetrics(SM_CXSMICON));
    DestroyIcon(icon);
    icon = nullptr;
    EXPECT_EQ(IconW()(name.text, kBackground, &icon), kExtractedDestroy);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(IconSize(icon).cx, GetSystemMetrics(SM_CXICON));
    DestroyIcon(icon);
    EXPECT_EQ(name.str(), dir.Plugin(L"app.EXE"));

    ASSERT_TRUE(WriteBytes(dir / L"plain.exe", "not a program"));
    WideName plain(dir.Plugin(L"plain.exe"));
    icon = nullptr;
    EXPECT_EQ(IconW()(plain.text, kSmall | kBackground, &icon), kUseDefault);
    EXPECT_EQ(IconW()(missing.text, kSmall | kBackground, &icon), kUseDefault);
}

TEST(Icons, SeriesOfProgramsShowsItsFirstMembersIcon) {
    TempDir dir;
    ASSERT_TRUE(MakeProgramWithIcon(dir / L"setup01.exe"));
    ASSERT_TRUE(WriteBytes(dir / L"setup02.exe", "no icon here"));
    ASSERT_TRUE(WriteBytes(dir / L"tool1.exe", "no icon here"));
    ASSERT_TRUE(MakeProgramWithIcon(dir / L"tool2.exe"));
    WideName series(dir.Plugin(L"setup<01-02>.exe"));
    HICON icon = nullptr;
    EXPECT_EQ(IconW()(series.text, kSmall, &icon), kDelayed);
    EXPECT_EQ(IconW()(series.text, kSmall | kBackground, &icon), kExtractedDestroy);
    EXPECT_EQ(series.str(), dir.Plugin(L"setup<01-02>.exe")) << "the host's name stays the range name";
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);
    // The first member alone decides: its lack of an icon is the series' lack of one.
    WideName tools(dir.Plugin(L"tool<1-2>.exe"));
    icon = nullptr;
    EXPECT_EQ(IconW()(tools.text, kSmall | kBackground, &icon), kUseDefault);
    // The narrow entry answers the same and writes nothing back.
    std::string narrow = Narrow(dir.Plugin(L"setup<01-02>.exe"));
    const std::string before = narrow;
    EXPECT_EQ(IconA()(narrow.data(), kBackground, &icon), kExtractedDestroy);
    EXPECT_EQ(narrow, before);
    DestroyIcon(icon);
}

TEST(Previews, SeriesAndPlainFilesHandTheHostALocalPath) {
    WideName series(L"\\C:\\Pictures\\img<0001-100>.png");
    HBITMAP bitmap = nullptr;
    EXPECT_EQ(PreviewW()(series.text, 96, 96, &bitmap), kExtractYourselfCached);
    EXPECT_EQ(series.str(), L"C:\\Pictures\\img0001.png");
    WideName plain(L"\\C:\\Pictures\\photo.png");
    EXPECT_EQ(PreviewW()(plain.text, 96, 96, &bitmap), kExtractYourselfCached);
    EXPECT_EQ(plain.str(), L"C:\\Pictures\\photo.png");
    WideName shortest(L"\\C:\\a");
    EXPECT_EQ(PreviewW()(shortest.text, 96, 96, &bitmap), kExtractYourselfCached);
    EXPECT_EQ(shortest.str(), L"C:\\a");
    EXPECT_EQ(shortest.text[6], L'#') << "written only where the name was";

    char narrow[MAX_PATH] = "\\C:\\Pictures\\photo.png";
    EXPECT_EQ(PreviewA()(narrow, 96, 96, &bitmap), kExtractYourselfCached);
    EXPECT_STREQ(narrow, "C:\\Pictures\\photo.png");
    EXPECT_EQ(bitmap, nullptr);
}

TEST(Previews, FirstMembersPathFitsWhereTheRangeNameWas) {
    // The host's buffer is exactly as long as the name: the member's local path must fit in it.
    for (const std::wstring& name : {std::wstring(L"\\C:\\p\\a<1-9>"), std::wstring(L"\\C:\\p\\a<>"),
                                     std::wstring(L"\\C:\\p\\a<-7>.png"), std::wstring(L"\\C:\\p\\a<99999999999999>")}) {
        std::wstring buffer = name + L'#';
        buffer[name.size()] = 0;
        buffer.push_back(L'#');
        HBITMAP bitmap = nullptr;
        EXPECT_EQ(PreviewW()(buffer.data(), 32, 32, &bitmap), kExtractYourselfCached) << Narrow(name);
        EXPECT_EQ(buffer.back(), L'#') << Narrow(name);
    }
    std::wstring buffer = L"\\C:\\p\\a<1-9>";
    HBITMAP bitmap = nullptr;
    PreviewW()(buffer.data(), 32, 32, &bitmap);
    EXPECT_STREQ(buffer.c_str(), L"C:\\p\\a1");
}

TEST(Previews, RootAndDriveEntriesHaveNoneInTheDeliveredModule) {
    HBITMAP sentinel = reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(0x4321));
    for (const wchar_t* entry : {L"\\C:\\", L"\\", L"\\..\\"}) {
        WideName name(entry);
        HBITMAP bitmap = sentinel;
        EXPECT_EQ(PreviewW()(name.text, 64, 64, &bitmap), 0) << Narrow(entry);
        EXPECT_EQ(name.str(), entry);
        EXPECT_EQ(bitmap, sentinel);
    }
    char narrow[MAX_PATH] = "\\C:\\";
    HBITMAP bitmap = sentinel;
    EXPECT_EQ(PreviewA()(narrow, 64, 64, &bitmap), 0);
    EXPECT_STREQ(narrow, "\\C:\\");
    EXPECT_EQ(PreviewW()(nullptr, 64, 64, &bitmap), 0);
    EXPECT_EQ(PreviewA()(nullptr, 64, 64, &bitmap), 0);
}
