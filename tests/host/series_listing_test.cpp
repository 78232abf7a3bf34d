#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/launch.h"
#include "support/series_fixture.h"
#include "support/support.h"

using namespace tftest;

namespace {

using FsGetLocalNameWFn = BOOL(WINAPI*)(WCHAR*, int);
using FsGetLocalNameFn = BOOL(WINAPI*)(char*, int);
using FsLinksToLocalFilesFn = BOOL(WINAPI*)();
using FsFindFirstFn = HANDLE(WINAPI*)(char*, WIN32_FIND_DATAA*);
using FsFindNextFn = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAA*);
using FsFindCloseFn = int(WINAPI*)(HANDLE);

unsigned long long SizeOf(const WIN32_FIND_DATAW& r) {
    return (static_cast<unsigned long long>(r.nFileSizeHigh) << 32) | r.nFileSizeLow;
}

// The answer of FsGetLocalNameW and the text it leaves in a buffer of bufferChars.
struct LocalAnswer {
    BOOL answer;
    std::wstring name;
};
LocalAnswer LocalName(const std::wstring& pluginPath, int maxlen, size_t bufferChars = 1024) {
    auto fn = Module::Get().Fn<FsGetLocalNameWFn>("FsGetLocalNameW");
    std::vector<WCHAR> buffer(std::max(bufferChars, pluginPath.size() + 1), L'\0');
    pluginPath.copy(buffer.data(), pluginPath.size());
    const BOOL answer = fn(buffer.data(), maxlen);
    return {answer, buffer.data()};
}


}  // namespace

TEST(SeriesListing, CollapsesSeriesBesidePlainFilesAndAGap) {
    TempDir dir;
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(MakeFile(dir / (L"img000" + std::to_wstring(i) + L".png"), 10u * i));
    for (int i : {1, 2, 3, 5, 6}) ASSERT_TRUE(MakeFile(dir / (L"scan" + std::to_wstring(i) + L".tif"), 100));
    ASSERT_TRUE(MakeFile(dir / L"notes.txt", 6));
    ASSERT_TRUE(CreateDirectoryW((dir / L"sub").c_str(), nullptr));

    const auto records = ListRecords(dir.Plugin());
    ASSERT_EQ(records.size(), 5u);
    std::vector<std::wstring> front{records[0].cFileName, records[1].cFileName};
    std::sort(front.begin(), front.end());
    EXPECT_EQ(front, (std::vector<std::wstring>{L"notes.txt", L"sub"}));
    EXPECT_STREQ(records[2].cFileName, L"img<0001-3>.png");
    EXPECT_EQ(SizeOf(records[2]), 60u);
    EXPECT_STREQ(records[3].cFileName, L"scan<1-3>.tif");
    EXPECT_EQ(SizeOf(records[3]), 300u);
    EXPECT_STREQ(records[4].cFileName, L"scan<5-6>.tif");
    EXPECT_EQ(SizeOf(records[4]), 200u);

    // The narrow listing hands out the same entries.
    auto findFirst = Module::Get().Fn<FsFindFirstFn>("FsFindFirst");
    auto findNext = Module::Get().Fn<FsFindNextFn>("FsFindNext");
    auto findClose = Module::Get().Fn<FsFindCloseFn>("FsFindClose");
    std::string narrowPath = Narrow(dir.Plugin());
    WIN32_FIND_DATAA record{};
    const HANDLE handle = findFirst(narrowPath.data(), &record);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    std::vector<std::string> narrowNames;
    do narrowNames.emplace_back(record.cFileName);
    while (findNext(handle, &record));
    findClose(handle);
    ASSERT_EQ(narrowNames.size(), 5u);
    EXPECT_EQ(narrowNames[2], "img<0001-3>.png");
    EXPECT_EQ(narrowNames[4], "scan<5-6>.tif");
}

TEST(SeriesListing, GeneratedFoldersOnDiskAccountForEveryFileOnce) {
    std::mt19937 rng(8122026u);
    FolderShape shape;
    shape.maxSize = 1ull << 33;  // sparse files; a few sums pass 32 bits
    for (int folder = 0; folder < 12; ++folder) {
        TempDir dir;
        const std::vector<FolderItem> items = GenerateFolder(rng, shape);
        for (const FolderItem& item : items) {
            const bool made = item.folder ? CreateDirectoryW((L"\\\\?\\" + (dir / item.name)).c_str(), nullptr) != 0
                                          : MakeFile(dir / item.name, item.size);
            ASSERT_TRUE(made) << Narrow(item.name);
        }
        const std::string problem = CheckListing(items, ListRecords(dir.Plugin()), false);
        EXPECT_EQ(problem, "") << "folder " << folder;
    }
}

TEST(LocalName, SeriesEntryAnswersItsFirstMember) {
    TempDir dir;
    for (int i = 8; i <= 11; ++i) ASSERT_TRUE(MakeFile(dir / (L"img" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i) + L".png"), 1));
    const auto names = ListNames(dir.Plugin());
    ASSERT_EQ(names, (std::vector<std::wstring>{L"img<08-11>.png"}));
    const LocalAnswer local = LocalName(dir.Plugin(names[0]), 1024);
    EXPECT_TRUE(local.answer);
    EXPECT_EQ(local.name, dir / L"img08.png");
    EXPECT_TRUE(Exists(local.name));
}

