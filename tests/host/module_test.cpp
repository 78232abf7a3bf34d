// The finished module as the file manager sees it: its export table, icons, manifest and
// version information, read from the loaded image itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "support/support.h"

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

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

const void* Resource(const wchar_t* type, const wchar_t* name, WORD language, DWORD* size = nullptr) {
    HMODULE module = Module::Get().handle();
    HRSRC found = FindResourceExW(module, type, name, language);
    if (found == nullptr) return nullptr;
    if (size) *size = SizeofResource(module, found);
    return LockResource(LoadResource(module, found));
}

constexpr WORD kSwissGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS);

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

TEST(ModuleImage, CarriesBothIconGroupsAsSixteenColourSmallIcons) {
    for (WORD id : {101, 102}) {
        SCOPED_TRACE(id);
        const auto* group = static_cast<const GroupIconHeader*>(Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(id), kSwissGerman));
        ASSERT_NE(group, nullptr) << "icon group in language 2055";
        ASSERT_EQ(group->count, 1);
        const GroupIconEntry& e = group->entries[0];
        EXPECT_EQ(e.width, 16);
        EXPECT_EQ(e.height, 16);
        EXPECT_EQ(e.colourCount, 16);
        EXPECT_EQ(e.bitCount, 4);
        DWORD bytes = 0;
        const auto* image = static_cast<const BITMAPINFOHEADER*>(Resource(RT_ICON, MAKEINTRESOURCEW(e.id), kSwissGerman, &bytes));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(bytes, e.bytes);
        EXPECT_EQ(image->biWidth, 16);
        EXPECT_EQ(image->biHeight, 32) << "colour image and mask";
        EXPECT_EQ(image->biBitCount, 4);
        // Both drawings have transparent corners and opaque pixels: the mask is neither empty nor full.
        const auto* mask = reinterpret_cast<const BYTE*>(image) + image->biSize + 16 * 4 + 16 * 8;
        int transparent = 0;
        for (int row = 0; row < 16; ++row) {
            const WORD bits = static_cast<WORD>((mask[row * 4] << 8) | mask[row * 4 + 1]);
            for (int b = 0; b < 16; ++b) transparent += (bits >> b) & 1;
        }
        EXPECT_GT(transparent, 0);
        EXPECT_LT(transparent, 256);
    }
    // The first icon group is the computer: that is the icon shown for the module file itself.
    HICON first = nullptr;
    wchar_t modulePath[MAX_PATH];
    GetModuleFileNameW(Module::Get().handle(), modulePath, MAX_PATH);
    ASSERT_EQ(ExtractIconExW(modulePath, -1, nullptr, nullptr, 0), 2u);
    ASSERT_EQ(ExtractIconExW(modulePath, 0, nullptr, &first, 1), 1u);
    DestroyIcon(first);
}

TEST(ModuleImage, CarriesItsManifest) {
    DWORD bytes = 0;
    const char* text = static_cast<const char*>(
        Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(2), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &bytes));
    ASSERT_NE(text, nullptr);
    const std::string manifest(text, bytes);
    EXPECT_NE(manifest.find("<assembly"), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

TEST(ModuleImage, VersionNamesThisBuildsFile) {
    HMODULE version = LoadLibraryW(L"version.dll");
    ASSERT_NE(version, nullptr);
    auto query = reinterpret_cast<BOOL(WINAPI*)(const void*, const wchar_t*, void**, UINT*)>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
    ASSERT_NE(query, nullptr);
    DWORD bytes = 0;
    const void* resource = Resource(RT_VERSION, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &bytes);
    ASSERT_NE(resource, nullptr);
    // VerQueryValueW wants a writable copy of the block.
    std::string block(static_cast<const char*>(resource), bytes);
    block.resize(bytes * 2);
    auto value = [&](const wchar_t* key) -> std::wstring {
        void* text = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        if (!query(block.data(), path.c_str(), &text, &length) || text == nullptr) return L"(none)";
        return static_cast<const wchar_t*>(text);
    };
    EXPECT_EQ(value(L"OriginalFilename"), sizeof(void*) == 8 ? L"Tallyfold.wfx64" : L"Tallyfold.wfx");
    EXPECT_EQ(value(L"FileVersion"), L"1.0.0.0");
    EXPECT_EQ(value(L"ProductVersion"), L"1.0.0.0");
    EXPECT_EQ(value(L"ProductName"), L"Tallyfold");
    EXPECT_NE(value(L"FileDescription"), L"(none)");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    FreeLibrary(version);
}
