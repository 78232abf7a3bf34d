// Every file-system call of the plugin goes through here. Each operation chooses the wide API
// (NT family, long paths through the "\\?\" prefix) or the narrow ANSI API by PlatformMode, and
// hands back the system call's result together with the error read right after it.
#pragma once
#include <windows.h>

#include "host/long_path.h"

namespace tf {

enum : unsigned char { kPlatformUnknown = 0, kPlatformWide = 1, kPlatformNarrow = 2 };

// Settles PlatformMode on first use and answers whether the wide branch applies.
bool UseWideApi();

// Whether the branch in use can hand this local path to the system: false where every call on
// it would be refused for its length (past the long-path buffer, or 259 bytes narrow).
bool PathPasses(const WCHAR* path);

// The longest file name (one path component) that the volume holding this local path allows;
// 255 where the system cannot tell.
DWORD MaxNameLength(const WCHAR* path);

// The system calls that a test can replace, each starting as the system's own; nothing in the
// plugin writes them. A test swaps one for a function that fails as a dropped network share
// would, or as a move that leaves its target behind, and puts it back. A call through the table
// costs what an imported call costs.
struct SystemCalls {
    decltype(&::FindFirstFileW) findFirstFileW;
    decltype(&::FindNextFileW) findNextFileW;
    decltype(&::FindFirstFileA) findFirstFileA;
    decltype(&::FindNextFileA) findNextFileA;
    decltype(&::GetFileInformationByHandle) getFileInformationByHandle;
    decltype(&::MoveFileA) moveFileA;
};
extern SystemCalls g_systemCalls;

// The outcome of one access-layer call: the system call's result, and the thread's error right
// after it when it failed. A path refused before any call reports ERROR_FILENAME_EXCED_RANGE.
struct FileResult {
    BOOL ok;
    DWORD error;
    explicit operator bool() const { return ok != FALSE; }
};
// The outcome of the system call just made, its error read before anything else can change it.
inline FileResult Outcome(BOOL ok) { return {ok, ok ? ERROR_SUCCESS : GetLastError()}; }

struct HandleResult {
    HANDLE handle;
    DWORD error;
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};

FileResult CopyFileLong(const WCHAR* existing, const WCHAR* target, BOOL failIfExists);
FileResult MoveFileLong(const WCHAR* existing, const WCHAR* target);
// Replaces an existing target in one step where the platform allows it (wide branch), so a move
// that fails keeps the old target. The narrow branch renames a target known to be another file
// than the source aside, moves, and then deletes it, or puts it back when the move failed; a
// read-only target stays, and the move fails on it. Where no name to set it aside under fits, or
// it cannot be put back, the narrow branch fails with ERROR_CANNOT_MAKE (narrow_replace.h).
FileResult ReplaceFileLong(const WCHAR* existing, const WCHAR* target);
FileResult DeleteFileLong(const WCHAR* path);
FileResult CreateDirectoryLong(const WCHAR* path);
FileResult RemoveDirectoryLong(const WCHAR* path);
FileResult SetFileAttributesLong(const WCHAR* path, DWORD attributes);
// Returns INVALID_HANDLE_VALUE on failure; the handle is closed with CloseHandle.
HandleResult OpenFileForWriteLong(const WCHAR* path);
// The number of icons extracted (0 or 1); the path is passed without long-path preparation.
UINT ExtractFileIcon(const WCHAR* path, HICON* large, HICON* small);
// Returns INVALID_HANDLE_VALUE on failure and leaves the record untouched; closed with FindClose.
HandleResult FindFirstFileLong(const WCHAR* pattern, WIN32_FIND_DATAW* record);
FileResult FindNextFileLong(HANDLE search, WIN32_FIND_DATAW* record);

// Closes a search started with FindFirstFileLong on every way out of a scope, exceptions included.
class SearchCloser {
public:
    explicit SearchCloser(HANDLE search) : search_(search) {}
    ~SearchCloser() {
        if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
    }
    SearchCloser(const SearchCloser&) = delete;
    SearchCloser& operator=(const SearchCloser&) = delete;

private:
    HANDLE search_;
};

// Where a file lives: its volume's serial number and its index on that volume. Two paths with the
// same identity name one file, whatever their spelling (letter case, short name, another route).
struct FileIdentity {
    bool known;        // false: not there, not opened, or the system keeps no index for it
    DWORD error;       // when not known: the system's error (ERROR_SUCCESS when it is there)
    DWORD attributes;  // INVALID_FILE_ATTRIBUTES when not there
    DWORD links;       // names the file has (hard links); 0 when not known
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
    bool folder() const { return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY); }
    bool readOnly() const { return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY); }
};
// Opens the file or folder without asking for any access (a file held with share mode 0 still
// answers), reads its identity and closes it again. An index of 0 proves nothing: some file
// systems number no file, and every file there would be the same.
FileIdentity FileIdentityLong(const WCHAR* path);
// Both identities known and equal: one file under two names.
bool SameFile(const FileIdentity& a, const FileIdentity& b);

enum class Sameness { Same, Different, Unknown };
// Whether two paths name one file; Unknown when either identity cannot be read.
Sameness CompareFileIdentities(const WCHAR* a, const WCHAR* b);

// Fills a wide find record from a narrow one (names through the code page, cut and terminated).
void ConvertFindRecord(const WIN32_FIND_DATAA& from, WIN32_FIND_DATAW& to);

}  // namespace tf
