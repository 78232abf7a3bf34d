#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/file_access.h"
#include "host/state.h"
#include "support/support.h"

using namespace tf;
using tftest::TempDir;

namespace {

std::wstring Prepared(const std::wstring& source, bool* fits = nullptr) {
    WCHAR out[kLongPathBuffer + 8];
    std::fill(std::begin(out), std::end(out), L'#');
    const bool ok = MakeLongPath(out, source.c_str());
    if (fits != nullptr) *fits = ok;
    EXPECT_EQ(out[kLongPathBuffer], L'#') << "wrote past the prepared-path buffer";
    return out;
}

// Forces one branch of the access layer for a test and restores the settled value after.
class PlatformOverride {
public:
    explicit PlatformOverride(unsigned char mode) : saved_(g_state.platformMode) { g_state.platformMode = mode; }
    ~PlatformOverride() { g_state.platformMode = saved_; }

private:
    unsigned char saved_;
};

}  // namespace

TEST(MakeLongPath, ShortPathsPassUnchangedLongOnesGetThePrefix) {
    const std::wstring p259 = L"C:\\" + std::wstring(256, L'a');
    EXPECT_EQ(Prepared(p259), p259);
    const std::wstring p260 = p259 + L"b";
    EXPECT_EQ(Prepared(p260), L"\\\\?\\" + p260);
    // Regression: a path that had its prefix already got a second one ("\\?\UNC\?\C:\...").
    for (const wchar_t* prefix : {L"\\\\?\\", L"\\\\.\\"}) {
        const std::wstring prefixed = prefix + p259 + L"\\..\\b";
        EXPECT_EQ(Prepared(prefixed), prefixed) << "taken as it stands, not made canonical";
    }
}

TEST(MakeLongPath, UncPathsKeepOneBackslashAfterThePrefix) {
    const std::wstring unc = L"\\\\srv\\share\\" + std::wstring(288, L'x');
    EXPECT_EQ(Prepared(unc), L"\\\\?\\UNC\\srv\\share\\" + std::wstring(288, L'x'));
    // Made canonical first: the prefix makes the system take "." and ".." as names.
    EXPECT_EQ(Prepared(L"\\\\srv\\share\\a\\..\\.\\\\" + std::wstring(288, L'x')),
              L"\\\\?\\UNC\\srv\\share\\" + std::wstring(288, L'x'));
}

TEST(MakeLongPath, LimitsAre1024PlainAnd1022Unc) {
    bool fits = false;
    const std::wstring plain1024 = L"C:\\" + std::wstring(1021, L'p');
    EXPECT_EQ(Prepared(plain1024, &fits).size(), 1028u);
    EXPECT_TRUE(fits);
    Prepared(plain1024 + L"p", &fits);
    EXPECT_FALSE(fits);
    const std::wstring unc1022 = L"\\\\s\\h\\" + std::wstring(1016, L'u');
    EXPECT_EQ(Prepared(unc1022, &fits).size(), 1028u);
    EXPECT_TRUE(fits);
    Prepared(unc1022 + L"u", &fits);
    EXPECT_FALSE(fits);
    const std::wstring prefixed1028 = L"\\\\?\\" + plain1024;
    EXPECT_EQ(Prepared(prefixed1028), prefixed1028);
    Prepared(prefixed1028 + L"p", &fits);
    EXPECT_FALSE(fits);
}

TEST(AccessLayer, RefusedPathReportsRangeErrorNotAStaleOne) {
    PlatformOverride wide(kPlatformWide);
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::wstring tooLong = L"C:\\" + std::wstring(1100, L'z');
    const FileResult r = DeleteFileLong(tooLong.c_str());
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(OpenFileForWriteLong(tooLong.c_str()).valid());
}

TEST(AccessLayer, WideBranchWorksOnPathsOver260Characters) {
    PlatformOverride wide(kPlatformWide);
    TempDir dir;
    std::wstring deep = dir.path();
    while (deep.size() < 600) {
        deep += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(CreateDirectoryLong(deep.c_str())) << "at " << deep.size();
    }
    const std::wstring file = deep + L"\\member1.png";
    ASSERT_TRUE(tftest::WriteBytes(file, "one"));
    ASSERT_TRUE(CopyFileLong(file.c_str(), (deep + L"\\member2.png").c_str(), TRUE));
    EXPECT_EQ(CopyFileLong(file.c_str(), (deep + L"\\member2.png").c_str(), TRUE).error,
              static_cast<DWORD>(ERROR_FILE_EXISTS));
    ASSERT_TRUE(MoveFileLong((deep + L"\\member2.png").c_str(), (deep + L"\\member3.png").c_str()));
    EXPECT_EQ(tftest::ReadBytes(deep + L"\\member3.png"), "one");
    const HandleResult h = OpenFileForWriteLong(file.c_str());
    ASSERT_TRUE(h.valid());
    CloseHandle(h.handle);
}

