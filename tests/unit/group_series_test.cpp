#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "host/state.h"
#include "listing/group_series.h"
#include "listing/scan.h"
#include "support/series_fixture.h"
#include "support/support.h"

using namespace tftest;

namespace {

// Sets the grouping switch for one test and restores it after.
class GroupingSwitch {
public:
    explicit GroupingSwitch(int value) : saved_(tf::g_state.grouping) { tf::g_state.grouping = value; }
    ~GroupingSwitch() { tf::g_state.grouping = saved_; }

private:
    int saved_;
};

std::vector<WIN32_FIND_DATAW> Scan(const TempDir& dir) {
    std::vector<WIN32_FIND_DATAW> records;
    const auto list = tf::ScanFolder(dir.path().c_str());
    if (list != nullptr) {
        for (const tf::Entry* entry : list->order) {
            WIN32_FIND_DATAW record{};
            entry->ToFindData(record);
            records.push_back(record);
        }
    }
    return records;
}

std::vector<std::wstring> Names(const std::vector<WIN32_FIND_DATAW>& records) {
    std::vector<std::wstring> names;
    for (const auto& r : records) names.emplace_back(r.cFileName);
    return names;
}

std::vector<std::wstring> ScanNames(const std::vector<std::wstring>& files) {
    TempDir dir;
    for (const auto& name : files) EXPECT_TRUE(MakeFile(dir / name, 1)) << Narrow(name);
    return Names(Scan(dir));
}

struct Row {
    std::vector<std::wstring> files;
    std::vector<std::wstring> listed;
    bool anyOrder;  // where the listing order is the platform's comparison, not the grouping
};

}  // namespace

TEST(GroupSeries, CollapsesEveryRunOfTheFolder) {
    const GroupingSwitch on(1);
    const Row rows[] = {
        {{L"a.1.png", L"a.2.png", L"a.3.png"}, {L"a.<1-3>.png"}, false},
        {{L"img10.png", L"img8.png", L"img9.png"}, {L"img<8-10>.png"}, false},
        {{L"img08.png", L"img10.png", L"img09.png"}, {L"img<08-10>.png"}, false},
        {{L"img099.png", L"img100.png", L"img101.png"}, {L"img<099-101>.png"}, false},
        {{L"img0001.png", L"img0002.png", L"img0003.png"}, {L"img<0001-3>.png"}, false},
        {{L"img01.png", L"img02.png", L"img04.png"}, {L"img<01-2>.png", L"img04.png"}, false},
        {{L"s1.png", L"s2.png", L"s3.png", L"s5.png", L"s6.png"}, {L"s<1-3>.png", L"s<5-6>.png"}, false},
        {{L"x1", L"x2"}, {L"x<1-2>"}, false},
        {{L"1.png", L"2.png", L"3.png"}, {L"<1-3>.png"}, false},
        {{L"a1.png", L"a2.png", L"a1.jpg", L"a2.jpg", L"a3.jpg"}, {L"a<1-3>.jpg", L"a<1-2>.png"}, false},
        {{L"a1b5.png", L"a1b6.png", L"a2b7.png"}, {L"a1b<5-6>.png", L"a2b7.png"}, false},
        {{L"p1.b2.png", L"p2.b2.png"}, {L"p<1-2>.b2.png"}, false},
        {{L"a1.png", L"a2.PNG"}, {L"a<1-2>.png"}, false},
        {{L"IMG1.png", L"img2.png", L"img3.png"}, {L"IMG1.png", L"img<2-3>.png"}, false},
        {{L"shot1.tar.gz", L"shot2.tar.gz"}, {L"shot1.tar.gz", L"shot2.tar.gz"}, true},
        {{L"a_1.png", L"a0.png"}, {L"a_1.png", L"a0.png"}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.files[0]));
        std::vector<std::wstring> got = ScanNames(row.files);
        std::vector<std::wstring> want = row.listed;
        if (row.anyOrder) {
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
        }
        EXPECT_EQ(got, want);
    }
}

