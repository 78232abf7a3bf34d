// Download (a plugin entry to a local file; a series sends every member to a local range name,
// or its first member to a plain local name) and upload (a local file to a plugin path, never
// read as a range).
#include "operations/transfer.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "host/exports.h"
#include "host/file_access.h"
#include "host/progress.h"
#include "operations/each_member.h"
#include "operations/series_check.h"
#include "operations/series_walk.h"

namespace tf {

int MapTransferError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_ACCESS_DENIED:
        return FS_FILE_NOTFOUND;
    case ERROR_FILE_EXISTS:
        return FS_FILE_EXISTS;
    // A target that ran out of room failed in writing: the host says so rather than blame the
    // source it read without fault.
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    // So did an overwriting move that could not set the old target aside, or put it back.
    case ERROR_CANNOT_MAKE:
        return FS_FILE_WRITEERROR;
    default:
        return FS_FILE_READERROR;
    }
}

int TransferFile(const WCHAR* source, const WCHAR* target, int copyFlags) {
    const bool overwrite = (copyFlags & FS_COPYFLAGS_OVERWRITE) != 0;
    FileResult result;
    if ((copyFlags & FS_COPYFLAGS_MOVE) == 0) {
        result = CopyFileLong(source, target, overwrite ? FALSE : TRUE);
    } else if (!overwrite) {
        result = MoveFileLong(source, target);
    } else {
        // Replaced in one step where the system can: a move that fails (source missing or
        // locked) keeps the old target.
        result = ReplaceFileLong(source, target);
    }
    if (result) return FS_FILE_OK;
    // A move meets an existing target as 183 where a copy meets 80: either way the host asks the
    // user, and calls again with the overwrite bit.
    if (!overwrite && result.error == ERROR_ALREADY_EXISTS) return FS_FILE_EXISTS;
    return MapTransferError(result.error);
}

namespace {

bool IsLocalPath(const WCHAR* path) { return path != nullptr && path[0] != 0; }

// Whether the last component of a local name holds a range around which the rest can be a file
// name: no file name may hold '<' or '>', so such a name can only mean one local file per member.
bool IsLocalRangeName(const WCHAR* localName, RangeSpec& range) {
    std::wstring_view before, after;
    if (!SplitRangeName(localName, before, after) || !ParseRangeName(localName, range)) return false;
    return IsFileNameText(before.substr(LastComponentAt(before))) && IsFileNameText(after);
}

// A host may clean the local name it builds from the entry's name, replacing each '<' and '>' that
// no file name may hold by another character. A last component that is the entry's range name with
// each bracket so replaced (by one character that is no digit) stands for the range name itself:
// restored writes the local folder and the entry's range name. False for every other name.
bool RestoreCleanedRangeName(const WCHAR* remoteName, const WCHAR* localName, WCHAR* restored) {
    const std::wstring_view remotePath(remoteName), localPath(localName);
    const std::wstring_view remote = remotePath.substr(LastComponentAt(remotePath));
    const size_t localAt = LastComponentAt(localPath);
    const std::wstring_view local = localPath.substr(localAt);
    if (remote.size() != local.size() || remote.find(L'<') == std::wstring_view::npos) return false;
    for (size_t i = 0; i < remote.size(); ++i) {
        const bool bracket = remote[i] == L'<' || remote[i] == L'>';
        if (bracket ? (local[i] >= L'0' && local[i] <= L'9') : local[i] != remote[i]) return false;
    }
    if (localAt + remote.size() >= static_cast<size_t>(kMemberNameBuffer)) return false;
    CopyBounded(restored, localName, static_cast<int>(localAt) + 1);
    std::copy(remote.begin(), remote.end(), restored + localAt);
    restored[localAt + remote.size()] = 0;
    return true;
}

// Every member of a series entry to the local range name's members, in the order and with the
// check of a series copy: a member missing, a name that cannot be built, a local member in the
// way (unless the user allowed replacing it) or one that cannot be replaced is answered before
// any file is written.
int GetSeries(const WCHAR* remote, const RangeSpec& source, const WCHAR* localName, const RangeSpec& local,
              int copyFlags) {
    const bool move = (copyFlags & FS_COPYFLAGS_MOVE) != 0;
    const bool overwrite = (copyFlags & FS_COPYFLAGS_OVERWRITE) != 0;
    if (ReportProgress(remote, localName, 0) != 0) return FS_FILE_USERABORT;
    // The walk and its check read both names in the plugin's form, a backslash before the
    // local path.
    WCHAR target[kMemberNameBuffer] = L"\\";
    if (WideLength(localName) >= kMemberNameChars) return FS_FILE_WRITEERROR;
    AppendBounded(target, localName, kMemberNameBuffer);
    SeriesWalk walk{};
    if (MemberCount(source.first, source.last) == 0 || !PlanSeriesWalk(remote, source, target, local, walk)) {
        return FS_FILE_WRITEERROR;
    }
    const int foreseen = CheckSeriesWalk(walk, move, overwrite ? ExistingTarget::Replaced : ExistingTarget::Asked);
    if (foreseen != FS_FILE_OK) return foreseen;

    WCHAR from[kMemberNameBuffer];
    WCHAR to[kMemberNameBuffer];
    for (long long k = 1; k <= walk.count; ++k) {
        if (!walk.Names(k, from, to)) return FS_FILE_WRITEERROR;
        const int result = IsItemPath(from) && IsLocalPath(LocalPath(to))
                               ? TransferFile(LocalPath(from), LocalPath(to), copyFlags)
                               : FS_FILE_NOTFOUND;
        // A failed member keeps its own answer; once the last member has arrived, the last
        // report can no longer undo anything.
        if (result != FS_FILE_OK) return result;
        if (ReportSeriesStep(remote, localName, k, walk.count) && k < walk.count) return FS_FILE_USERABORT;
    }
    return FS_FILE_OK;
}

}  // namespace
}  // namespace tf

