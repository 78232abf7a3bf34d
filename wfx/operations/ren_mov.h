// Copy, move and rename inside the plugin's name space: one file, or every member of a series.
#pragma once
#include <windows.h>

namespace tf {

// One plain file: copies or moves the old plugin path to the new one. Returns FS_FILE_OK,
// FS_FILE_EXISTS, FS_FILE_NOTFOUND or FS_FILE_WRITEERROR.
int RenMovSingleFileW(const WCHAR* oldName, const WCHAR* newName, bool move, bool overwrite);

// The whole operation as the host asks for it: plain file or series, with progress reports.
int RenMovFileW(const WCHAR* oldName, const WCHAR* newName, bool move, bool overwrite);

// The two messages shown before a series rename is refused.
extern const char kTargetNeedsRangeMessage[];
extern const char kRangeLengthMessage[];

}  // namespace tf
