#include "support/member_files.h"

namespace tftest {

std::wstring MemberName(const std::wstring& prefix, int counter, int width, const std::wstring& suffix) {
    std::wstring digits = std::to_wstring(counter);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), L'0');
    return prefix + digits + suffix;
}

std::string MemberContent(int counter) { return "member " + std::to_string(counter) + "\n"; }

bool MakeSeries(const TempDir& dir, const std::wstring& prefix, int first, int last, int width, const std::wstring& suffix) {
    for (long long i = first; i <= last; ++i) {
        const int counter = static_cast<int>(i);
        if (!WriteBytes(dir / MemberName(prefix, counter, width, suffix), MemberContent(counter))) return false;
    }
    return true;
}

std::vector<int> IntactMembers(const TempDir& dir, const std::wstring& prefix, int first, int last, int width,
                               const std::wstring& suffix) {
    std::vector<int> intact;
    for (long long i = first; i <= last; ++i) {
        const int counter = static_cast<int>(i);
        if (ReadBytes(dir / MemberName(prefix, counter, width, suffix)) == MemberContent(counter)) intact.push_back(counter);
    }
    return intact;
}

std::wstring DeepPath(const TempDir& dir, size_t length) {
    std::wstring path = dir.path();
    wchar_t letter = L'a';
    while (path.size() + 1 + 200 + 1 + 10 <= length) {
        path += L"\\" + std::wstring(200, letter++);
        CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
    }
    return path + L"\\" + std::wstring(length - path.size() - 1, L'z');
}

LockedFile::LockedFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

LockedFile::~LockedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool SetReadOnly(const std::wstring& path, bool readOnly) {
    return SetFileAttributesW(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool ReadOnlyEnforced(const TempDir& dir) {
    const std::wstring probe = dir / L"read-only probe";
    if (!WriteBytes(probe, "probe") || !SetReadOnly(probe, true)) return false;
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool enforced = h == INVALID_HANDLE_VALUE;
    if (!enforced) CloseHandle(h);
    SetReadOnly(probe, false);
    DeleteFileW(probe.c_str());
    return enforced;
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool ReadTimes(const std::wstring& path, FILETIME& created, FILETIME& accessed, FILETIME& written) {
    const HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileTime(h, &created, &accessed, &written);
    CloseHandle(h);
    return ok != 0;
}

FILETIME MakeFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace tftest
