// Faults on real files during the series operations: cancel at every progress report in turn, a
// member that vanishes between listing and operation or during the walk, a member held open
// with share mode 0, a read-only member, and a full disk under a download. After each, the end
// state is exact: the members before the fault are done, the fault's member and those after it
// are as they were, and no file is lost that the operation did not mean to remove.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/member_files.h"
#include "support/msgbox_hook.h"
#include "support/progress_recorder.h"
#include "support/support.h"

using namespace tftest;

namespace {

constexpr int kMembers = 5;
const FILETIME kStamp = MakeFileTime(2003, 4, 5, 6, 7);

std::wstring Member(int k) { return MemberName(L"m", k, 0, L".dat"); }

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A series operation with the test of whether it was applied to one member.
struct SeriesOp {
    const char* name;
    std::function<int(std::wstring entry)> run;
    std::function<bool(const std::wstring& path)> applied;
    bool removes;            // done members are gone
    bool stopsAtLocked;      // a member open with share mode 0 stops the walk
    bool stopsAtReadOnly;    // a read-only member stops the walk
};

std::vector<SeriesOp> Ops() {
    return {
        {"delete",
         [](std::wstring entry) {
             MessageBoxHook yes(IDYES);
             return static_cast<int>(Module::Get().Fn<BOOL(WINAPI*)(WCHAR*)>("FsDeleteFileW")(entry.data()));
         },
         [](const std::wstring& path) { return !Exists(path); }, true, true, true},
        {"set attributes",
         [](std::wstring entry) {
             return static_cast<int>(Module::Get().Fn<BOOL(WINAPI*)(WCHAR*, int)>("FsSetAttrW")(entry.data(), FILE_ATTRIBUTE_HIDDEN));
         },
         [](const std::wstring& path) {
             const DWORD a = Attributes(path);
             return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_HIDDEN) != 0;
         },
         // Attributes need no data access: neither a share-mode-0 handle nor read-only stops them.
         false, false, false},
        {"set times",
         [](std::wstring entry) {
             FILETIME stamp = kStamp;
             return static_cast<int>(Module::Get().Fn<BOOL(WINAPI*)(WCHAR*, FILETIME*, FILETIME*, FILETIME*)>("FsSetTimeW")(
                 entry.data(), nullptr, nullptr, &stamp));
         },
         [](const std::wstring& path) {
             FILETIME c{}, a{}, w{};
             return ReadTimes(path, c, a, w) && SameTime(w, kStamp);
         },
         false, true, true},
    };
}

// The end state after a walk that stopped at member `stop` (members before it done; it and
// the rest untouched, contents intact), or ran through (stop = kMembers + 1).
void ExpectStoppedAt(const TempDir& dir, const SeriesOp& op, int stop, const std::string& what, int missing = 0) {
    for (int k = 1; k <= kMembers; ++k) {
        const std::wstring path = dir / Member(k);
        if (k == missing) {
            EXPECT_FALSE(Exists(path)) << what << ": member " << k;
            continue;
        }
        if (k < stop) {
            EXPECT_TRUE(op.applied(path)) << what << ": member " << k << " should be done";
            if (!op.removes) {
                EXPECT_EQ(ReadBytes(path), MemberContent(k)) << what << ": member " << k;
            }
        } else {
            EXPECT_FALSE(op.applied(path)) << what << ": member " << k << " should be untouched";
            EXPECT_EQ(ReadBytes(path), MemberContent(k)) << what << ": member " << k << " lost its content";
        }
    }
}

