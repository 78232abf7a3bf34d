// Download and upload: which file arrives, what the host hears, and that nothing is lost.
#include <gtest/gtest.h>

#include "support/folder_state.h"
#include "support/member_files.h"
#include "support/progress_recorder.h"
#include "support/support.h"

using namespace tftest;

namespace {

using GetFileW = int(WINAPI*)(WCHAR*, WCHAR*, int, void*);
using GetFileA = int(WINAPI*)(char*, char*, int, void*);
using PutFileW = int(WINAPI*)(WCHAR*, WCHAR*, int);
using PutFileA = int(WINAPI*)(char*, char*, int);

constexpr int kOverwrite = 1;
constexpr int kResume = 2;
constexpr int kMove = 4;

int Get(std::wstring remote, std::wstring local, int flags) {
    return Module::Get().Fn<GetFileW>("FsGetFileW")(remote.data(), local.data(), flags, nullptr);
}

int Put(std::wstring local, std::wstring remote, int flags) {
    return Module::Get().Fn<PutFileW>("FsPutFileW")(local.data(), remote.data(), flags);
}

}  // namespace

TEST(GetFile, SeriesDeliversItsFirstMemberOnly) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 5, 4, L".png"));
    ProgressRecorder progress;
    progress.InitModule(3);
    const std::wstring view = dir / L"view.png";
    EXPECT_EQ(Get(dir.Plugin(L"img<0001-5>.png"), view, 0), 0);
    EXPECT_EQ(ReadBytes(view), MemberContent(1));
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 5, 4, L".png"), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(progress.percents(), (std::vector<int>{0, 100}));
    for (const ProgressReport& r : progress.reports()) {
        EXPECT_EQ(r.pluginNr, 3);
        EXPECT_EQ(r.source, dir.Plugin(L"img0001.png")) << "the reports name the member that stands for the series";
        EXPECT_EQ(r.target, view);
    }

    EXPECT_EQ(Get(dir.Plugin(L"img<0001-5>.png"), dir / L"moved.png", kMove), 0);
    EXPECT_EQ(ReadBytes(dir / L"moved.png"), MemberContent(1));
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 5, 4, L".png"), (std::vector<int>{2, 3, 4, 5}));

    EXPECT_EQ(Get(dir.Plugin(L"img<0001-5>.png"), dir / L"again.png", 0), 2) << "the first member is gone now";
    EXPECT_FALSE(Exists(dir / L"again.png"));
}

TEST(GetFile, ExistingTargetNeedsTheOverwriteBit) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"remote.txt", "remote"));
    ASSERT_TRUE(WriteBytes(dir / L"local.txt", "local"));
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"local.txt", 0), 1);
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "local");
    // Regression: a move meets the target as 183 and answered 3, so the host never asked.
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"local.txt", kMove), 1);
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "local");
    EXPECT_EQ(ReadBytes(dir / L"remote.txt"), "remote");
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"local.txt", kOverwrite), 0);
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "remote");

    ASSERT_TRUE(WriteBytes(dir / L"local.txt", "local"));
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"local.txt", kMove | kOverwrite), 0);
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "remote");
    EXPECT_FALSE(Exists(dir / L"remote.txt"));
}

// Regression: an overwriting move deleted the target first, so a source that then could not
// be moved (missing, or held open elsewhere) cost the user the target.
TEST(GetFile, FailedOverwritingMoveKeepsTheTarget) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"local.txt", "local"));
    EXPECT_EQ(Get(dir.Plugin(L"missing.txt"), dir / L"local.txt", kMove | kOverwrite), 2);
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "local");

    ASSERT_TRUE(WriteBytes(dir / L"busy.txt", "busy"));
    {
        LockedFile lock(dir / L"busy.txt");
        ASSERT_TRUE(lock.locked());
        EXPECT_NE(Get(dir.Plugin(L"busy.txt"), dir / L"local.txt", kMove | kOverwrite), 0);
    }
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "local");
    EXPECT_EQ(ReadBytes(dir / L"busy.txt"), "busy");

    ASSERT_TRUE(MakeSeries(dir, L"s", 2, 3, 1, L""));
    ASSERT_TRUE(DeleteFileW((dir / L"s2").c_str()));
    EXPECT_EQ(Get(dir.Plugin(L"s<2-3>"), dir / L"local.txt", kMove | kOverwrite), 2) << "the series' first member is missing";
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "local");
}

