// Reading one local folder into the listing order: the front region (folders and unnumbered
// files, in the reverse of the order the system returned them), then the numbered region sorted
// by extension and natural name order, then the grouping pass while grouping is on.
#pragma once
#include <windows.h>

#include <memory>
#include <string_view>

#include "listing/entries.h"

namespace tf {

// A search pattern is the local path and "\*.*", at most 1022 characters in all.
constexpr int kPatternChars = 1022;
constexpr int kScanPathChars = kPatternChars - 4;

// True for folders and for files whose name has a non-digit right before its last '.', or as
// its last character when it has no '.'.
bool IsFrontEntry(const Entry& record);

// Natural order of two whole names (the platform's StrCmpLogicalW), deciding names that first
// differ inside short digit runs of different values without the platform call.
int CompareNatural(std::wstring_view a, std::wstring_view b);

// The numbered region's sort key: extension (folding A to Z), then the natural order of the
// whole names. Negative, zero or positive.
int CompareNumbered(std::wstring_view a, std::wstring_view b);

// Reads the folder named by a local path. Null when it cannot be read or holds nothing; error
// then says why: ERROR_FILENAME_EXCED_RANGE for a path refused before any call, the system's
// error for a search that failed, ERROR_NO_MORE_FILES for an empty folder (an empty drive's
// root too), and ERROR_NOT_ENOUGH_MEMORY when the entries cannot be kept. Never throws.
std::unique_ptr<EntryList> ScanFolder(const WCHAR* localPath, DWORD* error = nullptr) noexcept;

// Puts records, in the order the system returned them, into listing order. Returns the number
// of front entries.
size_t OrderEntries(std::vector<Entry*>& discovered);

}  // namespace tf