// Lets TempDir clean up after read-only and hidden members.
void ClearAttributes(const TempDir& dir) {
    for (int k = 1; k <= kMembers; ++k) SetFileAttributesW((dir / Member(k)).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The series entry as the listing hands it out, so the operation gets the name the host has.
std::wstring ListedEntry(const TempDir& dir) {
    for (const std::wstring& name : ListNames(dir.Plugin())) {
        if (name.find(L'<') != std::wstring::npos) return dir.Plugin(name);
    }
    return L"";
}

int g_faults = 0;

// Runs the operation on the series entry, whose member is missing when the walk reaches it: the
// operation answers 0 there, with the members before it done and the rest untouched.
void ExpectStopAtGoneMember(const TempDir& dir, const SeriesOp& op, const std::wstring& entry, int member, const char* what) {
    EXPECT_EQ(op.run(entry), 0) << op.name << what;
    ++g_faults;
    ExpectStoppedAt(dir, op, member, std::string(op.name) + what, member);
    ClearAttributes(dir);
}

}  // namespace

TEST(SeriesFaults, CancelAtEveryReportInTurn) {
    for (const SeriesOp& op : Ops()) {
        for (int cancel = 1; cancel <= kMembers; ++cancel) {
            const std::string what = std::string(op.name) + ", cancel at report " + std::to_string(cancel);
            TempDir dir;
            ASSERT_TRUE(MakeSeries(dir, L"m", 1, kMembers, 0, L".dat"));
            const std::wstring entry = ListedEntry(dir);
            ASSERT_EQ(entry, dir.Plugin(L"m<1-5>.dat"));
            ProgressRecorder progress;
            progress.InitModule();
            progress.CancelAt(cancel);
            EXPECT_EQ(op.run(entry), 5) << what;
            ++g_faults;
            EXPECT_EQ(progress.reports().size(), static_cast<size_t>(cancel)) << what << ": reports after the cancel";
            // The report follows its member: the member reported when the user cancelled is done.
            ExpectStoppedAt(dir, op, cancel + 1, what);
            ClearAttributes(dir);
        }
    }
}

TEST(SeriesFaults, MemberGoneBetweenListingAndOperation) {
    for (const SeriesOp& op : Ops()) {
        TempDir dir;
        ASSERT_TRUE(MakeSeries(dir, L"m", 1, kMembers, 0, L".dat"));
        const std::wstring entry = ListedEntry(dir);
        ASSERT_EQ(entry, dir.Plugin(L"m<1-5>.dat"));
        ASSERT_TRUE(DeleteFileW((dir / Member(3)).c_str()));
        ProgressRecorder progress;
        progress.InitModule();
        ExpectStopAtGoneMember(dir, op, entry, 3, ", member 3 gone before");
        EXPECT_EQ(progress.reports().size(), 2u) << op.name << ": no report for the member that failed";
    }
}

TEST(SeriesFaults, MemberGoneDuringTheWalk) {
    for (const SeriesOp& op : Ops()) {
        TempDir dir;
        ASSERT_TRUE(MakeSeries(dir, L"m", 1, kMembers, 0, L".dat"));
        ProgressRecorder progress;
        progress.InitModule();
        // At the first report another program removes member 4.
        const std::wstring victim = dir / Member(4);
        progress.OnReport([&](const ProgressReport&) {
            SetFileAttributesW(victim.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(victim.c_str());
        });
        ExpectStopAtGoneMember(dir, op, dir.Plugin(L"m<1-5>.dat"), 4, ", member 4 gone during the walk");
    }
}

TEST(SeriesFaults, LockedMember) {
    for (const SeriesOp& op : Ops()) {
        TempDir dir;
        ASSERT_TRUE(MakeSeries(dir, L"m", 1, kMembers, 0, L".dat"));
        int result;
        {
            LockedFile lock(dir / Member(2));
            ASSERT_TRUE(lock.locked());
            result = op.run(dir.Plugin(L"m<1-5>.dat"));
            ++g_faults;
        }
        if (op.stopsAtLocked) {
            EXPECT_EQ(result, 0) << op.name;
            ExpectStoppedAt(dir, op, 2, std::string(op.name) + ", member 2 locked");
        } else {
            EXPECT_EQ(result, 1) << op.name;
            ExpectStoppedAt(dir, op, kMembers + 1, std::string(op.name) + ", member 2 locked");
        }
        ClearAttributes(dir);
    }
}

TEST(SeriesFaults, ReadOnlyMember) {
    for (const SeriesOp& op : Ops()) {
        TempDir dir;
        ASSERT_TRUE(MakeSeries(dir, L"m", 1, kMembers, 0, L".dat"));
        ASSERT_TRUE(SetFileAttributesW((dir / Member(4)).c_str(), FILE_ATTRIBUTE_READONLY));
        const int result = op.run(dir.Plugin(L"m<1-5>.dat"));
        ++g_faults;
        if (op.stopsAtReadOnly) {
            EXPECT_EQ(result, 0) << op.name;
            ExpectStoppedAt(dir, op, 4, std::string(op.name) + ", member 4 read-only");
            EXPECT_NE(Attributes(dir / Member(4)) & FILE_ATTRIBUTE_READONLY, 0u) << op.name;
        } else {
            EXPECT_EQ(result, 1) << op.name;
            ExpectStoppedAt(dir, op, kMembers + 1, std::string(op.name) + ", member 4 read-only");
        }
        ClearAttributes(dir);
    }
}

// A download and an upload onto a file system that fills up: the write error code, the source
// intact, and (the system's copy removes it) no partial file left behind. The test script mounts a small file system where it can
// and names it in TF_FULL_DISK.
TEST(SeriesFaults, TransferOntoAFullDisk) {
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TF_FULL_DISK", folder, MAX_PATH) == 0) {
        GTEST_SKIP() << "no small file system to fill (scripts/test mounts one when run as root)";
    }
    ULARGE_INTEGER freeBytes{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder, &freeBytes, nullptr, nullptr)) << Narrow(folder);
    ASSERT_LT(freeBytes.QuadPart, 64ull << 20) << "TF_FULL_DISK is not a small file system";
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"big", 1, 2, 0, L".bin"));
    const std::string big(static_cast<size_t>(freeBytes.QuadPart) + (1u << 20), 'b');
    ASSERT_TRUE(WriteBytes(dir / L"big1.bin", big));

    std::wstring remote = dir.Plugin(L"big<1-2>.bin");
    std::wstring local = std::wstring(folder) + L"\\got.bin";
    DeleteFileW(local.c_str());
    auto get = Module::Get().Fn<int(WINAPI*)(WCHAR*, WCHAR*, int, void*)>("FsGetFileW");
    EXPECT_EQ(get(remote.data(), local.data(), 0, nullptr), 4) << "a full disk is a write error";
    EXPECT_EQ(ReadBytes(dir / L"big1.bin").size(), big.size()) << "the source was damaged";
    EXPECT_EQ(ReadBytes(dir / L"big2.bin"), MemberContent(2));
    const bool partialDownload = Exists(local);
    DeleteFileW(local.c_str());

    std::wstring source = dir / L"big1.bin";
    std::wstring upload = L"\\" + std::wstring(folder) + L"\\put.bin";
    auto put = Module::Get().Fn<int(WINAPI*)(WCHAR*, WCHAR*, int)>("FsPutFileW");
    EXPECT_EQ(put(source.data(), upload.data(), 0), 4) << "a full disk is a write error";
    EXPECT_EQ(ReadBytes(source).size(), big.size()) << "the source was damaged";
    const bool partialUpload = Exists(upload.substr(1));
    DeleteFileW(upload.substr(1).c_str());
    if (UnderWine()) GTEST_SKIP() << "Wine's file copy leaves the partial target behind; the system's removes it";
    EXPECT_FALSE(partialDownload) << "a partial download was left behind";
    EXPECT_FALSE(partialUpload) << "a partial upload was left behind";
}

