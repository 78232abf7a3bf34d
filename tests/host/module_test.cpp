// The finished module as the file manager sees it: its export table, icons, manifest and
// version information, read from the loaded image itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "support/icon_resources.h"
#include "support/launch.h"
#include "support/support.h"
#include "tallyfold_version.h"

#include <shellapi.h>

using namespace tftest;

namespace {

// The 41 names of the host's file-system plugin interface, no more, no fewer, undecorated.
const std::set<std::string> kInterfaceExports = {
    "FsInit", "FsInitW", "FsFindFirst", "FsFindFirstW", "FsFindNext", "FsFindNextW", "FsFindClose",
    "FsMkDir", "FsMkDirW", "FsRemoveDir", "FsRemoveDirW", "FsDeleteFile", "FsDeleteFileW",
    "FsRenMovFile", "FsRenMovFileW", "FsGetFile", "FsGetFileW", "FsPutFile", "FsPutFileW",
    "FsSetAttr", "FsSetAttrW", "FsSetTime", "FsSetTimeW", "FsExecuteFile", "FsExecuteFileW",
    "FsExtractCustomIcon", "FsExtractCustomIconW", "FsGetPreviewBitmap", "FsGetPreviewBitmapW",
    "FsGetLocalName", "FsGetLocalNameW", "FsContentGetValue", "FsContentGetValueW",
    "FsContentGetSupportedField", "FsContentGetSupportedFieldFlags", "FsContentGetDefaultSortOrder",
    "FsGetDefRootName", "FsSetDefaultParams", "FsLinksToLocalFiles", "FsStatusInfo",
    "FsContentPluginUnloading",
};

// Names in the export directory of a loaded image.
std::set<std::string> ExportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (entry.VirtualAddress == 0) return names;
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    return names;
}

}  // namespace

// Fails until every subsystem's exports are in the module: the list is the whole interface.
TEST(ModuleImage, ExportsExactlyTheInterfacesFortyOneNames) {
    ASSERT_EQ(kInterfaceExports.size(), 41u);
    const std::set<std::string> names = ExportedNames(Module::Get().handle());
    std::string missing, extra;
    for (const std::string& n : kInterfaceExports)
        if (!names.count(n)) missing += " " + n;
    for (const std::string& n : names)
        if (!kInterfaceExports.count(n)) extra += " " + n;
    EXPECT_EQ(missing, "") << "exports missing from the module";
    EXPECT_EQ(extra, "") << "exports the interface does not have (decorated or internal names)";
}

// Every image of both groups: the 16-colour 16 x 16 drawing for hosts that want one, and a
// true-colour image with alpha for each size that the shell asks for at the usual scalings.
TEST(ModuleImage, IconGroupsCarryEverySizeWithAlphaAndTheSixteenColourImage) {
    const std::set<std::pair<int, int>> kSizesAndBits = {{16, 4}, {16, 32}, {20, 32}, {24, 32},
                                                         {32, 32}, {40, 32}, {48, 32}};
    for (WORD id : {101, 102}) {
        SCOPED_TRACE(id);
        const auto* group = static_cast<const GroupIconHeader*>(ModuleResource(RT_GROUP_ICON, MAKEINTRESOURCEW(id), kSwissGerman));
        ASSERT_NE(group, nullptr) << "icon group in language 2055";
        std::set<std::pair<int, int>> found;
        std::map<int, IconPixels> trueColour;
        const GroupIconEntry* entries = group->entries;
        for (int i = 0; i < group->count; ++i) {
            const GroupIconEntry& e = entries[i];
            const int size = e.width;
            SCOPED_TRACE(std::to_string(size) + " px, " + std::to_string(e.bitCount) + " bits");
            found.insert({size, e.bitCount});
            EXPECT_EQ(e.height, e.width);
            EXPECT_EQ(e.planes, 1);
            EXPECT_EQ(e.colourCount, e.bitCount == 4 ? 16 : 0);
            DWORD bytes = 0;
            const auto* image = static_cast<const BITMAPINFOHEADER*>(ModuleResource(RT_ICON, MAKEINTRESOURCEW(e.id), kSwissGerman, &bytes));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(bytes, e.bytes);
            EXPECT_EQ(image->biWidth, size);
            EXPECT_EQ(image->biHeight, 2 * size) << "colour image and mask";
            EXPECT_EQ(image->biBitCount, e.bitCount);
            const IconPixels pixels(image);
            ASSERT_EQ(bytes, pixels.bytes()) << "colour table, pixels and mask fill the image";
            // Both drawings have transparent corners and opaque pixels: the mask is neither empty nor full.
            int transparent = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) transparent += pixels.Masked(x, y);
            }
            EXPECT_GT(transparent, 0);
            EXPECT_LT(transparent, size * size);
            if (e.bitCount != 32) continue;
            // Hosts that ignore the alpha channel draw by the mask: both must say the same.
            int soft = 0, wrong = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const int alpha = pixels.Alpha(x, y);
                    soft += alpha != 0 && alpha != 255;
                    wrong += (alpha == 0) != pixels.Masked(x, y);
                }
            }
            EXPECT_EQ(wrong, 0) << "pixels whose mask bit and alpha disagree";
            if (size >= 24) {
                EXPECT_GT(soft, 0) << "soft edges and shadows use the alpha channel";
            }
            trueColour.emplace(size, pixels);
        }
        EXPECT_EQ(found, kSizesAndBits);
        // Drawn for each size: no image is a smaller one with its pixels doubled.
        for (const auto& [small, large] : {std::pair(16, 32), std::pair(20, 40), std::pair(24, 48)}) {
            if (!trueColour.count(small) || !trueColour.count(large)) continue;
            const IconPixels& a = trueColour.at(small);
            const IconPixels& b = trueColour.at(large);
            int differ = 0;
            for (int y = 0; y < large; ++y) {
                for (int x = 0; x < large; ++x) differ += a.Colour(x / 2, y / 2) != b.Colour(x, y);
            }
            EXPECT_GT(differ, 0) << large << " px is the " << small << " px image scaled";
        }
    }
    // The first icon group is the computer: that is the icon shown for the module file itself.
    HICON first = nullptr;
    wchar_t modulePath[MAX_PATH];
    GetModuleFileNameW(Module::Get().handle(), modulePath, MAX_PATH);
    ASSERT_EQ(ExtractIconExW(modulePath, -1, nullptr, nullptr, 0), 2u);
    ASSERT_EQ(ExtractIconExW(modulePath, 0, nullptr, &first, 1), 1u);
    DestroyIcon(first);
}