TEST(GroupSeries, JoinsOnlyFilesThatTheSeriesNames) {
    // Regression: neighbours joined by counter value alone, so the series entry named files
    // that do not exist and hid the ones that do.
    const GroupingSwitch on(1);
    EXPECT_EQ(ScanNames({L"a9.png", L"a010.png"}), (std::vector<std::wstring>{L"a9.png", L"a010.png"}));
    EXPECT_EQ(ScanNames({L"x1.jpg", L"x2.png"}), (std::vector<std::wstring>{L"x1.jpg", L"x2.png"}));
    // Where ".png" sorts against "1.png" is the natural order's business; the entries are not.
    std::vector<std::wstring> empty = ScanNames({L".png", L"1.png", L"2.png"});
    std::sort(empty.begin(), empty.end());
    EXPECT_EQ(empty, (std::vector<std::wstring>{L".png", L"<1-2>.png"}));
    // Past the largest int the counter wraps; a series never opens on a value it cannot give back.
    std::vector<std::wstring> huge = ScanNames({L"x2147483647.png", L"x2147483648.png"});
    std::sort(huge.begin(), huge.end());
    EXPECT_EQ(huge, (std::vector<std::wstring>{L"x2147483647.png", L"x2147483648.png"}));
    // Where the natural order reads 4294967297 as 1 (as Wine's does), the pair below met the
    // counters 1 and 2 and became x<4294967297-2>.png, which the parser reads back as nothing.
    std::vector<std::wstring> wrapped = ScanNames({L"x4294967297.png", L"x0000000002.png"});
    std::sort(wrapped.begin(), wrapped.end());
    EXPECT_EQ(wrapped, (std::vector<std::wstring>{L"x0000000002.png", L"x4294967297.png"}));
}

TEST(GroupSeries, LeavesASeriesWhoseRangeNameWouldNotFitAsItsMembers) {
    // Regression: the range name was cut to 254 characters, lost its '>' and named nothing.
    const GroupingSwitch on(1);
    const std::wstring ys(250, L'y');
    EXPECT_EQ(ScanNames({ys + L"1.png", ys + L"2.png"}), (std::vector<std::wstring>{ys + L"1.png", ys + L"2.png"}));
    // 245 + "<1-2>" + ".png" is exactly 254 characters and still collapses.
    const std::wstring fits(245, L'y');
    EXPECT_EQ(ScanNames({fits + L"1.png", fits + L"2.png"}), (std::vector<std::wstring>{fits + L"<1-2>.png"}));
    // A counter so wide that the parser would not find the '>' is left alone as well.
    const std::wstring wide = L"w" + std::wstring(125, L'0');
    EXPECT_EQ(ScanNames({wide + L"1.png", wide + L"2.png"}), (std::vector<std::wstring>{wide + L"1.png", wide + L"2.png"}));
}

