#include "host/file_access.h"

#include <shellapi.h>

#include "host/narrow_replace.h"
#include "host/state.h"
#include "host/text.h"

namespace tf {

bool UseWideApi() {
    if (g_state.platformMode.load(std::memory_order_relaxed) == kPlatformUnknown) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        GetVersionExA(&info);
        g_state.platformMode.store(info.dwPlatformId == VER_PLATFORM_WIN32_NT ? kPlatformWide : kPlatformNarrow,
                                   std::memory_order_relaxed);
    }
    return g_state.platformMode.load(std::memory_order_relaxed) == kPlatformWide;
}

SystemCalls g_systemCalls{::FindFirstFileW, ::FindNextFileW, ::FindFirstFileA, ::FindNextFileA,
                          ::GetFileInformationByHandle, ::MoveFileA};

namespace {

constexpr FileResult kRefused{FALSE, kPathRefused};

constexpr DWORD kUsualMaxNameLength = 255;

}  // namespace

bool PathPasses(const WCHAR* path) {
    PreparedPath p;
    Prepare(UseWideApi(), path, p);
    return p.fits;
}

DWORD MaxNameLength(const WCHAR* path) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return kUsualMaxNameLength;
    // Asked through a handle of the folder, for the name length alone, on either branch: the
    // volume's label and serial number, which need read access to the whole device, are not read.
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE h = wide ? CreateFileW(p.w, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)
                          : CreateFileA(p.a, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return kUsualMaxNameLength;
    DWORD longest = 0;
    const BOOL ok = GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, &longest, nullptr, nullptr, 0);
    CloseHandle(h);
    return ok ? longest : kUsualMaxNameLength;
}

FileResult CopyFileLong(const WCHAR* existing, const WCHAR* target, BOOL failIfExists) {
    const bool wide = UseWideApi();
    PreparedPath from, to;
    Prepare(wide, existing, from);
    Prepare(wide, target, to);
    if (!from.fits || !to.fits) return kRefused;
    return Outcome(wide ? CopyFileW(from.w, to.w, failIfExists) : CopyFileA(from.a, to.a, failIfExists));
}

FileResult MoveFileLong(const WCHAR* existing, const WCHAR* target) {
    const bool wide = UseWideApi();
    PreparedPath from, to;
    Prepare(wide, existing, from);
    Prepare(wide, target, to);
    if (!from.fits || !to.fits) return kRefused;
    return Outcome(wide ? MoveFileW(from.w, to.w) : g_systemCalls.moveFileA(from.a, to.a));
}

FileResult ReplaceFileLong(const WCHAR* existing, const WCHAR* target) {
    const bool wide = UseWideApi();
    PreparedPath from, to;
    Prepare(wide, existing, from);
    Prepare(wide, target, to);
    if (!from.fits || !to.fits) return kRefused;
    if (!wide) return ReplaceNarrow(existing, target, from, to);
    return Outcome(MoveFileExW(from.w, to.w, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED));
}

FileResult DeleteFileLong(const WCHAR* path) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return kRefused;
    return Outcome(wide ? DeleteFileW(p.w) : DeleteFileA(p.a));
}

FileResult CreateDirectoryLong(const WCHAR* path) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return kRefused;
    return Outcome(wide ? CreateDirectoryW(p.w, nullptr) : CreateDirectoryA(p.a, nullptr));
}

FileResult RemoveDirectoryLong(const WCHAR* path) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return kRefused;
    return Outcome(wide ? RemoveDirectoryW(p.w) : RemoveDirectoryA(p.a));
}

FileResult SetFileAttributesLong(const WCHAR* path, DWORD attributes) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return kRefused;
    return Outcome(wide ? SetFileAttributesW(p.w, attributes) : SetFileAttributesA(p.a, attributes));
}

