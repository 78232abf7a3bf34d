// The narrow branch's overwriting move. The narrow API has no move that replaces its target, so
// the old target is renamed aside in its own folder ("~1", "~2", ...), the source moved in, and the
// old one then deleted, or put back where the move failed.
#pragma once
#include <windows.h>

#include "host/file_access.h"

namespace tf {

// Both paths as the caller gave them (to compare the files) and as prepared for the narrow API.
// Fails with ERROR_CANNOT_MAKE, before anything moves, where no free set-aside name fits; and
// also where the move failed and the old target could not be put back, after the host's log
// callback has named the file that holds the old content.
FileResult ReplaceNarrow(const WCHAR* existing, const WCHAR* target, const PreparedPath& from, const PreparedPath& to);

}  // namespace tf
