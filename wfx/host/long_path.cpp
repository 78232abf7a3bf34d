#include "host/long_path.h"

#include <cwchar>

namespace tf {

namespace {

// "\\?\" or "\\.\": an extended or device path, spelled as its caller means it.
bool HasLongPathPrefix(const WCHAR* path) {
    return path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\';
}

}  // namespace

bool MakeLongPath(WCHAR* dest, const WCHAR* source) {
    const int length = WideLength(source);
    // A prefixed path goes as it stands: a second prefix would name another file ("\\?\UNC\?\C:"),
    // and resolving it would undo what the caller asked for with the prefix.
    if (length < MAX_PATH || HasLongPathPrefix(source)) {
        if (length > kLongPathChars) return false;
        CopyPadded(dest, source, length + 1);
        return true;
    }
    // The system resolves "." and "..", doubled separators and trailing dots of a short path, but
    // passes a "\\?\" path on as it stands: the long path is resolved here, the same way, right
    // where its prefix goes.
    constexpr int kPrefix = 4;  // "\\?\"
    constexpr DWORD kRoom = kLongPathBuffer - kPrefix;
    WCHAR* const full = dest + kPrefix;
    const DWORD chars = GetFullPathNameW(source, kRoom, full, nullptr);
    if (chars == 0 || chars >= kRoom) return false;
    if (full[0] == L'\\' && full[1] == L'\\') {
        // \\server\share\dir becomes \\?\UNC\server\share\dir: one backslash fewer.
        if (chars > static_cast<DWORD>(kMaxUncPathChars)) return false;
        wmemmove(dest + 7, full + 1, chars);
        CopyPadded(dest, L"\\\\?\\UNC", 7);
        return true;
    }
    CopyPadded(dest, L"\\\\?\\", kPrefix);
    return true;
}

namespace {

void PrepareWide(const WCHAR* path, PreparedPath& out) {
    if (path == nullptr) return;
    out.fits = MakeLongPath(out.wide, path);
    out.w = out.wide;
}

}  // namespace

void PrepareNarrow(const WCHAR* path, PreparedPath& out) {
    if (path == nullptr) return;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, path, -1, out.narrow, kNarrowNameBytes, nullptr, nullptr);
    out.fits = bytes != 0;
    out.narrow[kNarrowNameBytes - 1] = 0;
    out.a = out.narrow;
}

void Prepare(bool wide, const WCHAR* path, PreparedPath& out) {
    if (wide) PrepareWide(path, out);
    else PrepareNarrow(path, out);
}

}  // namespace tf