TEST(LocalName, AnswersTheLocalPathOrRefusesWithoutChange) {
    struct Case {
        const wchar_t* path;
        int maxlen;
        BOOL answer;
        const wchar_t* name;
    } cases[] = {
        {L"\\C:\\Pictures\\img<0001-100>.png", 1024, TRUE, L"C:\\Pictures\\img0001.png"},
        {L"\\C:\\Pictures\\photo.png", 1024, TRUE, L"C:\\Pictures\\photo.png"},
        {L"\\C:\\Pictures\\a<x-3>.png", 1024, TRUE, L"C:\\Pictures\\a<x-3>.png"},
        {L"\\C:\\Pictures\\img<0005>.png", 1024, TRUE, L"C:\\Pictures\\img0005.png"},
        {L"\\C", 1024, FALSE, L"\\C"},
        {L"C:\\Pictures\\photo.png", 1024, FALSE, L"C:\\Pictures\\photo.png"},
        // The whole local path fits exactly: 23 characters and the terminator.
        {L"\\C:\\Pictures\\img<0001-100>.png", 24, TRUE, L"C:\\Pictures\\img0001.png"},
        // Regression: a local path cut to maxlen named another file; now the name stays as it was.
        {L"\\C:\\Pictures\\img<0001-100>.png", 10, FALSE, L"\\C:\\Pictures\\img<0001-100>.png"},
        {L"\\C:\\Pictures\\img<0001-100>.png", 23, FALSE, L"\\C:\\Pictures\\img<0001-100>.png"},
        {L"\\C:\\Pictures\\photo.png", 10, FALSE, L"\\C:\\Pictures\\photo.png"},
        {L"\\C:\\Pictures\\photo.png", 0, FALSE, L"\\C:\\Pictures\\photo.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.path) + " maxlen " + std::to_string(c.maxlen));
        const LocalAnswer local = LocalName(c.path, c.maxlen);
        EXPECT_EQ(local.answer, c.answer);
        EXPECT_EQ(local.name, c.name);
    }
    // A member name longer than any buffer the plugin keeps is refused, not cut.
    const std::wstring tooLong = L"\\C:\\" + std::wstring(1100, L'p') + L"<1-2>.png";
    const LocalAnswer refused = LocalName(tooLong, 2000);
    EXPECT_FALSE(refused.answer);
    EXPECT_EQ(refused.name, tooLong);
    EXPECT_FALSE(Module::Get().Fn<FsGetLocalNameWFn>("FsGetLocalNameW")(nullptr, 260));
}

TEST(LocalName, NarrowFormStripsTheBackslashOnly) {
    auto fn = Module::Get().Fn<FsGetLocalNameFn>("FsGetLocalName");
    char series[] = "\\C:\\Pictures\\img<0001-100>.png";
    EXPECT_TRUE(fn(series, 0));
    EXPECT_STREQ(series, "C:\\Pictures\\img<0001-100>.png");
    char plain[] = "\\C:\\x";
    EXPECT_TRUE(fn(plain, 3));
    EXPECT_STREQ(plain, "C:\\x");
    char shortName[] = "\\C";
    EXPECT_FALSE(fn(shortName, 260));
    EXPECT_STREQ(shortName, "\\C");
    EXPECT_FALSE(fn(nullptr, 260));
    EXPECT_TRUE(Module::Get().Fn<FsLinksToLocalFilesFn>("FsLinksToLocalFiles")());
}

TEST(Tfhost, LocalPrintsTheAnswerAndTheName) {
    TempDir dir;
    for (int i = 1; i <= 2; ++i) ASSERT_TRUE(MakeFile(dir / (L"shot" + std::to_wstring(i) + L".png"), 1));
    const ProcessResult run = RunTfhost({L"local", dir.Plugin(L"shot<1-2>.png")});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out, "result 1: TRUE\n" + Narrow(dir / L"shot1.png") + "\n");
    const ProcessResult refused = RunTfhost({L"local", dir.Plugin(L"shot<1-2>.png"), L"5"});
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_EQ(refused.out, "result 0: FALSE, name unchanged\n" + Narrow(dir.Plugin(L"shot<1-2>.png")) + "\n");
}

TEST(Tfhost, ListWithoutGroupingGoesThroughThePropertiesVerb) {
    TempDir dir;
    for (int i = 1; i <= 2; ++i) ASSERT_TRUE(MakeFile(dir / (L"shot" + std::to_wstring(i) + L".png"), 1));
    const ProcessResult grouped = RunTfhost({L"list", dir.Plugin()});
    EXPECT_EQ(grouped.exitCode, 0u);
    EXPECT_NE(grouped.out.find("shot<1-2>.png"), std::string::npos) << grouped.out;
    const ProcessResult ungrouped = RunTfhost({L"--no-grouping", L"list", dir.Plugin()});
    if (Module::Get().Fn<void*>("FsExecuteFileW") == nullptr) {
        // Without the verb the host cannot turn grouping off and says so instead of listing.
        EXPECT_EQ(ungrouped.exitCode, 1u);
        EXPECT_EQ(ungrouped.out, "");
        return;
    }
    EXPECT_EQ(ungrouped.exitCode, 0u);
    EXPECT_NE(ungrouped.out.find("shot1.png"), std::string::npos) << ungrouped.out;
    EXPECT_NE(ungrouped.out.find("shot2.png"), std::string::npos) << ungrouped.out;
    EXPECT_EQ(ungrouped.out.find("shot<1-2>.png"), std::string::npos) << ungrouped.out;
}