HandleResult OpenFileForWriteLong(const WCHAR* path) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return {INVALID_HANDLE_VALUE, kPathRefused};
    const HANDLE h = wide ? CreateFileW(p.w, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : CreateFileA(p.a, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return {h, h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS};
}

UINT ExtractFileIcon(const WCHAR* path, HICON* large, HICON* small) {
    if (UseWideApi()) return ExtractIconExW(path, 0, large, small, 1);
    PreparedPath p;
    PrepareNarrow(path, p);
    if (!p.fits) return 0;
    return ExtractIconExA(p.a, 0, large, small, 1);
}

namespace {

FileIdentity NoIdentity(DWORD error, DWORD attributes = INVALID_FILE_ATTRIBUTES) {
    return {false, error, attributes, 0, 0, 0, 0};
}

}  // namespace

FileIdentity FileIdentityLong(const WCHAR* path) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, path, p);
    if (!p.fits) return NoIdentity(kPathRefused);
    HANDLE h = INVALID_HANDLE_VALUE;
    if (wide) {
        // No access asked: share modes do not apply, so a file open elsewhere still answers.
        h = CreateFileW(p.w, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    } else {
        // The kind comes from the attributes: some systems of the narrow API open no folder, and
        // such a folder is there, of a known kind, without an identity.
        const DWORD attributes = GetFileAttributesA(p.a);
        if (attributes == INVALID_FILE_ATTRIBUTES) return NoIdentity(GetLastError());
        const DWORD flags = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FILE_FLAG_BACKUP_SEMANTICS : 0;
        h = CreateFileA(p.a, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
        if (h == INVALID_HANDLE_VALUE) return NoIdentity(ERROR_SUCCESS, attributes);
    }
    if (h == INVALID_HANDLE_VALUE) return NoIdentity(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = g_systemCalls.getFileInformationByHandle(h, &info);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(h);
    if (!ok) return NoIdentity(error);
    if (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0) return NoIdentity(ERROR_SUCCESS, info.dwFileAttributes);
    return {true, ERROR_SUCCESS, info.dwFileAttributes, info.nNumberOfLinks, info.dwVolumeSerialNumber,
            info.nFileIndexHigh, info.nFileIndexLow};
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

Sameness CompareFileIdentities(const WCHAR* a, const WCHAR* b) {
    const FileIdentity x = FileIdentityLong(a);
    if (!x.known) return Sameness::Unknown;
    const FileIdentity y = FileIdentityLong(b);
    if (!y.known) return Sameness::Unknown;
    return SameFile(x, y) ? Sameness::Same : Sameness::Different;
}

void ConvertFindRecord(const WIN32_FIND_DATAA& from, WIN32_FIND_DATAW& to) {
    ToWideCut(from.cAlternateFileName, to.cAlternateFileName, 14);
    ToWideCut(from.cFileName, to.cFileName, MAX_PATH);
    to.dwFileAttributes = from.dwFileAttributes;
    to.dwReserved0 = from.dwReserved0;
    to.dwReserved1 = from.dwReserved1;
    to.ftCreationTime = from.ftCreationTime;
    to.ftLastAccessTime = from.ftLastAccessTime;
    to.ftLastWriteTime = from.ftLastWriteTime;
    to.nFileSizeHigh = from.nFileSizeHigh;
    to.nFileSizeLow = from.nFileSizeLow;
}

HandleResult FindFirstFileLong(const WCHAR* pattern, WIN32_FIND_DATAW* record) {
    const bool wide = UseWideApi();
    PreparedPath p;
    Prepare(wide, pattern, p);
    if (!p.fits) return {INVALID_HANDLE_VALUE, kPathRefused};
    if (wide) {
        const HANDLE h = g_systemCalls.findFirstFileW(p.w, record);
        return {h, h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS};
    }
    WIN32_FIND_DATAA narrow{};
    const HANDLE h = g_systemCalls.findFirstFileA(p.a, &narrow);
    if (h == INVALID_HANDLE_VALUE) return {h, GetLastError()};
    ConvertFindRecord(narrow, *record);
    return {h, ERROR_SUCCESS};
}

FileResult FindNextFileLong(HANDLE search, WIN32_FIND_DATAW* record) {
    if (UseWideApi()) return Outcome(g_systemCalls.findNextFileW(search, record));
    WIN32_FIND_DATAA narrow{};
    const BOOL ok = g_systemCalls.findNextFileA(search, &narrow);
    if (!ok) return {FALSE, GetLastError()};
    ConvertFindRecord(narrow, *record);
    return {TRUE, ERROR_SUCCESS};
}

}  // namespace tf
