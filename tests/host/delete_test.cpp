// Deleting plain files and series: the plugin's warning, the member walk, its progress and where
// it stops.
#include <gtest/gtest.h>

#include "support/member_files.h"
#include "support/msgbox_hook.h"
#include "support/progress_recorder.h"
#include "support/support.h"

using namespace tftest;

namespace {

using DeleteW = BOOL(WINAPI*)(WCHAR*);
using DeleteA = BOOL(WINAPI*)(char*);

BOOL DeleteEntry(std::wstring pluginPath) { return Module::Get().Fn<DeleteW>("FsDeleteFileW")(pluginPath.data()); }

std::vector<int> Counters(int first, int last) {
    std::vector<int> out;
    for (int i = first; i <= last; ++i) out.push_back(i);
    return out;
}

std::wstring Warning(int count, const std::wstring& first, const std::wstring& last) {
    return L"WARNING: This will delete " + std::to_wstring(count) + L" files DIRECTLY (no recycle bin)!\n\n" + first +
           L"\n...\n" + last + L"\n\nProceed?";
}

}  // namespace

TEST(DeleteSeries, WarningNamesCountFirstAndLastAndNoKeepsEveryMember) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 100, 4, L".png"));
    ProgressRecorder progress;
    progress.InitModule();
    MessageBoxHook hook(IDNO);
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"img<0001-100>.png")), 0);
    ASSERT_EQ(hook.seen().size(), 1u);
    const SeenMessageBox& box = hook.seen()[0];
    EXPECT_EQ(box.caption, L"Tallyfold");
    EXPECT_EQ(box.text, Warning(100, L"img0001.png", L"img0100.png"));
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO})) << Describe(box);
    EXPECT_EQ(box.defaultButton, IDNO);
    EXPECT_EQ(box.icon, 0) << "the warning shows no icon";
    EXPECT_EQ(box.context.assembly, L"Tallyfold") << "drawn in the module's own activation context";
    EXPECT_TRUE(box.context.commonControls6);
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 100, 4, L".png"), Counters(1, 100));
    EXPECT_TRUE(progress.reports().empty());
}

TEST(DeleteSeries, EnterAtOnceAnswersNo) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 4, L".png"));
    MessageBoxHook hook(IDOK);  // the box has no OK: the hook presses the default button, as Enter does
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"img<0001-3>.png")), 0);
    ASSERT_EQ(hook.seen().size(), 1u);
    EXPECT_EQ(hook.seen()[0].answered, IDNO);
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 3, 4, L".png"), Counters(1, 3));
}

TEST(DeleteSeries, YesDeletesEveryMemberWithPumpedProgress) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"scan", 7, 10, 0, L".tif"));
    ASSERT_TRUE(WriteBytes(dir / L"scan11.tif", "not a member"));
    ProgressRecorder progress;
    progress.InitModule(7);
    progress.PostProbes(true);
    MessageBoxHook hook(IDYES);
    const std::wstring entry = dir.Plugin(L"scan<7-10>.tif");
    EXPECT_EQ(DeleteEntry(entry), 1);
    ASSERT_EQ(hook.seen().size(), 1u);
    EXPECT_EQ(hook.seen()[0].text, Warning(4, L"scan7.tif", L"scan10.tif"));
    EXPECT_TRUE(IntactMembers(dir, L"scan", 7, 10, 0, L".tif").empty());
    for (int i = 7; i <= 10; ++i) EXPECT_FALSE(Exists(dir / MemberName(L"scan", i, 0, L".tif"))) << i;
    EXPECT_EQ(ReadBytes(dir / L"scan11.tif"), "not a member");

    EXPECT_EQ(progress.percents(), (std::vector<int>{25, 50, 75, 100})) << PercentText(progress.percents());
    for (const ProgressReport& r : progress.reports()) {
        EXPECT_EQ(r.pluginNr, 7);
        EXPECT_EQ(r.source, entry);
        EXPECT_TRUE(r.targetNull) << "a delete reports no target";
        EXPECT_FALSE(r.probePending) << "the queue was not drained before the report at " << r.percent;
    }
    EXPECT_FALSE(ProgressRecorder::TakeProbes()) << "the queue was not drained after the last report";
}