// The project's one version, as the module's manifest, its version resource and the command-line
// host of the same build report it.
TEST(ModuleImage, ManifestVersionResourceAndTfhostNameTheReleaseVersion) {
    constexpr WORD kNumbers[] = {TALLYFOLD_VERSION_NUMBERS};
    const std::string quad = std::to_string(kNumbers[0]) + "." + std::to_string(kNumbers[1]) + "." +
                             std::to_string(kNumbers[2]) + "." + std::to_string(kNumbers[3]);
    DWORD bytes = 0;
    const char* text = static_cast<const char*>(
        ModuleResource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(2), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &bytes));
    ASSERT_NE(text, nullptr);
    const std::string manifest(text, bytes);
    EXPECT_NE(manifest.find("<assembly"), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Tallyfold\" version=\"" + quad + "\""), std::string::npos) << manifest;

    HMODULE version = LoadLibraryW(L"version.dll");
    ASSERT_NE(version, nullptr);
    auto query = reinterpret_cast<BOOL(WINAPI*)(const void*, const wchar_t*, void**, UINT*)>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
    ASSERT_NE(query, nullptr);
    const void* resource = ModuleResource(RT_VERSION, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &bytes);
    ASSERT_NE(resource, nullptr);
    // VerQueryValueW wants a writable copy of the block.
    std::string block(static_cast<const char*>(resource), bytes);
    block.resize(bytes * 2);
    auto value = [&](const wchar_t* key) -> std::wstring {
        void* found = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        if (!query(block.data(), path.c_str(), &found, &length) || found == nullptr) return L"(none)";
        return static_cast<const wchar_t*>(found);
    };
    EXPECT_EQ(value(L"OriginalFilename"), sizeof(void*) == 8 ? L"Tallyfold.wfx64" : L"Tallyfold.wfx");
    EXPECT_EQ(value(L"FileVersion"), TALLYFOLD_VERSION_WIDE);
    EXPECT_EQ(value(L"ProductVersion"), TALLYFOLD_VERSION_WIDE);
    EXPECT_EQ(value(L"ProductName"), L"Tallyfold");
    EXPECT_NE(value(L"FileDescription"), L"(none)");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(kNumbers[1], kNumbers[0])));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(kNumbers[3], kNumbers[2])));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    FreeLibrary(version);

    const ProcessResult run = RunTfhost({L"--version"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, "tfhost " + Narrow(value(L"FileVersion")) + (sizeof(void*) == 8 ? " (64-bit)\n" : " (32-bit)\n"));
}
