// The narrow file branch has no replacing move: an overwriting move renames the old target aside,
// moves the source in, and then deletes the old target, or puts it back when the move failed.
#include <gtest/gtest.h>

#include <vector>

#include "host/file_access.h"
#include "host/state.h"
#include "operations/ren_mov.h"
#include "operations/transfer.h"
#include "support/folder_state.h"
#include "support/member_files.h"
#include "support/support.h"

using namespace tftest;

namespace {

class NarrowBranch {
public:
    NarrowBranch() : saved_(tf::g_state.platformMode) { tf::g_state.platformMode = tf::kPlatformNarrow; }
    ~NarrowBranch() { tf::g_state.platformMode = saved_; }

private:
    unsigned char saved_;
};

// The overwriting move in a folder, of rename (plugin paths) and of download and upload (local paths).
int RenameOverwriting(const std::wstring& folder, const std::wstring& from, const std::wstring& to) {
    const std::wstring plugin = L"\\" + folder + L"\\";
    return tf::RenMovSingleFileW((plugin + from).c_str(), (plugin + to).c_str(), true, true);
}
int TransferOverwriting(const std::wstring& folder, const std::wstring& from, const std::wstring& to) {
    return tf::TransferFile((folder + L"\\" + from).c_str(), (folder + L"\\" + to).c_str(),
                            tf::FS_COPYFLAGS_MOVE | tf::FS_COPYFLAGS_OVERWRITE);
}
using OverwritingMove = int (*)(const std::wstring&, const std::wstring&, const std::wstring&);
const struct {
    const char* name;
    OverwritingMove run;
} kMoves[] = {{"rename", RenameOverwriting}, {"get and put", TransferOverwriting}};

// The name the system gives a file for programs that know only 8.3 names; empty when it has none.
std::wstring ShortName(const std::wstring& path) {
    WCHAR shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"";
    const std::wstring text(shortPath, length);
    const std::wstring name = text.substr(text.find_last_of(L'\\') + 1);
    return name == path.substr(path.find_last_of(L'\\') + 1) ? L"" : name;
}

// The test's folder itself, or a folder in it whose path has the given number of characters.
std::wstring FolderOfLength(const TempDir& dir, size_t chars) {
    if (chars == 0) return dir.path();
    const std::wstring folder = dir / std::wstring(chars - dir.path().size() - 1, L'f');
    return CreateDirectoryW(folder.c_str(), nullptr) ? folder : L"";
}

// A narrow move that fails onto one target, as does the restore onto it (Wine's failed move across
// volumes leaves a target behind); and the log callbacks, which record what they are given.
std::string g_failingTarget;
BOOL WINAPI MoveFailingOntoTarget(LPCSTR from, LPCSTR to) {
    if (g_failingTarget != to) return MoveFileA(from, to);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
std::vector<std::pair<int, std::string>> g_logged;
void WINAPI LogWide(int, int type, WCHAR* text) { g_logged.emplace_back(type, Narrow(text)); }
void WINAPI LogNarrow(int, int type, char* text) { g_logged.emplace_back(type, text); }

}  // namespace

// Regression: in a folder of 250 characters the name set aside did not fit in 259 bytes, and the
// move failed. A file that holds a set-aside name already keeps it.
TEST(RenMovNarrowBranch, OverwritingMoveReplacesTheTarget) {
    for (const auto& move : kMoves) {
        for (const size_t folderChars : {0, 250}) {
            SCOPED_TRACE(std::string(move.name) + ", folder of " + std::to_string(folderChars));
            TempDir dir;
            const std::wstring folder = FolderOfLength(dir, folderChars);
            ASSERT_TRUE(WriteBytes(folder + L"\\a.txt", "A"));
            ASSERT_TRUE(WriteBytes(folder + L"\\b.txt", "B"));
            ASSERT_TRUE(WriteBytes(folder + L"\\~1", "X"));
            NarrowBranch narrow;
            EXPECT_EQ(move.run(folder, L"a.txt", L"b.txt"), 0);
            EXPECT_EQ(ReadFolder(folder), (FolderState{{L"b.txt", "A"}, {L"~1", "X"}}));
        }
    }
}

// Regression: deleting the target first deleted the very file being moved whenever the target
// was another spelling of the source; rename compared names folding A to Z only, get and put
// did not compare at all.
TEST(RenMovNarrowBranch, OverwritingMoveOntoItselfKeepsTheFile) {
    TempDir probe;
    ASSERT_TRUE(WriteBytes(probe / L"long file name.text", "A"));
    const std::wstring shortName = ShortName(probe / L"long file name.text");
    const struct {
        const wchar_t* source;
        std::wstring target;
    } kSpellings[] = {
        {L"a.txt", L"A.TXT"},
        {L"a.txt", L"sub\\..\\a.txt"},
        {L"long file name.text", shortName},
    };
    for (const auto& move : kMoves) {
        for (const auto& spelling : kSpellings) {
            SCOPED_TRACE(std::string(move.name) + ": " + Narrow(spelling.source) + " onto " + Narrow(spelling.target));
            if (spelling.target.empty()) {
                std::printf("the file system gives no short names here; that spelling is not tried\n");
                continue;
            }
            TempDir dir;
            ASSERT_TRUE(CreateDirectoryW((dir / L"sub").c_str(), nullptr));
            ASSERT_TRUE(WriteBytes(dir / spelling.source, "A"));
            NarrowBranch narrow;
            EXPECT_EQ(move.run(dir.path(), spelling.source, spelling.target), 0);
            EXPECT_EQ(ReadBytes(dir / spelling.target), "A");
        }
    }
}

// Regression: the target was deleted before a move that then failed, its source gone or locked. A
// read-only target stays, and the move fails with a code that does not ask to overwrite again. In a
// folder of 257 characters no name can set the target "b" aside: a write error, nothing moved.
TEST(RenMovNarrowBranch, FailedOverwritingMoveKeepsTheTarget) {
    enum Fault { kSourceGone, kSourceLocked, kTargetReadOnly, kNoNameAside };
    for (const auto& move : kMoves) {
        for (const Fault fault : {kSourceGone, kSourceLocked, kTargetReadOnly, kNoNameAside}) {
            SCOPED_TRACE(std::string(move.name) + ", fault " + std::to_string(fault));
            TempDir dir;
            const std::wstring folder = FolderOfLength(dir, fault == kNoNameAside ? 257 : 0);
            ASSERT_TRUE(WriteBytes(folder + L"\\b", "B"));
            ASSERT_TRUE(fault == kSourceGone || WriteBytes(folder + L"\\a", "A"));
            ASSERT_TRUE(fault != kTargetReadOnly || SetReadOnly(folder + L"\\b", true));
            const LockedFile lock(fault == kSourceLocked ? folder + L"\\a" : folder + L"\\none");
            const FolderState before = ReadFolder(folder);
            NarrowBranch narrow;
            const int result = move.run(folder, L"a", L"b");
            EXPECT_NE(result, 0);
            EXPECT_NE(result, tf::FS_FILE_EXISTS) << "the host would ask to overwrite again";
            EXPECT_TRUE(fault != kSourceGone || result == tf::FS_FILE_NOTFOUND) << result;
            EXPECT_TRUE(fault != kNoNameAside || result == tf::FS_FILE_WRITEERROR) << result;
            EXPECT_EQ(ReadFolder(folder), before) << Describe(ReadFolder(folder));
        }
    }
}

// On the narrow branch the check before a series walk asks for each member in turn.
TEST(RenMovNarrowBranch, SeriesCheckedBeforeTheWalk) {
    TempDir dir;
    ASSERT_TRUE(WriteNamedSeries(dir.path(), L"s", 1, 6, 2, L".dat"));
    ASSERT_TRUE(WriteBytes(dir / L"t05.dat", "keep"));
    const FolderState before = ReadFolder(dir.path());
    NarrowBranch narrow;
    EXPECT_EQ(tf::RenMovFileW(dir.Plugin(L"s<01-6>.dat").c_str(), dir.Plugin(L"t<01>.dat").c_str(), true, false), 4);
    EXPECT_EQ(ReadFolder(dir.path()), before);
    EXPECT_EQ(tf::RenMovFileW(dir.Plugin(L"s<01-6>.dat").c_str(), dir.Plugin(L"s<03>.dat").c_str(), true, false), 0);
    EXPECT_EQ(ReadBytes(dir / L"s08.dat"), "s06.dat");
    EXPECT_EQ(ReadBytes(dir / L"s03.dat"), "s01.dat");
}

// Regression: an old target that could not be put back after a failed move was left under its
// set-aside name without a word, and the answer was the move's own.
TEST(RenMovNarrowBranch, FailedRestoreIsAWriteErrorAndTheLogNamesTheOldFile) {
    const tf::SystemCalls calls = tf::g_systemCalls;
    const tf::LogProcW logW = tf::g_state.logW;
    const tf::LogProcA logA = tf::g_state.logA;
    for (const auto& move : kMoves) {
        // A host that gave both log callbacks hears through the wide one, another through its narrow one.
        const bool wideLog = move.run == RenameOverwriting;
        SCOPED_TRACE(std::string(move.name) + (wideLog ? ", wide log" : ", narrow log"));
        TempDir dir;
        ASSERT_TRUE(WriteBytes(dir / L"a.txt", "A"));
        ASSERT_TRUE(WriteBytes(dir / L"b.txt", "B"));
        g_failingTarget = Narrow(dir / L"b.txt");
        g_logged.clear();
        tf::g_state.logW = wideLog ? LogWide : nullptr;
        tf::g_state.logA = LogNarrow;
        tf::g_systemCalls.moveFileA = MoveFailingOntoTarget;
        NarrowBranch narrow;
        EXPECT_EQ(move.run(dir.path(), L"a.txt", L"b.txt"), tf::FS_FILE_WRITEERROR);
        tf::g_systemCalls = calls;
        tf::g_state.logW = logW;
        tf::g_state.logA = logA;
        EXPECT_EQ(ReadFolder(dir.path()), (FolderState{{L"a.txt", "A"}, {L"~1", "B"}}));
        ASSERT_EQ(g_logged.size(), 1u);
        EXPECT_EQ(g_logged[0].first, tf::kLogImportantError);
        EXPECT_NE(g_logged[0].second.find(Narrow(dir / L"~1")), std::string::npos) << g_logged[0].second;
    }
}
