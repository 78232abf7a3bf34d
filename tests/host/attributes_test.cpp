// Attributes and times of plain files and of every member of a series.
#include <gtest/gtest.h>

#include "support/member_files.h"
#include "support/progress_recorder.h"
#include "support/support.h"

using namespace tftest;

namespace {

using SetAttrW = BOOL(WINAPI*)(WCHAR*, int);
using SetAttrA = BOOL(WINAPI*)(char*, int);
using SetTimeW = BOOL(WINAPI*)(WCHAR*, FILETIME*, FILETIME*, FILETIME*);
using SetTimeA = BOOL(WINAPI*)(char*, FILETIME*, FILETIME*, FILETIME*);

BOOL SetAttr(std::wstring path, int attributes) { return Module::Get().Fn<SetAttrW>("FsSetAttrW")(path.data(), attributes); }

BOOL SetTimes(std::wstring path, FILETIME* created, FILETIME* accessed, FILETIME* written) {
    return Module::Get().Fn<SetTimeW>("FsSetTimeW")(path.data(), created, accessed, written);
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0;
}

FILETIME WrittenTime(const std::wstring& path) {
    FILETIME c{}, a{}, w{};
    ReadTimes(path, c, a, w);
    return w;
}

const FILETIME kStamp = MakeFileTime(2001, 2, 3, 4, 5);

}  // namespace

TEST(SetAttr, SeriesSetsEveryMemberWithProgress) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 4, L".png"));
    ASSERT_TRUE(WriteBytes(dir / L"img0004.png", "not a member"));
    ProgressRecorder progress;
    progress.InitModule();
    progress.PostProbes(true);
    const std::wstring entry = dir.Plugin(L"img<0001-3>.png");
    EXPECT_EQ(SetAttr(entry, FILE_ATTRIBUTE_READONLY), 1);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(IsReadOnly(dir / MemberName(L"img", i, 4, L".png"))) << i;
    EXPECT_FALSE(IsReadOnly(dir / L"img0004.png"));
    EXPECT_EQ(progress.percents(), (std::vector<int>{33, 66, 100})) << PercentText(progress.percents());
    for (const ProgressReport& r : progress.reports()) {
        EXPECT_EQ(r.source, entry);
        EXPECT_TRUE(r.targetNull);
        EXPECT_FALSE(r.probePending) << "the queue was not drained before the report at " << r.percent;
    }
    EXPECT_FALSE(ProgressRecorder::TakeProbes()) << "the queue was not drained after the last report";

    // 0 stands for "no attributes": every member becomes normal again.
    EXPECT_EQ(SetAttr(entry, 0), 1);
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(IsReadOnly(dir / MemberName(L"img", i, 4, L".png"))) << i;
    if (UnderWine()) GTEST_SKIP() << "Wine reports ARCHIVE for every file, never NORMAL";
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(Attributes(dir / MemberName(L"img", i, 4, L".png")), DWORD{FILE_ATTRIBUTE_NORMAL}) << i;
}

TEST(SetAttr, HiddenReachesEveryMember) {
    if (UnderWine()) GTEST_SKIP() << "Wine drops HIDDEN in SetFileAttributesW as a non-root user";
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"h", 1, 2, 1, L""));
    EXPECT_EQ(SetAttr(dir.Plugin(L"h<1-2>"), FILE_ATTRIBUTE_HIDDEN), 1);
    for (int i = 1; i <= 2; ++i) EXPECT_NE(Attributes(dir / MemberName(L"h", i, 1, L"")) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(SetAttr, MissingMemberInTheMiddleStopsThere) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 12, 2, L".png"));
    ASSERT_TRUE(DeleteFileW((dir / L"img10.png").c_str()));
    ProgressRecorder progress;
    progress.InitModule();
    EXPECT_EQ(SetAttr(dir.Plugin(L"img<01-12>.png"), FILE_ATTRIBUTE_READONLY), 0);
    for (int i = 1; i <= 9; ++i) EXPECT_TRUE(IsReadOnly(dir / MemberName(L"img", i, 2, L".png"))) << i;
    for (int i = 11; i <= 12; ++i) EXPECT_FALSE(IsReadOnly(dir / MemberName(L"img", i, 2, L".png"))) << i;
    EXPECT_EQ(progress.reports().size(), 9u);
}

