#include "host/narrow_replace.h"

#include <iterator>

#include "host/text.h"

namespace tf {

namespace {

bool IsReadOnly(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

// Renamed aside rather than deleted first, the old target can be put back when the move fails
// (source locked or gone).
FileResult ReplaceNarrow(const WCHAR* existing, const WCHAR* target, const PreparedPath& from, const PreparedPath& to) {
    // Letter case, a short name or another route can name the file being moved: that one is
    // moved onto itself. Where the system cannot tell, nothing is set aside: the move meets the
    // target and fails, as it does on a read-only target, which a replacing move leaves alone.
    if (CompareFileIdentities(existing, target) != Sameness::Different || IsReadOnly(to.a)) {
        return Outcome(MoveFileA(from.a, to.a));
    }
    int folder = WideLength(target);
    while (folder > 0 && target[folder - 1] != L'\\' && target[folder - 1] != L'/') --folder;
    WCHAR aside[kNarrowNameBytes + 16];
    PreparedPath asideNarrow;
    // A name that another file holds already is passed over for the next.
    for (DWORD attempt = 0; attempt < 8; ++attempt) {
        WCHAR name[16] = L"~tf";
        IntToText(static_cast<int>((GetTickCount() + attempt * 7919u) & 0xFFFFFu), name + 3, 16);
        AppendBounded(name, L".tmp", static_cast<int>(std::size(name)));
        CopyBounded(aside, target, folder + 1);
        AppendBounded(aside, name, static_cast<int>(std::size(aside)));
        PrepareNarrow(aside, asideNarrow);
        if (!asideNarrow.fits) break;
        if (!MoveFileA(to.a, asideNarrow.a)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        const FileResult moved = Outcome(MoveFileA(from.a, to.a));
        if (moved) {
            DeleteFileA(asideNarrow.a);
        } else {
            MoveFileA(asideNarrow.a, to.a);
        }
        return moved;
    }
    return Outcome(MoveFileA(from.a, to.a));
}

}  // namespace tf
