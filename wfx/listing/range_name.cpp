#include "listing/range_name.h"

#include "host/text.h"

namespace tf {

namespace {

bool IsDigit(WCHAR c) { return c >= L'0' && c <= L'9'; }

const WCHAR* FindLast(const WCHAR* begin, const WCHAR* end, WCHAR c) {
    for (const WCHAR* p = end; p != begin;) {
        if (*--p == c) return p;
    }
    return nullptr;
}

// Decimal value of a digit run, saturating at INT_MAX as wcstol does.
int ReadDecimal(const WCHAR* begin, const WCHAR* end) {
    long long value = 0;
    for (const WCHAR* p = begin; p != end; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > 2147483647LL) return 2147483647;
    }
    return static_cast<int>(value);
}

bool AllDigits(const WCHAR* begin, const WCHAR* end) {
    for (const WCHAR* p = begin; p != end; ++p) {
        if (!IsDigit(*p)) return false;
    }
    return true;
}

// The brackets of a range: the last '<' of the text and the last '>' among the
// kRangeTextChars characters after it. The builder uses the same pair as the parser, so a
// member name never skips text that the parser did not read as the range.
bool FindRange(const WCHAR* text, const WCHAR** open, const WCHAR** close, const WCHAR** end) {
    *end = text + WideLength(text);
    *open = FindLast(text, *end, L'<');
    if (*open == nullptr) return false;
    const WCHAR* piece = *open + 1;
    const WCHAR* pieceEnd = *end - piece > kRangeTextChars ? piece + kRangeTextChars : *end;
    *close = FindLast(piece, pieceEnd, L'>');
    return *close != nullptr;
}

}  // namespace

bool ParseRangeName(const WCHAR* text, int* first, int* last, int* width) {
    if (text == nullptr || first == nullptr || last == nullptr || width == nullptr) return false;
    const WCHAR* open;
    const WCHAR* close;
    const WCHAR* end;
    if (!FindRange(text, &open, &close, &end)) return false;
    const WCHAR* piece = open + 1;
    const WCHAR* dash = FindLast(piece, close, L'-');
    const WCHAR* firstEnd = close;
    if (dash == nullptr) {
        *last = -1;
    } else {
        firstEnd = dash;
        if (dash + 1 == close) {
            *last = -1;
        } else {
            if (!AllDigits(dash + 1, close)) return false;
            *last = ReadDecimal(dash + 1, close);
        }
    }
    if (!AllDigits(piece, firstEnd)) return false;
    *width = static_cast<int>(firstEnd - piece);
    *first = ReadDecimal(piece, firstEnd);
    return true;
}

bool ParseRangeName(const WCHAR* text, RangeSpec& range) {
    return ParseRangeName(text, &range.first, &range.last, &range.width);
}

bool BuildMemberName(WCHAR* dest, int capacity, const WCHAR* rangeName, int value, int width) {
    if (dest == nullptr || rangeName == nullptr || capacity < 1) return false;
    const WCHAR* open;
    const WCHAR* close;
    const WCHAR* end;
    if (!FindRange(rangeName, &open, &close, &end)) return false;

    WCHAR digits[12];
    IntToText(value, digits, 10);
    const int digitCount = WideLength(digits);
    const int zeros = width > digitCount ? width - digitCount : 0;
    const long long total = (open - rangeName) + static_cast<long long>(zeros) + digitCount + (end - close - 1);
    if (total > capacity - 1) return false;

    WCHAR* out = dest;
    for (const WCHAR* p = rangeName; p != open; ++p) *out++ = *p;
    for (int i = 0; i < zeros; ++i) *out++ = L'0';
    for (int i = 0; i < digitCount; ++i) *out++ = digits[i];
    for (const WCHAR* p = close + 1; p != end; ++p) *out++ = *p;
    *out = 0;
    return true;
}

bool SplitRangeName(const WCHAR* rangeName, std::wstring_view& before, std::wstring_view& after) {
    if (rangeName == nullptr) return false;
    const WCHAR* open;
    const WCHAR* close;
    const WCHAR* end;
    if (!FindRange(rangeName, &open, &close, &end)) return false;
    before = std::wstring_view(rangeName, static_cast<size_t>(open - rangeName));
    after = std::wstring_view(close + 1, static_cast<size_t>(end - close - 1));
    return true;
}

}  // namespace tf
