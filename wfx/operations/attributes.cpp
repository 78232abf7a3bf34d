// Attributes and time stamps of an entry; for a series, of every member.
#include "host/exports.h"
#include "host/file_access.h"
#include "operations/each_member.h"

namespace tf {
namespace {

// The host sends 0 for "no attributes", which the system spells FILE_ATTRIBUTE_NORMAL.
DWORD SystemAttributes(int attributes) {
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : static_cast<DWORD>(attributes);
}

// The file is opened for writing without sharing, so a file that is missing, read-only or open
// elsewhere keeps its times and fails. A null time pointer leaves that time as it is.
BOOL SetFileTimes(const WCHAR* localPath, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    const HandleResult file = OpenFileForWriteLong(localPath);
    if (!file.valid()) return kOpFailed;
    const BOOL result = SetFileTime(file.handle, creation, lastAccess, lastWrite);
    CloseHandle(file.handle);
    return result;
}

}  // namespace
}  // namespace tf

using namespace tf;

BOOL WINAPI FsSetAttrW(WCHAR* remoteName, int newAttr) noexcept {
    if (!IsItemPath(remoteName)) return kOpFailed;
    const DWORD attributes = SystemAttributes(newAttr);
    RangeSpec range;
    if (!ParseRangeName(remoteName, range)) return SetFileAttributesLong(LocalPath(remoteName), attributes).ok;
    return ForEachMember(remoteName, range, [attributes](const WCHAR* local) {
        return static_cast<bool>(SetFileAttributesLong(local, attributes));
    });
}

BOOL WINAPI FsSetTimeW(WCHAR* remoteName, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) noexcept {
    if (!IsItemPath(remoteName)) return kOpFailed;
    RangeSpec range;
    if (!ParseRangeName(remoteName, range)) return SetFileTimes(LocalPath(remoteName), creation, lastAccess, lastWrite);
    return ForEachMember(remoteName, range, [=](const WCHAR* local) {
        return SetFileTimes(local, creation, lastAccess, lastWrite) != 0;
    });
}

BOOL WINAPI FsSetAttr(char* remoteName, int newAttr) noexcept {
    WideArg name;
    if (!ToWideArg(remoteName, name)) return kOpFailed;
    return FsSetAttrW(name.ptr, newAttr);
}

BOOL WINAPI FsSetTime(char* remoteName, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) noexcept {
    WideArg name;
    if (!ToWideArg(remoteName, name)) return kOpFailed;
    return FsSetTimeW(name.ptr, creation, lastAccess, lastWrite);
}