using namespace tf;

int WINAPI FsGetFileW(WCHAR* remoteName, WCHAR* localName, int copyFlags, RemoteInfoStruct*) noexcept {
    RangeSpec range, local;
    const bool series = ParseRangeName(remoteName, range);
    WCHAR restored[kMemberNameBuffer];
    if (series && IsLocalPath(localName) && RestoreCleanedRangeName(remoteName, localName, restored)) {
        localName = restored;
    }
    if (IsLocalPath(localName) && wcspbrk(localName, L"<>") != nullptr) {
        // Nothing can be written under a name that holds '<' or '>' and is no range.
        if (!series || !IsLocalRangeName(localName, local)) return FS_FILE_WRITEERROR;
        if (copyFlags & FS_COPYFLAGS_RESUME) return FS_FILE_NOTSUPPORTED;
        if (!IsItemPath(remoteName)) return FS_FILE_NOTFOUND;
        return GetSeries(remoteName, range, localName, local, copyFlags);
    }
    // Under a plain local name a series entry is downloaded as its first member. Each pass takes
    // one range out of the name, so the loop ends; a member name that cannot be built is a read
    // error.
    WCHAR members[2][kMemberNameBuffer];
    const WCHAR* remote = remoteName;
    for (int which = 0; ParseRangeName(remote, range); which ^= 1) {
        if (!BuildMemberName(members[which], kMemberNameBuffer, remote, range.first, range.width)) return FS_FILE_READERROR;
        remote = members[which];
    }
    if (copyFlags & FS_COPYFLAGS_RESUME) return FS_FILE_NOTSUPPORTED;
    if (!IsItemPath(remote) || !IsLocalPath(localName)) return FS_FILE_NOTFOUND;
    if (ReportProgress(remote, localName, 0) != 0) return FS_FILE_USERABORT;
    const int result = TransferFile(LocalPath(remote), localName, copyFlags);
    // Once the file has arrived, the last report can no longer undo it.
    if (result == FS_FILE_OK) ReportProgress(remote, localName, 100);
    return result;
}

int WINAPI FsPutFileW(WCHAR* localName, WCHAR* remoteName, int copyFlags) noexcept {
    if (copyFlags & FS_COPYFLAGS_RESUME) return FS_FILE_NOTSUPPORTED;
    if (!IsItemPath(remoteName) || !IsLocalPath(localName)) return FS_FILE_NOTFOUND;
    if (ReportProgress(localName, remoteName, 0) != 0) return FS_FILE_USERABORT;
    const int result = TransferFile(localName, LocalPath(remoteName), copyFlags);
    if (result == FS_FILE_OK) ReportProgress(localName, remoteName, 100);
    return result;
}

int WINAPI FsGetFile(char* remoteName, char* localName, int copyFlags, RemoteInfoStruct* ri) noexcept {
    WideArg remote, local;
    if (!ToWideArg(remoteName, remote) || !ToWideArg(localName, local)) return FS_FILE_NOTFOUND;
    return FsGetFileW(remote.ptr, local.ptr, copyFlags, ri);
}

int WINAPI FsPutFile(char* localName, char* remoteName, int copyFlags) noexcept {
    WideArg local, remote;
    if (!ToWideArg(localName, local) || !ToWideArg(remoteName, remote)) return FS_FILE_NOTFOUND;
    return FsPutFileW(local.ptr, remote.ptr, copyFlags);
}