TEST(GetFile, ResumeAbortAndBadNamesChangeNothing) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"remote.txt", "remote"));
    ProgressRecorder progress;
    progress.InitModule();
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"a.txt", kResume), 6);
    EXPECT_TRUE(progress.reports().empty()) << "refused before any report";

    progress.CancelAt(1);
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"a.txt", kMove), 5);
    EXPECT_FALSE(Exists(dir / L"a.txt"));
    EXPECT_EQ(ReadBytes(dir / L"remote.txt"), "remote");
    EXPECT_EQ(progress.percents(), std::vector<int>{0});

    progress.Clear();
    progress.CancelAt(2);
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"a.txt", 0), 0) << "the last report cannot undo the copy";
    EXPECT_EQ(ReadBytes(dir / L"a.txt"), "remote");

    progress.Clear();
    progress.CancelAt(0);
    EXPECT_EQ(Get(L"\\", dir / L"b.txt", 0), 2);
    EXPECT_EQ(Get(L"\\C", dir / L"b.txt", 0), 2);
    EXPECT_EQ(Module::Get().Fn<GetFileW>("FsGetFileW")(nullptr, nullptr, 0, nullptr), 2);
    std::wstring remote = dir.Plugin(L"remote.txt");
    EXPECT_EQ(Module::Get().Fn<GetFileW>("FsGetFileW")(remote.data(), nullptr, 0, nullptr), 2);
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"no folder\\b.txt", 0), 2);
    std::wstring overlong = dir.Plugin();
    while (overlong.size() < 1100) overlong += L"\\folder";
    EXPECT_EQ(Get(overlong + L"\\img<1-3>.png", dir / L"b.txt", 0), 3) << "the first member's name cannot be built";
    EXPECT_EQ(progress.reports().size(), 1u) << "only the call that reached the system reported";
}

TEST(GetFile, ReadOnlyOrLockedFilesGiveTheirCodes) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"remote.txt", "remote"));
    ASSERT_TRUE(WriteBytes(dir / L"busy.txt", "busy"));
    {
        LockedFile lock(dir / L"busy.txt");
        EXPECT_EQ(Get(dir.Plugin(L"busy.txt"), dir / L"copy.txt", 0), 3) << "a sharing violation is a read error";
    }
    if (!ReadOnlyEnforced(dir)) GTEST_SKIP() << "read-only files are writable here (Wine run as root)";
    ASSERT_TRUE(WriteBytes(dir / L"local.txt", "local"));
    ASSERT_TRUE(SetReadOnly(dir / L"local.txt", true));
    EXPECT_EQ(Get(dir.Plugin(L"remote.txt"), dir / L"local.txt", kOverwrite), 2);
    EXPECT_EQ(ReadBytes(dir / L"local.txt"), "local");
}

TEST(GetFile, NarrowTwin) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"n", 1, 2, 1, L".dat"));
    std::string remote = "\\" + Narrow(dir / L"n<1-2>.dat");
    std::string local = Narrow(dir / L"out.dat");
    EXPECT_EQ(Module::Get().Fn<GetFileA>("FsGetFile")(remote.data(), local.data(), 0, nullptr), 0);
    EXPECT_EQ(ReadBytes(dir / L"out.dat"), MemberContent(1));
    std::string overlong = remote + std::string(1100, 'x');
    EXPECT_EQ(Module::Get().Fn<GetFileA>("FsGetFile")(overlong.data(), local.data(), kOverwrite, nullptr), 2);
}

