#include "host/text.h"

namespace tf {

int WideLength(const WCHAR* text) {
    int n = 0;
    while (text[n] != 0) ++n;
    return n;
}

WCHAR* CopyPadded(WCHAR* dest, const WCHAR* source, int n) {
    int i = 0;
    for (; i < n && source[i] != 0; ++i) dest[i] = source[i];
    for (; i < n; ++i) dest[i] = 0;
    return dest;
}

WCHAR* CopyBounded(WCHAR* dest, const WCHAR* source, int limit) {
    const int length = WideLength(source);
    if (length < limit - 1) {
        CopyPadded(dest, source, length + 1);
    } else {
        CopyPadded(dest, source, limit - 1);
        dest[limit - 1] = 0;
    }
    return dest;
}

WCHAR* AppendBounded(WCHAR* dest, const WCHAR* source, int limit) {
    const int destLength = WideLength(dest);
    const int sourceLength = WideLength(source);
    if (destLength + sourceLength < limit - 1) {
        CopyPadded(dest + destLength, source, sourceLength + 1);
    } else {
        CopyPadded(dest + destLength, source, limit - destLength - 1);
        dest[limit - 1] = 0;
    }
    return dest;
}

WCHAR* IntToText(int value, WCHAR* dest, int radix) {
    WCHAR digits[34];
    int count = 0;
    unsigned magnitude = static_cast<unsigned>(value);
    int pos = 0;
    if (radix == 10 && value < 0) {
        dest[pos++] = L'-';
        magnitude = 0u - magnitude;
    }
    do {
        const unsigned digit = magnitude % static_cast<unsigned>(radix);
        digits[count++] = static_cast<WCHAR>(digit < 10 ? L'0' + digit : L'a' + digit - 10);
        magnitude /= static_cast<unsigned>(radix);
    } while (magnitude != 0);
    while (count > 0) dest[pos++] = digits[--count];
    dest[pos] = 0;
    return dest;
}

namespace {
WCHAR FoldAscii(WCHAR c) { return (c >= L'A' && c <= L'Z') ? static_cast<WCHAR>(c + 32) : c; }
}  // namespace

int CompareFoldAscii(std::wstring_view a, std::wstring_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const WCHAR x = FoldAscii(a[i]);
        const WCHAR y = FoldAscii(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsFoldAscii(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && CompareFoldAscii(a, b) == 0;
}

bool FoldFileName(std::wstring_view name, WCHAR* dest, int capacity) {
    if (capacity < 1 || name.size() > static_cast<size_t>(capacity - 1)) return false;
    const int length = static_cast<int>(name.size());
    bool ascii = true;
    for (int i = 0; i < length; ++i) {
        const WCHAR c = name[static_cast<size_t>(i)];
        ascii = ascii && c < 0x80;
        dest[i] = (c >= L'a' && c <= L'z') ? static_cast<WCHAR>(c - 32) : c;
    }
    dest[length] = 0;
    // Names beyond ASCII take the system's invariant upper case, which maps letter by letter
    // as file systems do; the ASCII fast path above gives the same for the rest.
    if (!ascii && length > 0) LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, dest, length, dest, length);
    return true;
}

bool ToWideArg(const char* source, WideArg& out) {
    out.ptr = nullptr;
    if (source == nullptr) return true;
    // The whole argument, terminator included, must fit; otherwise nothing is passed on.
    const int written = MultiByteToWideChar(CP_ACP, 0, source, -1, out.text, kNarrowArgBuffer);
    if (written == 0) return false;
    out.text[kNarrowArgChars] = 0;
    out.ptr = out.text;
    return true;
}

void ToNarrowCut(const WCHAR* source, char* dest, int destBytes) {
    if (destBytes <= 0) return;
    // Every wide character takes at least one byte, so at most destBytes - 1 of them can fit;
    // drop characters from the end until the converted text fits, never half a surrogate pair.
    int count = WideLength(source);
    if (count > destBytes - 1) count = destBytes - 1;
    int bytes = WideCharToMultiByte(CP_ACP, 0, source, count, nullptr, 0, nullptr, nullptr);
    while (count > 0 && bytes > destBytes - 1) {
        --count;
        if (count > 0 && source[count - 1] >= 0xD800 && source[count - 1] <= 0xDBFF) --count;
        bytes = WideCharToMultiByte(CP_ACP, 0, source, count, nullptr, 0, nullptr, nullptr);
    }
    bytes = count > 0 ? WideCharToMultiByte(CP_ACP, 0, source, count, dest, destBytes - 1, nullptr, nullptr) : 0;
    dest[bytes > 0 ? bytes : 0] = 0;
}

void ToWideCut(const char* source, WCHAR* dest, int destChars) {
    if (destChars <= 0) return;
    // Each wide character takes at least one byte, so more bytes than that cannot fit; this also
    // keeps the scan inside a fixed-size field that lacks its terminator.
    int count = 0;
    while (count < destChars - 1 && source[count] != 0) ++count;
    int chars = MultiByteToWideChar(CP_ACP, 0, source, count, nullptr, 0);
    while (count > 0 && chars > destChars - 1) {
        --count;
        chars = MultiByteToWideChar(CP_ACP, 0, source, count, nullptr, 0);
    }
    chars = count > 0 ? MultiByteToWideChar(CP_ACP, 0, source, count, dest, destChars - 1) : 0;
    dest[chars > 0 ? chars : 0] = 0;
}

size_t LastComponentAt(std::wstring_view path) {
    size_t at = path.size();
    while (at > 0 && !IsPathSeparator(path[at - 1])) --at;
    return at;
}

bool IsFileNameText(std::wstring_view text) {
    for (const WCHAR c : text) {
        if (c < 0x20 || IsPathSeparator(c) || std::wstring_view(L"*?<>\"|:").find(c) != std::wstring_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace tf