TEST(AccessLayer, NarrowBranchConvertsAndRefusesOverlongPaths) {
    PlatformOverride narrow(kPlatformNarrow);
    TempDir dir;
    const std::wstring a = dir / L"a1.png";
    ASSERT_TRUE(tftest::WriteBytes(a, "payload"));
    ASSERT_TRUE(CopyFileLong(a.c_str(), (dir / L"a2.png").c_str(), TRUE));
    ASSERT_TRUE(SetFileAttributesLong((dir / L"a2.png").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MoveFileLong((dir / L"a2.png").c_str(), (dir / L"a3.png").c_str()));
    ASSERT_TRUE(CreateDirectoryLong((dir / L"sub").c_str()));
    ASSERT_TRUE(RemoveDirectoryLong((dir / L"sub").c_str()));

    WIN32_FIND_DATAW record;
    std::fill(std::begin(record.cFileName), std::end(record.cFileName), L'#');
    const HandleResult search = FindFirstFileLong((dir / L"a3.png").c_str(), &record);
    ASSERT_TRUE(search.valid());
    EXPECT_STREQ(record.cFileName, L"a3.png");
    EXPECT_EQ(record.nFileSizeLow, 7u);
    FindClose(search.handle);

    // 259 bytes is the narrow limit: a longer path fails before any system call.
    const std::wstring tooLong = dir.path() + L"\\" + std::wstring(300, L'n');
    const FileResult refused = CopyFileLong(a.c_str(), tooLong.c_str(), TRUE);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    // A null path reaches the system as null and fails there.
    const FileResult nullPath = DeleteFileLong(nullptr);
    EXPECT_FALSE(nullPath);
    EXPECT_NE(nullPath.error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(DeleteFileLong((dir / L"a3.png").c_str()));
}

TEST(AccessLayer, FailedFindLeavesTheRecordAlone) {
    for (const unsigned char mode : {kPlatformWide, kPlatformNarrow}) {
        PlatformOverride branch(mode);
        TempDir dir;
        WIN32_FIND_DATAW record;
        std::memset(&record, 0x5A, sizeof record);
        const HandleResult search = FindFirstFileLong((dir / L"missing*.png").c_str(), &record);
        EXPECT_FALSE(search.valid());
        EXPECT_EQ(record.dwFileAttributes, 0x5A5A5A5Au);
    }
}

TEST(FindRecordConversion, NamesAreCutAndTerminatedNumbersCopied) {
    WIN32_FIND_DATAA narrow{};
    std::memset(narrow.cFileName, 'f', sizeof narrow.cFileName);  // no terminator at all
    std::memcpy(narrow.cAlternateFileName, "ABCDEFGH.PNG", 13);   // 12 bytes and the terminator
    narrow.dwFileAttributes = FILE_ATTRIBUTE_READONLY;
    narrow.nFileSizeHigh = 1;
    narrow.nFileSizeLow = 2;
    narrow.ftLastWriteTime = {3, 4};
    narrow.dwReserved0 = 5;
    WIN32_FIND_DATAW wide;
    std::memset(&wide, 0x77, sizeof wide);
    ConvertFindRecord(narrow, wide);
    EXPECT_EQ(std::wstring(wide.cFileName), std::wstring(259, L'f'));
    EXPECT_STREQ(wide.cAlternateFileName, L"ABCDEFGH.PNG");
    EXPECT_EQ(wide.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(wide.nFileSizeHigh, 1u);
    EXPECT_EQ(wide.nFileSizeLow, 2u);
    EXPECT_EQ(wide.ftLastWriteTime.dwLowDateTime, 3u);
    EXPECT_EQ(wide.ftLastWriteTime.dwHighDateTime, 4u);
    EXPECT_EQ(wide.dwReserved0, 5u);
}