// A series entry got under a local range name: every member, checked before any file is written.
TEST(GetFile, SeriesToALocalRangeName) {
    struct Row {
        const char* what;
        const wchar_t* local;
        int flags;
        int missing;              // the source member left out, 0 none
        const wchar_t* inTheWay;  // a local file there before, holding "old"
        bool narrow;
        int code;
        std::vector<const wchar_t*> delivered;  // local names of members 1, 2, 3 when code is 0
    };
    const Row rows[] = {
        {"delivered whole", L"img<01-3>.png", 0, 0, nullptr, false, 0, {L"img01.png", L"img02.png", L"img03.png"}},
        {"a typed local range", L"frame<1>.png", 0, 0, nullptr, false, 0, {L"frame1.png", L"frame2.png", L"frame3.png"}},
        {"a member in the way", L"img<01-3>.png", 0, 0, L"img02.png", false, 1, {}},
        {"then with overwrite", L"img<01-3>.png", kOverwrite, 0, L"img02.png", false, 0, {L"img01.png", L"img02.png", L"img03.png"}},
        {"move, replacing", L"f<8-10>.png", kMove | kOverwrite, 0, L"f9.png", false, 0, {L"f8.png", L"f9.png", L"f10.png"}},
        {"a gap", L"img<01-3>.png", 0, 2, nullptr, false, 2, {}},
        {"another length", L"img<01-4>.png", 0, 0, nullptr, false, 4, {}},
        {"the narrow twin", L"n<7>.png", kMove, 0, nullptr, true, 0, {L"n7.png", L"n8.png", L"n9.png"}},
        // A host that cleans names passes the entry's name with '<' and '>' replaced.
        {"a cleaned range name", L"img_01-3_.png", 0, 0, nullptr, false, 0, {L"img01.png", L"img02.png", L"img03.png"}},
        {"cleaned with spaces", L"img 01-3 .png", kMove, 0, nullptr, false, 0, {L"img01.png", L"img02.png", L"img03.png"}},
        {"no range in the brackets", L"a<b>.png", 0, 0, nullptr, false, 4, {}},
        {"no file name around the range", L"img<1-3>*.png", 0, 0, nullptr, false, 4, {}},
    };
    ProgressRecorder progress;
    progress.InitModule();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir source, out;
        ASSERT_TRUE(MakeSeries(source, L"img", 1, 3, 2, L".png"));
        if (row.missing) {
            ASSERT_TRUE(DeleteFileW((source / MemberName(L"img", row.missing, 2, L".png")).c_str()));
        }
        if (row.inTheWay) {
            ASSERT_TRUE(WriteBytes(out / row.inTheWay, "old"));
        }
        const FolderState before = ReadFolder(out.path());
        const std::wstring remote = source.Plugin(L"img<01-3>.png"), local = out / row.local;
        progress.Clear();
        if (row.narrow) {
            std::string a = Narrow(remote), b = Narrow(local);
            EXPECT_EQ(Module::Get().Fn<GetFileA>("FsGetFile")(a.data(), b.data(), row.flags, nullptr), row.code);
        } else {
            EXPECT_EQ(Get(remote, local, row.flags), row.code);
        }
        if (row.code != 0) {
            EXPECT_EQ(ReadFolder(out.path()), before) << "nothing written";
            continue;
        }
        EXPECT_EQ(ReadFolder(out.path()).size(), 3u);
        for (int k = 1; k <= 3; ++k) EXPECT_EQ(ReadBytes(out / row.delivered[k - 1]), MemberContent(k));
        const std::vector<int> left = (row.flags & kMove) ? std::vector<int>{} : std::vector<int>{1, 2, 3};
        EXPECT_EQ(IntactMembers(source, L"img", 1, 3, 2, L".png"), left);
        EXPECT_EQ(progress.percents(), (std::vector<int>{0, 33, 66, 100}));
    }
}

