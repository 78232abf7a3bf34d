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
            if (!op.removes) EXPECT_EQ(ReadBytes(path), MemberContent(k)) << what << ": member " << k;
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
        EXPECT_EQ(op.run(entry), 0) << op.name;
        ++g_faults;
        ExpectStoppedAt(dir, op, 3, std::string(op.name) + ", member 3 gone before", 3);
        EXPECT_EQ(progress.reports().size(), 2u) << op.name << ": no report for the member that failed";
        ClearAttributes(dir);
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
        EXPECT_EQ(op.run(dir.Plugin(L"m<1-5>.dat")), 0) << op.name;
        ++g_faults;
        ExpectStoppedAt(dir, op, 4, std::string(op.name) + ", member 4 gone during the walk", 4);
        ClearAttributes(dir);
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
    std::printf("%d faults injected into series operations\n", g_faults);
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