TEST(SetAttr, AbortAtTheFirstReportAndMidSeries) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"a", 1, 4, 1, L""));
    ProgressRecorder progress;
    progress.InitModule();
    progress.CancelAt(1);
    EXPECT_EQ(SetAttr(dir.Plugin(L"a<1-4>"), FILE_ATTRIBUTE_READONLY), 5);
    EXPECT_TRUE(IsReadOnly(dir / L"a1")) << "the member before the report keeps its change";
    for (int i = 2; i <= 4; ++i) EXPECT_FALSE(IsReadOnly(dir / MemberName(L"a", i, 1, L""))) << i;

    progress.Clear();
    progress.CancelAt(2);
    EXPECT_EQ(SetAttr(dir.Plugin(L"a<1-4>"), FILE_ATTRIBUTE_READONLY), 5);
    EXPECT_EQ(progress.percents(), (std::vector<int>{25, 50}));
    EXPECT_TRUE(IsReadOnly(dir / L"a2"));
    EXPECT_FALSE(IsReadOnly(dir / L"a3"));
}

TEST(SetAttr, RangeEndingAtTheLargestCounterEnds) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"n", 2147483646, 2147483647, 0, L".dat"));
    ProgressRecorder progress;
    progress.InitModule();
    EXPECT_EQ(SetAttr(dir.Plugin(L"n<2147483646-2147483647>.dat"), FILE_ATTRIBUTE_READONLY), 1);
    EXPECT_TRUE(IsReadOnly(dir / L"n2147483647.dat"));
    EXPECT_EQ(progress.percents(), (std::vector<int>{50, 100}));
}

// Regression: members whose names could not be built were skipped, so a series none of whose
// members could be reached reported success.
TEST(SetAttrAndTime, UnreachableMembersFailInsteadOfBeingSkipped) {
    TempDir dir;
    std::wstring entry = dir.Plugin();
    while (entry.size() < 1100) entry += L"\\folder";
    entry += L"\\img<1-3>.png";
    ProgressRecorder progress;
    progress.InitModule();
    FILETIME stamp = kStamp;
    EXPECT_EQ(SetAttr(entry, FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_EQ(SetTimes(entry, nullptr, nullptr, &stamp), 0);
    EXPECT_TRUE(progress.reports().empty());
}

TEST(SetAttr, PlainFileRootAndNarrowTwin) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"notes.txt", "notes"));
    ProgressRecorder progress;
    progress.InitModule();
    EXPECT_NE(SetAttr(dir.Plugin(L"notes.txt"), FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_TRUE(IsReadOnly(dir / L"notes.txt"));
    EXPECT_TRUE(progress.reports().empty()) << "a plain file reports no progress";
    EXPECT_EQ(SetAttr(dir.Plugin(L"missing.txt"), FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_EQ(SetAttr(L"\\", FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_EQ(SetAttr(L"\\C", FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_EQ(Module::Get().Fn<SetAttrW>("FsSetAttrW")(nullptr, 0), 0);

    std::string narrow = "\\" + Narrow(dir / L"notes.txt");
    EXPECT_NE(Module::Get().Fn<SetAttrA>("FsSetAttr")(narrow.data(), 0), 0);
    EXPECT_FALSE(IsReadOnly(dir / L"notes.txt"));
}

TEST(SetTime, LastWriteOnlyChangesOnlyLastWriteOfEveryMember) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 4, L".png"));
    FILETIME created[3], accessed[3], written[3];
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ReadTimes(dir / MemberName(L"img", i + 1, 4, L".png"), created[i], accessed[i], written[i]));
    ProgressRecorder progress;
    progress.InitModule();
    progress.PostProbes(true);
    FILETIME stamp = kStamp;
    const std::wstring entry = dir.Plugin(L"img<0001-3>.png");
    EXPECT_EQ(SetTimes(entry, nullptr, nullptr, &stamp), 1);
    FILETIME after[3][3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(ReadTimes(dir / MemberName(L"img", i + 1, 4, L".png"), after[i][0], after[i][1], after[i][2]));
        EXPECT_TRUE(SameTime(after[i][2], kStamp)) << i;
        EXPECT_TRUE(SameTime(after[i][1], accessed[i])) << i;
    }
    EXPECT_EQ(progress.percents(), (std::vector<int>{33, 66, 100})) << PercentText(progress.percents());
    for (const ProgressReport& r : progress.reports()) {
        EXPECT_EQ(r.source, entry);
        EXPECT_TRUE(r.targetNull);
        EXPECT_FALSE(r.probePending);
    }
    EXPECT_FALSE(ProgressRecorder::TakeProbes());
    if (UnderWine()) GTEST_SKIP() << "Wine's SetFileTime with only the last-write time also sets the creation time";
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameTime(after[i][0], created[i])) << i;
}

TEST(SetTime, PlainFileTakesAllThreeTimes) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"notes.txt", "notes"));
    FILETIME c = MakeFileTime(1999, 1, 1), a = MakeFileTime(2002, 2, 2), w = MakeFileTime(2003, 3, 3);
    EXPECT_NE(SetTimes(dir.Plugin(L"notes.txt"), &c, &a, &w), 0);
    FILETIME rc{}, ra{}, rw{};
    ASSERT_TRUE(ReadTimes(dir / L"notes.txt", rc, ra, rw));
    EXPECT_TRUE(SameTime(rw, w));
    EXPECT_TRUE(SameTime(ra, a));
    if (UnderWine()) GTEST_SKIP() << "Wine ignores a creation time given to SetFileTime";
    EXPECT_TRUE(SameTime(rc, c));
}

