// FsRenMovFileW / FsRenMovFile: copy, move and rename of plain files and of whole series.
#include "operations/ren_mov.h"

#include "host/activation_context.h"
#include "host/exports.h"
#include "host/file_access.h"
#include "host/interface.h"
#include "host/progress.h"
#include "host/text.h"
#include "listing/range_name.h"
#include "operations/series.h"
#include "operations/series_check.h"

namespace tf {

const char kTargetNeedsRangeMessage[] = "Error: You must specify a range also for the target!";
const char kRangeLengthMessage[] =
    "Error: The range of the target differs from the range of the source, cannot rename!";

namespace {

bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED;
}

// A plain file reports an existing target as such, so the host can ask to overwrite: a copy
// meets it as 80, a move as 183. After the user confirmed, a target still there is a failure.
int SingleFileCode(DWORD error, bool overwrite) {
    if (IsNotFound(error)) return FS_FILE_NOTFOUND;
    if (error == ERROR_FILE_EXISTS) return FS_FILE_EXISTS;
    if (error == ERROR_ALREADY_EXISTS && !overwrite) return FS_FILE_EXISTS;
    return FS_FILE_WRITEERROR;
}

// Within a series an existing target is a write error: the host cannot overwrite one member.
int MemberCode(DWORD error) { return IsNotFound(error) ? FS_FILE_NOTFOUND : FS_FILE_WRITEERROR; }

void ShowError(const char* text) {
    const ModuleActivationContext themed;
    MessageBoxA(GetActiveWindow(), text, "Tallyfold", MB_ICONERROR | MB_OK);
}

int RenMovSeries(const WCHAR* oldName, const WCHAR* newName, const RangeSpec& source, bool move) {
    // A source range whose last is below its first names no member: refused before any file.
    const long long count = MemberCount(source.first, source.last);
    if (count == 0) return FS_FILE_WRITEERROR;

    RangeSpec target;
    if (!ParseRangeName(newName, target)) {
        ShowError(kTargetNeedsRangeMessage);
        return FS_FILE_WRITEERROR;
    }
    SeriesWalk walk{};
    if (!PlanSeriesWalk(oldName, source, newName, target, walk)) {
        ShowError(kRangeLengthMessage);
        return FS_FILE_WRITEERROR;
    }

    // What can be known beforehand is answered before the first member moves, so that no
    // series is left half moved by a failure that was there all along.
    const int foreseen = CheckSeriesWalk(walk, move);
    if (foreseen != FS_FILE_OK) return foreseen;

    // The walk stops at the first failure that could not be foreseen (a member locked, a full
    // disk, a cancel); what was done stays done.
    WCHAR from[kMemberNameBuffer];
    WCHAR to[kMemberNameBuffer];
    for (long long k = 1; k <= count; ++k) {
        if (!walk.Names(k, from, to)) return FS_FILE_WRITEERROR;
        int result = FS_FILE_OK;
        if (!IsItemPath(from) || !IsItemPath(to)) {
            result = FS_FILE_NOTFOUND;
        } else {
            // Within a series nothing is ever replaced: a move fails on an existing target and a
            // copy always runs with fail-if-exists.
            const FileResult r =
                move ? MoveFileLong(LocalPath(from), LocalPath(to)) : CopyFileLong(LocalPath(from), LocalPath(to), TRUE);
            if (!r) result = MemberCode(r.error);
        }
        if (ReportSeriesStep(oldName, newName, k, count)) return FS_FILE_USERABORT;
        if (result != FS_FILE_OK) return result;
    }
    return FS_FILE_OK;
}

}  // namespace

int RenMovSingleFileW(const WCHAR* oldName, const WCHAR* newName, bool move, bool overwrite) {
    if (!IsItemPath(oldName) || !IsItemPath(newName)) return FS_FILE_NOTFOUND;
    const WCHAR* from = LocalPath(oldName);
    const WCHAR* to = LocalPath(newName);
    FileResult r;
    if (!move) {
        r = CopyFileLong(from, to, overwrite ? FALSE : TRUE);
    } else if (!overwrite) {
        r = MoveFileLong(from, to);
    } else {
        // Replaced in one step where the system can: a move that fails (source missing or
        // locked) keeps the old target.
        r = ReplaceFileLong(from, to);
    }
    return r ? FS_FILE_OK : SingleFileCode(r.error, overwrite);
}

int RenMovFileW(const WCHAR* oldName, const WCHAR* newName, bool move, bool overwrite) {
    if (!IsItemPath(oldName) || !IsItemPath(newName)) return FS_FILE_NOTFOUND;
    if (ReportProgress(oldName, newName, 0) != 0) return FS_FILE_USERABORT;
    RangeSpec source;
    if (ParseRangeName(oldName, source)) return RenMovSeries(oldName, newName, source, move);
    const int result = RenMovSingleFileW(oldName, newName, move, overwrite);
    if (ReportProgress(oldName, newName, 100) != 0) return FS_FILE_USERABORT;
    return result;
}

}  // namespace tf

int WINAPI FsRenMovFileW(WCHAR* oldName, WCHAR* newName, BOOL move, BOOL overwrite, tf::RemoteInfoStruct*) noexcept {
    return tf::RenMovFileW(oldName, newName, move != FALSE, overwrite != FALSE);
}

int WINAPI FsRenMovFile(char* oldName, char* newName, BOOL move, BOOL overwrite, tf::RemoteInfoStruct*) noexcept {
    tf::WideArg oldWide;
    tf::WideArg newWide;
    // A name too long to pass on is treated as a file that is not there.
    if (!tf::ToWideArg(oldName, oldWide) || !tf::ToWideArg(newName, newWide)) return tf::FS_FILE_NOTFOUND;
    return tf::RenMovFileW(oldWide.ptr, newWide.ptr, move != FALSE, overwrite != FALSE);
}