TEST(DeleteSeries, TwoMembersStillShowTheLineOfDotsAndTheWarningIsOwnedByTheActiveWindow) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"a", 1, 2, 2, L""));
    const HWND owner = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);
    {
        MessageBoxHook hook(IDNO);
        EXPECT_EQ(DeleteEntry(dir.Plugin(L"a<01-2>")), 0);
        ASSERT_EQ(hook.seen().size(), 1u);
        EXPECT_EQ(hook.seen()[0].text, Warning(2, L"a01", L"a02"));
        EXPECT_EQ(hook.seen()[0].owner, owner);
    }
    DestroyWindow(owner);
}

TEST(DeleteSeries, MissingMemberInTheMiddleStopsThere) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 10, 3, L".png"));
    ASSERT_TRUE(DeleteFileW((dir / L"img005.png").c_str()));
    ProgressRecorder progress;
    progress.InitModule();
    MessageBoxHook hook(IDYES);
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"img<001-10>.png")), 0);
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 10, 3, L".png"), Counters(6, 10));
    EXPECT_EQ(progress.percents(), (std::vector<int>{10, 20, 30, 40})) << PercentText(progress.percents());
}

TEST(DeleteSeries, LockedMemberStopsTheWalkAndStays) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"f", 1, 5, 1, L".bin"));
    LockedFile lock(dir / L"f3.bin");
    ASSERT_TRUE(lock.locked());
    MessageBoxHook hook(IDYES);
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"f<1-5>.bin")), 0);
    EXPECT_FALSE(Exists(dir / L"f1.bin"));
    EXPECT_FALSE(Exists(dir / L"f2.bin"));
    EXPECT_TRUE(Exists(dir / L"f3.bin"));
    EXPECT_EQ(IntactMembers(dir, L"f", 4, 5, 1, L".bin"), Counters(4, 5));
}

TEST(DeleteSeries, ReadOnlyMemberStopsTheWalkAndStays) {
    TempDir dir;
    if (!ReadOnlyEnforced(dir)) GTEST_SKIP() << "read-only files are writable here (Wine run as root)";
    ASSERT_TRUE(MakeSeries(dir, L"f", 1, 4, 1, L".bin"));
    ASSERT_TRUE(SetReadOnly(dir / L"f2.bin", true));
    MessageBoxHook hook(IDYES);
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"f<1-4>.bin")), 0);
    EXPECT_FALSE(Exists(dir / L"f1.bin"));
    EXPECT_EQ(IntactMembers(dir, L"f", 2, 4, 1, L".bin"), Counters(2, 4));
}

TEST(DeleteSeries, AbortAtTheFirstReportAndMidSeries) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"a", 1, 6, 1, L".txt"));
    ASSERT_TRUE(MakeSeries(dir, L"b", 1, 6, 1, L".txt"));
    ProgressRecorder progress;
    progress.InitModule();
    MessageBoxHook hook(IDYES);

    progress.CancelAt(1);
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"a<1-6>.txt")), 5);
    EXPECT_EQ(IntactMembers(dir, L"a", 1, 6, 1, L".txt"), Counters(2, 6)) << "the member before the report is gone";
    EXPECT_EQ(progress.percents(), std::vector<int>{16});

    progress.Clear();
    progress.CancelAt(3);
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"b<1-6>.txt")), 5);
    EXPECT_EQ(IntactMembers(dir, L"b", 1, 6, 1, L".txt"), Counters(4, 6));
    EXPECT_EQ(progress.percents(), (std::vector<int>{16, 33, 50}));
}

