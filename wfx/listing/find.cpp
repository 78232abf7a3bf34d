// The listing exports: drive letters at the root, a prepared folder listing below it.
#include <cstring>
#include <memory>
#include <new>

#include "host/exports.h"
#include "host/file_access.h"
#include "host/text.h"
#include "listing/scan.h"

namespace tf {
namespace {

enum class ListingKind : int { Folder = 0, Drives = 1 };

struct FindHandle {
    WCHAR driveName[1024] = {};
    std::unique_ptr<EntryList> entries;
    int nextIndex = 0;
    int entryCount = 0;
    ListingKind kind = ListingKind::Folder;
};

// The host interface's mark for a time that is not known.
constexpr DWORD kMissingTimeHigh = 0xFFFFFFFF;
constexpr DWORD kMissingTimeLow = 0xFFFFFFFE;

// A listing that fails tells the host why through the thread's last error, set last so that no
// clean-up call overwrites it: otherwise the host reads whatever an earlier call left, often
// "no more files", and shows a folder it could not read as empty.
HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// First drive letter from 'first' on whose root is a drive; 0 when none is left.
WCHAR NextDriveLetter(WCHAR first) {
    WCHAR root[] = L"A:\\";
    for (WCHAR letter = first; letter <= L'Z'; ++letter) {
        root[0] = letter;
        if (GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR) return letter;
    }
    return 0;
}

void HandOutDrive(FindHandle& handle, WCHAR letter, WIN32_FIND_DATAW& record) {
    const WCHAR name[] = {letter, L':', 0};
    CopyBounded(handle.driveName, name, static_cast<int>(std::size(handle.driveName)));
    CopyBounded(record.cFileName, name, MAX_PATH);
}

HANDLE StartDriveListing(WIN32_FIND_DATAW& record) {
    record.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    record.ftLastWriteTime.dwHighDateTime = kMissingTimeHigh;
    record.ftLastWriteTime.dwLowDateTime = kMissingTimeLow;
    const WCHAR letter = NextDriveLetter(L'A');
    if (letter == 0) return Refuse(ERROR_NO_MORE_FILES);
    auto* handle = new (std::nothrow) FindHandle;
    if (handle == nullptr) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    handle->kind = ListingKind::Drives;
    HandOutDrive(*handle, letter, record);
    return handle;
}

HANDLE StartFolderListing(const WCHAR* localPath, WIN32_FIND_DATAW& record) {
    DWORD error = ERROR_SUCCESS;
    std::unique_ptr<EntryList> list = ScanFolder(localPath, &error);
    if (list == nullptr) return Refuse(error);
    auto* handle = new (std::nothrow) FindHandle;
    if (handle == nullptr) {
        list.reset();
        return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    }
    handle->entryCount = static_cast<int>(list->order.size());
    handle->entries = std::move(list);
    handle->nextIndex = 1;
    handle->entries->order[0]->ToFindData(record);
    return handle;
}

void ToNarrowRecord(const WIN32_FIND_DATAW& from, WIN32_FIND_DATAA& to) {
    ToNarrowCut(from.cAlternateFileName, to.cAlternateFileName, 14);
    ToNarrowCut(from.cFileName, to.cFileName, MAX_PATH);
    to.dwFileAttributes = from.dwFileAttributes;
    to.ftCreationTime = from.ftCreationTime;
    to.ftLastAccessTime = from.ftLastAccessTime;
    to.ftLastWriteTime = from.ftLastWriteTime;
    to.nFileSizeHigh = from.nFileSizeHigh;
    to.nFileSizeLow = from.nFileSizeLow;
    to.dwReserved0 = from.dwReserved0;
    to.dwReserved1 = from.dwReserved1;
}

}  // namespace
}  // namespace tf

using namespace tf;

HANDLE WINAPI FsFindFirstW(WCHAR* path, WIN32_FIND_DATAW* findData) noexcept {
    if (findData == nullptr) return Refuse(ERROR_INVALID_PARAMETER);
    std::memset(findData, 0, sizeof *findData);
    if (path == nullptr || path[0] == 0) return Refuse(ERROR_INVALID_PARAMETER);
    if (path[0] == L'\\' && path[1] == 0) return StartDriveListing(*findData);
    return StartFolderListing(path + 1, *findData);
}

BOOL WINAPI FsFindNextW(HANDLE handle, WIN32_FIND_DATAW* findData) noexcept {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || findData == nullptr) return FALSE;
    auto& find = *static_cast<FindHandle*>(handle);
    if (find.kind == ListingKind::Drives) {
        const WCHAR stored = find.driveName[0];
        const WCHAR letter = stored >= L'A' && stored < L'Z' ? NextDriveLetter(static_cast<WCHAR>(stored + 1)) : 0;
        if (letter == 0) return FALSE;
        HandOutDrive(find, letter, *findData);
        return TRUE;
    }
    if (find.nextIndex >= find.entryCount) return FALSE;
    find.entries->order[static_cast<size_t>(find.nextIndex)]->ToFindData(*findData);
    ++find.nextIndex;
    return TRUE;
}

int WINAPI FsFindClose(HANDLE handle) noexcept {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) delete static_cast<FindHandle*>(handle);
    return 0;
}

HANDLE WINAPI FsFindFirst(char* path, WIN32_FIND_DATAA* findData) noexcept {
    if (findData == nullptr) return Refuse(ERROR_INVALID_PARAMETER);
    WideArg widePath;
    if (!ToWideArg(path, widePath)) return Refuse(ERROR_FILENAME_EXCED_RANGE);
    WIN32_FIND_DATAW record;
    const HANDLE handle = FsFindFirstW(widePath.ptr, &record);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    ToNarrowRecord(record, *findData);
    return handle;
}

BOOL WINAPI FsFindNext(HANDLE handle, WIN32_FIND_DATAA* findData) noexcept {
    if (findData == nullptr) return FALSE;
    WIN32_FIND_DATAW record{};
    ConvertFindRecord(*findData, record);
    if (!FsFindNextW(handle, &record)) return FALSE;
    ToNarrowRecord(record, *findData);
    return TRUE;
}
