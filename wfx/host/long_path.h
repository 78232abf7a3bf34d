// How a local path is made ready for the branch of the access layer in use: the wide branch's
// long-path form (the "\\?\" prefix), the narrow branch's code-page form of at most 259 bytes.
#pragma once
#include <windows.h>

#include "host/text.h"

namespace tf {

// A prepared long path: 1028 characters and the terminator.
constexpr int kLongPathChars = 1028;
constexpr int kLongPathBuffer = kLongPathChars + 1;
// Longest UNC path that still fits a prepared long path ("\\?\UNC" takes one backslash's place).
constexpr int kMaxUncPathChars = kLongPathChars - 6;

// Prepares a local path for a wide call; false when it does not fit (no system call then). A path
// of 260 characters or more is made canonical ("." and ".." resolved, separators single) before
// it gets the "\\?\" prefix, under which the file system would take it literally. A path that
// begins with "\\?\" or "\\.\" already is used as it stands.
bool MakeLongPath(WCHAR* dest, const WCHAR* source);

// The error of an access-layer call whose path was refused before any system call.
constexpr DWORD kPathRefused = ERROR_FILENAME_EXCED_RANGE;

// One path argument made ready for the chosen branch. A null path stays null.
struct PreparedPath {
    WCHAR wide[kLongPathBuffer];
    char narrow[kNarrowNameBytes];
    bool fits = true;
    const WCHAR* w = nullptr;
    const char* a = nullptr;
};

// The narrow branch refuses a path whose code-page form needs more than 259 bytes: a cut path
// would name another file.
void PrepareNarrow(const WCHAR* path, PreparedPath& out);
void Prepare(bool wide, const WCHAR* path, PreparedPath& out);

}  // namespace tf
