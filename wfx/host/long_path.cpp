#include "host/long_path.h"

#include <cwchar>

namespace tf {

bool MakeLongPath(WCHAR* dest, const WCHAR* source) {
    const int length = WideLength(source);
    if (length < MAX_PATH) {
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