TEST(SetTime, LockedReadOnlyOrMissingMemberStopsTheWalk) {
    TempDir dir;
    FILETIME stamp = kStamp;
    ASSERT_TRUE(MakeSeries(dir, L"l", 1, 3, 1, L""));
    {
        LockedFile lock(dir / L"l2");
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(SetTimes(dir.Plugin(L"l<1-3>"), nullptr, nullptr, &stamp), 0);
    }
    EXPECT_TRUE(SameTime(WrittenTime(dir / L"l1"), kStamp));
    EXPECT_FALSE(SameTime(WrittenTime(dir / L"l2"), kStamp));
    EXPECT_FALSE(SameTime(WrittenTime(dir / L"l3"), kStamp));

    ASSERT_TRUE(MakeSeries(dir, L"m", 1, 3, 1, L""));
    ASSERT_TRUE(DeleteFileW((dir / L"m2").c_str()));
    EXPECT_EQ(SetTimes(dir.Plugin(L"m<1-3>"), nullptr, nullptr, &stamp), 0);
    EXPECT_TRUE(SameTime(WrittenTime(dir / L"m1"), kStamp));
    EXPECT_FALSE(SameTime(WrittenTime(dir / L"m3"), kStamp));

    if (!ReadOnlyEnforced(dir)) GTEST_SKIP() << "read-only files are writable here (Wine run as root)";
    ASSERT_TRUE(MakeSeries(dir, L"r", 1, 3, 1, L""));
    ASSERT_TRUE(SetReadOnly(dir / L"r2", true));
    EXPECT_EQ(SetTimes(dir.Plugin(L"r<1-3>"), nullptr, nullptr, &stamp), 0);
    EXPECT_TRUE(SameTime(WrittenTime(dir / L"r1"), kStamp));
    EXPECT_FALSE(SameTime(WrittenTime(dir / L"r2"), kStamp));
    EXPECT_FALSE(SameTime(WrittenTime(dir / L"r3"), kStamp));
}

TEST(SetTime, AbortMidSeriesAndNarrowTwin) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"t", 1, 4, 1, L""));
    ProgressRecorder progress;
    progress.InitModule();
    progress.CancelAt(3);
    FILETIME stamp = kStamp;
    EXPECT_EQ(SetTimes(dir.Plugin(L"t<1-4>"), nullptr, nullptr, &stamp), 5);
    EXPECT_TRUE(SameTime(WrittenTime(dir / L"t3"), kStamp));
    EXPECT_FALSE(SameTime(WrittenTime(dir / L"t4"), kStamp));

    progress.CancelAt(0);
    std::string narrow = "\\" + Narrow(dir / L"t<1-4>");
    EXPECT_EQ(Module::Get().Fn<SetTimeA>("FsSetTime")(narrow.data(), nullptr, nullptr, &stamp), 1);
    EXPECT_TRUE(SameTime(WrittenTime(dir / L"t4"), kStamp));
    EXPECT_EQ(SetTimes(L"\\", nullptr, nullptr, &stamp), 0);
}