// Regression: a warning that could not be shown counted as "not No", and every member went.
TEST(DeleteSeries, WarningThatCannotBeShownDeletesNothing) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 1, L".png"));
    struct RefuseDialogs {
        static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
            if (code == HCBT_CREATEWND) {
                wchar_t cls[16] = {};
                GetClassNameW(reinterpret_cast<HWND>(wParam), cls, 16);
                if (std::wstring(cls) == L"#32770") return 1;
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        }
    };
    const HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseDialogs::Proc, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const BOOL result = DeleteEntry(dir.Plugin(L"img<1-3>.png"));
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 3, 1, L".png"), Counters(1, 3));
}

TEST(DeleteSeries, DeepFolderWorksWherePlainFilesDo) {
    TempDir dir;
    std::wstring deep = dir.path();
    for (wchar_t c : {L'a', L'b', L'c'}) {
        deep += L"\\" + std::wstring(200, c);
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    ASSERT_GT(deep.size(), 600u);
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(WriteBytes(deep + L"\\img" + std::to_wstring(i) + L".png", MemberContent(i)));
    MessageBoxHook hook(IDYES);
    EXPECT_EQ(DeleteEntry(L"\\" + deep + L"\\img<1-3>.png"), 1);
    ASSERT_EQ(hook.seen().size(), 1u);
    EXPECT_EQ(hook.seen()[0].text, Warning(3, L"img1.png", L"img3.png"));
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(Exists(deep + L"\\img" + std::to_wstring(i) + L".png")) << i;
}

TEST(DeleteSeries, UnreachableMembersFailInsteadOfBeingSkipped) {
    TempDir dir;
    std::wstring entry = dir.Plugin();
    while (entry.size() < 1100) entry += L"\\folder";
    entry += L"\\img<1-3>.png";
    MessageBoxHook hook(IDYES);
    EXPECT_EQ(DeleteEntry(entry), 0);
}

TEST(DeletePlainFile, PlainFileGoesWithoutAQuestion) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"notes.txt", "notes"));
    ProgressRecorder progress;
    progress.InitModule();
    MessageBoxHook hook(IDNO);
    EXPECT_NE(DeleteEntry(dir.Plugin(L"notes.txt")), 0);
    EXPECT_FALSE(Exists(dir / L"notes.txt"));
    EXPECT_EQ(DeleteEntry(dir.Plugin(L"notes.txt")), 0) << "a missing file";
    EXPECT_TRUE(hook.seen().empty());
    EXPECT_TRUE(progress.reports().empty());
}

TEST(DeletePlainFile, RootShortNamesAndNullAskNothing) {
    MessageBoxHook hook(IDYES);
    EXPECT_EQ(DeleteEntry(L"\\"), 0);
    EXPECT_EQ(DeleteEntry(L"\\C"), 0);
    EXPECT_EQ(DeleteEntry(L"\\<"), 0);
    EXPECT_EQ(Module::Get().Fn<DeleteW>("FsDeleteFileW")(nullptr), 0);
    EXPECT_EQ(Module::Get().Fn<DeleteA>("FsDeleteFile")(nullptr), 0);
    EXPECT_TRUE(hook.seen().empty());
}

TEST(DeletePlainFile, NarrowTwinWarnsAlikeAndRefusesOverlongNames) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"n", 1, 3, 1, L".dat"));
    MessageBoxHook hook(IDYES);
    std::string entry = "\\" + Narrow(dir / L"n<1-3>.dat");
    EXPECT_EQ(Module::Get().Fn<DeleteA>("FsDeleteFile")(entry.data()), 1);
    ASSERT_EQ(hook.seen().size(), 1u);
    EXPECT_EQ(hook.seen()[0].text, Warning(3, L"n1.dat", L"n3.dat"));
    EXPECT_TRUE(IntactMembers(dir, L"n", 1, 3, 1, L".dat").empty());

    // The first 1023 characters of the argument name a file that exists: cut, the call would
    // delete it.
    const std::wstring keep = DeepPath(dir, 1022);
    ASSERT_TRUE(WriteBytes(keep, "keep"));
    std::string overlong = "\\" + Narrow(keep) + "-more";
    EXPECT_EQ(Module::Get().Fn<DeleteA>("FsDeleteFile")(overlong.data()), 0);
    EXPECT_EQ(ReadBytes(keep), "keep");
}