// Regression: a cancel right after a member that failed answered 5 and hid the failure.
TEST(GetFile, ACancelAfterAFailedMemberKeepsItsCode) {
    TempDir dir, out;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 1, L".png"));
    LockedFile lock(dir / L"img2.png");
    ASSERT_TRUE(lock.locked());
    ProgressRecorder progress;
    progress.InitModule();
    progress.CancelAt(3);
    EXPECT_EQ(Get(dir.Plugin(L"img<1-3>.png"), out / L"img<1-3>.png", 0), 3) << "a sharing violation is a read error";
}

TEST(PutFile, CopiesToThePluginPathWithTwoReports) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "local a"));
    ASSERT_TRUE(CreateDirectoryW((dir / L"x").c_str(), nullptr));
    ProgressRecorder progress;
    progress.InitModule();
    const std::wstring remote = dir.Plugin(L"x\\a.txt");
    EXPECT_EQ(Put(dir / L"a.txt", remote, 0), 0);
    EXPECT_EQ(ReadBytes(dir / L"x\\a.txt"), "local a");
    EXPECT_EQ(ReadBytes(dir / L"a.txt"), "local a");
    ASSERT_EQ(progress.percents(), (std::vector<int>{0, 100}));
    for (const ProgressReport& r : progress.reports()) {
        EXPECT_EQ(r.source, dir / L"a.txt");
        EXPECT_EQ(r.target, remote);
    }

    EXPECT_EQ(Put(dir / L"a.txt", remote, 0), 1);
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "newer a"));
    EXPECT_EQ(Put(dir / L"a.txt", remote, kMove), 1) << "a move onto an existing file lets the host ask";
    EXPECT_EQ(ReadBytes(dir / L"x\\a.txt"), "local a");
    EXPECT_EQ(ReadBytes(dir / L"a.txt"), "newer a");
    EXPECT_EQ(Put(dir / L"a.txt", remote, kMove | kOverwrite), 0);
    EXPECT_EQ(ReadBytes(dir / L"x\\a.txt"), "newer a");
    EXPECT_FALSE(Exists(dir / L"a.txt"));

    EXPECT_EQ(Put(dir / L"a.txt", remote, kMove | kOverwrite), 2) << "the local file is gone";
    EXPECT_EQ(ReadBytes(dir / L"x\\a.txt"), "newer a") << "and the target stays";
}

TEST(PutFile, RemoteNameIsNeverARange) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "a"));
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 2, 1, L".png"));
    EXPECT_NE(Put(dir / L"a.txt", dir.Plugin(L"img<1-2>.png"), kOverwrite), 0);
    EXPECT_EQ(IntactMembers(dir, L"img", 1, 2, 1, L".png"), (std::vector<int>{1, 2}));
}

TEST(PutFile, ResumeRootAbortAndNarrowTwin) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "a"));
    ProgressRecorder progress;
    progress.InitModule();
    EXPECT_EQ(Put(dir / L"a.txt", dir.Plugin(L"b.txt"), kResume), 6);
    EXPECT_EQ(Put(dir / L"a.txt", L"\\", 0), 2);
    EXPECT_EQ(Put(dir / L"a.txt", L"\\C", 0), 2);
    EXPECT_EQ(Module::Get().Fn<PutFileW>("FsPutFileW")(nullptr, nullptr, 0), 2);
    EXPECT_TRUE(progress.reports().empty());
    progress.CancelAt(1);
    EXPECT_EQ(Put(dir / L"a.txt", dir.Plugin(L"b.txt"), kMove), 5);
    EXPECT_TRUE(Exists(dir / L"a.txt"));
    EXPECT_FALSE(Exists(dir / L"b.txt"));

    progress.CancelAt(0);
    std::string local = Narrow(dir / L"a.txt");
    std::string remote = "\\" + Narrow(dir / L"c.txt");
    EXPECT_EQ(Module::Get().Fn<PutFileA>("FsPutFile")(local.data(), remote.data(), 0), 0);
    EXPECT_EQ(ReadBytes(dir / L"c.txt"), "a");
}
