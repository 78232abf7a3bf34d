// Download (a plugin entry to a local file; a series sends its first member) and upload (a
// local file to a plugin path, never read as a range).
#include "operations/transfer.h"

#include "host/exports.h"
#include "host/file_access.h"
#include "host/progress.h"
#include "operations/each_member.h"

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

}  // namespace
}  // namespace tf

using namespace tf;

int WINAPI FsGetFileW(WCHAR* remoteName, WCHAR* localName, int copyFlags, RemoteInfoStruct*) noexcept {
    // A series entry is downloaded as its first member. Each pass takes one range out of the
    // name, so the loop ends; a member name that cannot be built is a read error.
    WCHAR members[2][kMemberNameBuffer];
    const WCHAR* remote = remoteName;
    RangeSpec range;
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
