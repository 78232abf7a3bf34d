#include "host/narrow_replace.h"

#include "host/log.h"
#include "host/text.h"

namespace tf {

namespace {

// Set-aside names are "~1", "~2", ... in the target's own folder, tried shortest first: one fits
// wherever the folder leaves room for two more bytes, and they only grow longer.
constexpr int kAsideNames = 99;
constexpr int kAsideBuffer = kNarrowNameBytes + 8;

// A failure at the old target itself, before the move or in putting it back: the system's "cannot
// make" error, which rename, download and upload all answer as a write error.
constexpr DWORD kOldTargetError = ERROR_CANNOT_MAKE;

bool IsReadOnly(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Renames the old target to the first free set-aside name of its folder, written to aside and
// asideNarrow. Otherwise nothing has moved, and the error says why: kOldTargetError where no
// free name fits in 259 bytes, the system's own where the target cannot be renamed.
DWORD SetAside(const WCHAR* target, const char* targetNarrow, WCHAR* aside, PreparedPath& asideNarrow) {
    const int folder = static_cast<int>(LastComponentAt(target));
    for (int n = 1; n <= kAsideNames; ++n) {
        WCHAR name[16] = L"~";
        IntToText(n, name + 1, 10);
        if (folder + WideLength(name) >= kAsideBuffer) return kOldTargetError;
        CopyBounded(aside, target, folder + 1);
        AppendBounded(aside, name, kAsideBuffer);
        PrepareNarrow(aside, asideNarrow);
        if (!asideNarrow.fits) return kOldTargetError;
        if (g_systemCalls.moveFileA(targetNarrow, asideNarrow.a)) return ERROR_SUCCESS;
        // A name that another file or folder holds already is passed over for the next.
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return error;
    }
    return kOldTargetError;
}

// Tells the user where the old content is. Two paths within the narrow limit and the words around
// them fit a log message whole.
void ReportOldFileAside(const WCHAR* target, const WCHAR* aside) {
    WCHAR text[kLogMessageBuffer];
    CopyBounded(text, L"The move onto ", kLogMessageBuffer);
    AppendBounded(text, target, kLogMessageBuffer);
    AppendBounded(text, L" failed, and the old file could not be put back: its content is in ", kLogMessageBuffer);
    AppendBounded(text, aside, kLogMessageBuffer);
    LogError(text);
}

}  // namespace

// Renamed aside rather than deleted first, the old target can be put back when the move fails
// (source locked or gone). Where it cannot be set aside, nothing moves: a plain move would only
// meet it and fail, and deleting it first would lose it with the move.
FileResult ReplaceNarrow(const WCHAR* existing, const WCHAR* target, const PreparedPath& from, const PreparedPath& to) {
    // Letter case, a short name or another route can name the file being moved: that one is
    // moved onto itself. Where the system cannot tell, nothing is set aside: the move meets the
    // target and fails, as it does on a read-only target, which a replacing move leaves alone.
    if (CompareFileIdentities(existing, target) != Sameness::Different || IsReadOnly(to.a)) {
        return Outcome(g_systemCalls.moveFileA(from.a, to.a));
    }
    WCHAR aside[kAsideBuffer];
    PreparedPath asideNarrow;
    const DWORD setAside = SetAside(target, to.a, aside, asideNarrow);
    if (setAside != ERROR_SUCCESS) return {FALSE, setAside};
    const FileResult moved = Outcome(g_systemCalls.moveFileA(from.a, to.a));
    if (moved) {
        DeleteFileA(asideNarrow.a);
        return moved;
    }
    if (g_systemCalls.moveFileA(asideNarrow.a, to.a)) return moved;
    // The old content is whole, but under another name than the user gave it: whatever the move's
    // own error, the answer is a write error, and the host's log says where the old file is.
    ReportOldFileAside(target, aside);
    return {FALSE, kOldTargetError};
}

}  // namespace tf
