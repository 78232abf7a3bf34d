// Range names (prefix<first-last>suffix): reading them back and rebuilding member names.
#pragma once
#include <windows.h>

#include <string_view>

namespace tf {

// Text after a range name's last '<' that is searched for its '>'.
constexpr int kRangeTextChars = 126;
// A member name holds the longest plugin path the host passes plus the counter's growth: the
// range brackets give at least three characters back, an 11-character counter takes them.
constexpr int kPluginPathChars = 1024;
constexpr int kMemberNameChars = kPluginPathChars + 16;
constexpr int kMemberNameBuffer = kMemberNameChars + 1;

struct RangeSpec {
    int first = 0;
    int last = -1;  // -1 when the name gives no last counter ("img<0005>.png")
    int width = 0;  // digits of first as written
};

// Reads first, last and width from a range name or a plugin path ending in one.
// Returns false for text that holds no valid range; first and width are then untouched.
bool ParseRangeName(const WCHAR* text, int* first, int* last, int* width);
bool ParseRangeName(const WCHAR* text, RangeSpec& range);

// Writes the member name for counter value into dest (capacity counts the terminator):
// the text before the last '<', the value padded with zeros to width, the text after the '>'.
// The '>' is the one ParseRangeName reads: the last within kRangeTextChars after the '<'.
// Returns false, writing nothing, when the name holds no such pair or when the member name
// would not fit: a cut name would stand for another file.
bool BuildMemberName(WCHAR* dest, int capacity, const WCHAR* rangeName, int value, int width);

// The text around a range's counter: before its '<' and after its '>', the pair that
// BuildMemberName puts the counter between. False for text that holds no such pair.
bool SplitRangeName(const WCHAR* rangeName, std::wstring_view& before, std::wstring_view& after);

}  // namespace tf