// ---- copy and move of a series into another folder ----------------------------------------

namespace {

using RenMovW = int(WINAPI*)(WCHAR*, WCHAR*, BOOL, BOOL, void*);

RenMovW RenMov() { return Module::Get().Fn<RenMovW>("FsRenMovFileW"); }

// Source and target folders with the series m1.dat ... m5.dat in the source.
struct CopyScene {
    TempDir dir;
    bool ok = false;
    CopyScene() {
        ok = CreateDirectoryW((dir / L"src").c_str(), nullptr) && CreateDirectoryW((dir / L"dst").c_str(), nullptr);
        for (int k = 1; ok && k <= kMembers; ++k) ok = WriteBytes(Source(k), MemberContent(k));
    }
    std::wstring Source(int k) const { return dir / (L"src\\" + Member(k)); }
    std::wstring Target(int k) const { return dir / (L"dst\\" + Member(k)); }
    int Run(BOOL move) const {
        std::wstring from = dir.Plugin(L"src\\m<1-5>.dat"), to = dir.Plugin(L"dst\\m<1-5>.dat");
        return RenMov()(from.data(), to.data(), move, FALSE, nullptr);
    }
    // Members before `stop` are at the target (and, moved, gone from the source); the others are
    // at the source only.
    void ExpectStoppedAt(BOOL move, int stop, const std::string& what) const {
        for (int k = 1; k <= kMembers; ++k) {
            if (k < stop) {
                EXPECT_EQ(ReadBytes(Target(k)), MemberContent(k)) << what << ": member " << k << " not at the target";
                EXPECT_EQ(Exists(Source(k)), !move) << what << ": member " << k;
            } else {
                EXPECT_FALSE(Exists(Target(k))) << what << ": member " << k << " should not be at the target";
                EXPECT_EQ(ReadBytes(Source(k)), MemberContent(k)) << what << ": member " << k << " lost at the source";
            }
        }
    }
    void ClearAttributes() const {
        for (int k = 1; k <= kMembers; ++k) {
            SetFileAttributesW(Source(k).c_str(), FILE_ATTRIBUTE_NORMAL);
            SetFileAttributesW(Target(k).c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
};

}  // namespace

TEST(SeriesCopyFaults, CancelAtEveryReportInTurn) {
    if (RenMov() == nullptr) GTEST_SKIP() << "the module does not export FsRenMovFileW yet";
    for (BOOL move : {FALSE, TRUE}) {
        // Report 1 is the 0 % report before any member; report k + 1 follows member k.
        for (int cancel = 1; cancel <= kMembers + 1; ++cancel) {
            const std::string what = std::string(move ? "move" : "copy") + ", cancel at report " + std::to_string(cancel);
            CopyScene scene;
            ASSERT_TRUE(scene.ok);
            ProgressRecorder progress;
            progress.InitModule();
            progress.CancelAt(cancel);
            EXPECT_EQ(scene.Run(move), 5) << what;
            ++g_faults;
            EXPECT_EQ(progress.reports().size(), static_cast<size_t>(cancel)) << what;
            scene.ExpectStoppedAt(move, cancel, what);
        }
    }
}

TEST(SeriesCopyFaults, TargetFolderVanishesMidSeries) {
    if (RenMov() == nullptr) GTEST_SKIP() << "the module does not export FsRenMovFileW yet";
    for (BOOL move : {FALSE, TRUE}) {
        const std::string what = std::string(move ? "move" : "copy") + ", target folder gone after member 2";
        CopyScene scene;
        ASSERT_TRUE(scene.ok);
        ProgressRecorder progress;
        progress.InitModule();
        // Another program renames the target folder away right after the report of member 2:
        // what arrived so far survives under the other name.
        const std::wstring dst = scene.dir / L"dst", away = scene.dir / L"away";
        progress.OnReport([&](const ProgressReport& report) {
            if (report.percent == 40) MoveFileW(dst.c_str(), away.c_str());
        });
        EXPECT_EQ(scene.Run(move), 2) << what << ": a vanished folder is a missing path";
        ++g_faults;
        for (int k = 1; k <= kMembers; ++k) {
            if (k <= 2) {
                EXPECT_EQ(ReadBytes(away + L"\\" + Member(k)), MemberContent(k)) << what << ": member " << k;
                EXPECT_EQ(Exists(scene.Source(k)), !move) << what << ": member " << k;
            } else {
                EXPECT_EQ(ReadBytes(scene.Source(k)), MemberContent(k)) << what << ": member " << k << " lost";
            }
        }
        EXPECT_FALSE(Exists(dst)) << what << ": the plugin made the target folder again";
    }
}

TEST(SeriesCopyFaults, MissingLockedAndReadOnlyMembers) {
    if (RenMov() == nullptr) GTEST_SKIP() << "the module does not export FsRenMovFileW yet";
    for (BOOL move : {FALSE, TRUE}) {
        const std::string op = move ? "move" : "copy";
        {
            CopyScene scene;
            ASSERT_TRUE(scene.ok);
            // Missing before the operation began: answered before any member moves.
            ASSERT_TRUE(DeleteFileW(scene.Source(3).c_str()));
            EXPECT_EQ(scene.Run(move), 2) << op << ": missing member";
            ++g_faults;
            for (int k = 1; k <= kMembers; ++k) {
                if (k != 3) {
                    EXPECT_EQ(ReadBytes(scene.Source(k)), MemberContent(k)) << op << " " << k;
                }
                EXPECT_FALSE(Exists(scene.Target(k))) << op << " " << k;
            }
        }
        {
            CopyScene scene;
            ASSERT_TRUE(scene.ok);
            int result;
            {
                LockedFile lock(scene.Source(3));
                ASSERT_TRUE(lock.locked());
                result = scene.Run(move);
                ++g_faults;
            }
            EXPECT_EQ(result, 4) << op << ": a member in use";
            scene.ExpectStoppedAt(move, 3, op + ", member 3 locked");
        }
        {
            // A read-only member is copied (the copy is read-only as well) or moved like any other.
            CopyScene scene;
            ASSERT_TRUE(scene.ok);
            ASSERT_TRUE(SetFileAttributesW(scene.Source(3).c_str(), FILE_ATTRIBUTE_READONLY));
            EXPECT_EQ(scene.Run(move), 0) << op << ": read-only member";
            ++g_faults;
            scene.ExpectStoppedAt(move, kMembers + 1, op + ", member 3 read-only");
            scene.ClearAttributes();
        }
    }
}

TEST(SeriesCopyFaults, CopyOntoAFullDisk) {
    if (RenMov() == nullptr) GTEST_SKIP() << "the module does not export FsRenMovFileW yet";
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TF_FULL_DISK", folder, MAX_PATH) == 0) {
        GTEST_SKIP() << "no small file system to fill (scripts/test mounts one when run as root)";
    }
    ULARGE_INTEGER freeBytes{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder, &freeBytes, nullptr, nullptr)) << Narrow(folder);
    ASSERT_LT(freeBytes.QuadPart, 64ull << 20) << "TF_FULL_DISK is not a small file system";
    // Five members of 30 % of the free space each: the fourth does not fit.
    TempDir dir;
    const size_t size = static_cast<size_t>(freeBytes.QuadPart * 3 / 10);
    for (int k = 1; k <= kMembers; ++k) ASSERT_TRUE(WriteBytes(dir / Member(k), std::string(size, static_cast<char>('0' + k))));
    std::wstring from = dir.Plugin(L"m<1-5>.dat");
    std::wstring to = L"\\" + std::wstring(folder) + L"\\m<1-5>.dat";
    const int result = RenMov()(from.data(), to.data(), FALSE, FALSE, nullptr);
    ++g_faults;
    EXPECT_EQ(result, 4) << "a full disk is a write error";
    for (int k = 1; k <= kMembers; ++k) {
        EXPECT_EQ(ReadBytes(dir / Member(k)), std::string(size, static_cast<char>('0' + k))) << "source member " << k;
    }
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(ReadBytes(std::wstring(folder) + L"\\" + Member(k)).size(), size) << "copied member " << k;
    }
    EXPECT_FALSE(Exists(std::wstring(folder) + L"\\" + Member(5))) << "the copy went on after the full disk";
    for (int k = 1; k <= kMembers; ++k) DeleteFileW((std::wstring(folder) + L"\\" + Member(k)).c_str());
    std::printf("%d faults injected into series operations\n", g_faults);
}
