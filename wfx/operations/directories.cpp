// Making and removing folders: one system call each; a folder name is never read as a range.
#include "host/exports.h"
#include "host/file_access.h"
#include "operations/each_member.h"

using namespace tf;

BOOL WINAPI FsMkDirW(WCHAR* path) noexcept {
    if (!IsItemPath(path)) return kOpFailed;
    return CreateDirectoryLong(LocalPath(path)).ok;
}

BOOL WINAPI FsRemoveDirW(WCHAR* remoteName) noexcept {
    if (!IsItemPath(remoteName)) return kOpFailed;
    return RemoveDirectoryLong(LocalPath(remoteName)).ok;
}

BOOL WINAPI FsMkDir(char* path) noexcept {
    WideArg name;
    if (!ToWideArg(path, name)) return kOpFailed;
    return FsMkDirW(name.ptr);
}

BOOL WINAPI FsRemoveDir(char* remoteName) noexcept {
    WideArg name;
    if (!ToWideArg(remoteName, name)) return kOpFailed;
    return FsRemoveDirW(name.ptr);
}
