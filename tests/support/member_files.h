// Series of real files whose contents carry their counter, so every test can tell which file
// ended up where.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/support.h"

namespace tftest {

// "img0007.png" for (L"img", 7, 4, L".png").
std::wstring MemberName(const std::wstring& prefix, int counter, int width, const std::wstring& suffix);
// The content written for a member: "member 7\n".
std::string MemberContent(int counter);

// Writes prefix<counter>suffix for every counter from first to last into the folder.
bool MakeSeries(const TempDir& dir, const std::wstring& prefix, int first, int last, int width, const std::wstring& suffix);

// Counters from first to last whose member exists in the folder with its own content.
std::vector<int> IntactMembers(const TempDir& dir, const std::wstring& prefix, int first, int last, int width,
                               const std::wstring& suffix);

// A path of exactly `length` characters inside the folder: the folders on the way are made, the
// last component (at least 10 characters) is not.
std::wstring DeepPath(const TempDir& dir, size_t length);

// Opens a file with share mode 0 for as long as the object lives: no one else may open it.
class LockedFile {
public:
    explicit LockedFile(const std::wstring& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Sets or clears the read-only attribute of a file.
bool SetReadOnly(const std::wstring& path, bool readOnly);
// True when a read-only file cannot be opened for writing here (not so for Wine run as root).
bool ReadOnlyEnforced(const TempDir& dir);

DWORD Attributes(const std::wstring& path);
// The three times of a file, read through a handle that shares everything.
bool ReadTimes(const std::wstring& path, FILETIME& created, FILETIME& accessed, FILETIME& written);
FILETIME MakeFileTime(WORD year, WORD month, WORD day, WORD hour = 12, WORD minute = 0);
bool SameTime(const FILETIME& a, const FILETIME& b);

}  // namespace tftest