TEST(GroupSeries, SeriesEntryCarriesTheFirstMembersFieldsAndThe64BitSum) {
    const GroupingSwitch on(1);
    TempDir dir;
    const unsigned long long sizes[] = {4294967296ull, 4294967296ull, 5, 7};
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(MakeFile(dir / (L"f" + std::to_wstring(i + 1)), sizes[i]));
    ASSERT_TRUE(MakeFile(dir / L"notes.txt", 3));
    FILETIME stamp{0x12345678u, 0x01D9ABCDu};
    const HANDLE file = CreateFileW((dir / L"f1").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesW((dir / L"f1").c_str(), FILE_ATTRIBUTE_READONLY));
    WIN32_FIND_DATAW first;
    const HANDLE search = FindFirstFileW((dir / L"f1").c_str(), &first);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);

    const auto records = Scan(dir);
    ASSERT_EQ(Names(records), (std::vector<std::wstring>{L"notes.txt", L"f<1-4>"}));
    const WIN32_FIND_DATAW& series = records[1];
    EXPECT_EQ(series.nFileSizeHigh, 2u);
    EXPECT_EQ(series.nFileSizeLow, 12u);  // 8589934604 bytes
    EXPECT_EQ(series.dwFileAttributes, first.dwFileAttributes);
    EXPECT_EQ(CompareFileTime(&series.ftLastWriteTime, &first.ftLastWriteTime), 0);
    EXPECT_EQ(CompareFileTime(&series.ftCreationTime, &first.ftCreationTime), 0);
    EXPECT_STREQ(series.cAlternateFileName, first.cAlternateFileName);
    EXPECT_EQ(series.dwReserved0, first.dwReserved0);
    SetFileAttributesW((dir / L"f1").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(GroupSeries, SwitchOffListsEveryFileByItsOwnName) {
    const GroupingSwitch off(0);
    EXPECT_EQ(ScanNames({L"s1.png", L"s2.png", L"s3.png", L"s5.png", L"s6.png"}),
              (std::vector<std::wstring>{L"s1.png", L"s2.png", L"s3.png", L"s5.png", L"s6.png"}));
}

TEST(MakeRangeName, WritesPrefixFirstLastAndSuffix) {
    WCHAR name[tf::kRangeNameChars + 1];
    ASSERT_TRUE(tf::MakeRangeName(name, static_cast<int>(std::size(name)), L"img0001.png", 3, 100));
    EXPECT_STREQ(name, L"img<0001-100>.png");
    ASSERT_TRUE(tf::MakeRangeName(name, static_cast<int>(std::size(name)), L"x1", 1, 2));
    EXPECT_STREQ(name, L"x<1-2>");
    ASSERT_TRUE(tf::MakeRangeName(name, static_cast<int>(std::size(name)), L"p1.b2.png", 1, 2));
    EXPECT_STREQ(name, L"p<1-2>.b2.png");
    wcscpy(name, L"untouched");
    EXPECT_FALSE(tf::MakeRangeName(name, static_cast<int>(std::size(name)), L"a1b5.png", 1, 6)) << "'b' is no counter end";
    EXPECT_FALSE(tf::MakeRangeName(name, static_cast<int>(std::size(name)), L".png", 0, 2)) << "empty counter";
    EXPECT_FALSE(tf::MakeRangeName(name, 10, L"img0001.png", 3, 100)) << "does not fit the buffer";
    EXPECT_STREQ(name, L"untouched");
}

TEST(GroupSeries, GeneratedFoldersAccountForEveryFileOnce) {
    // The folder's records go through the same ordering and grouping as a scan, in a random
    // discovery order; every file must come out exactly once, and the listing with each series
    // expanded into its members must be the ungrouped listing.
    std::mt19937 rng(20261208u);
    const auto started = std::chrono::steady_clock::now();
    constexpr int kFolders = 5000;
    size_t seriesSeen = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        const std::vector<FolderItem> items = GenerateFolder(rng, FolderShape{});
        tf::EntryList records;
        for (const FolderItem& item : items) {
            WIN32_FIND_DATAW r{};
            wcscpy(r.cFileName, item.name.c_str());
            r.dwFileAttributes = item.attributes;
            r.ftLastWriteTime = item.lastWrite;
            r.nFileSizeHigh = static_cast<DWORD>(item.size >> 32);
            r.nFileSizeLow = static_cast<DWORD>(item.size);
            records.Add(r);
        }
        std::vector<tf::Entry*>& order = records.order;
        std::shuffle(order.begin(), order.end(), rng);
        const size_t front = tf::OrderEntries(order);
        std::vector<std::wstring> ungrouped;
        for (const tf::Entry* e : order) ungrouped.emplace_back(e->Name());

        const size_t count = tf::GroupSeries(records, front);
        ASSERT_EQ(count, order.size());
        std::vector<WIN32_FIND_DATAW> listing;
        for (const tf::Entry* e : order) {
            WIN32_FIND_DATAW r{};
            e->ToFindData(r);
            listing.push_back(r);
        }
        seriesSeen += ungrouped.size() - listing.size();
        std::vector<std::wstring> expanded;
        const std::string problem = CheckListing(items, listing, true, &expanded);
        ASSERT_EQ(problem, "") << "folder " << folder;
        ASSERT_EQ(expanded, ungrouped) << "folder " << folder << ": a series does not stand where its members stood";
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(seriesSeen, static_cast<size_t>(kFolders)) << "the generator should make series to collapse";
    std::printf("%d generated folders, %zu members folded into series, %lld ms\n", kFolders, seriesSeen, static_cast<long long>(ms));
}
