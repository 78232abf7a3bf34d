// Bounded wide-string helpers and the narrow/wide conversions that the exports share.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string_view>

namespace tf {

// Longest argument that a narrow export passes on to its wide twin, and its buffer.
constexpr int kNarrowArgChars = 1023;
constexpr int kNarrowArgBuffer = kNarrowArgChars + 1;
// Narrow names and paths: 259 bytes and the terminator.
constexpr int kNarrowNameBytes = MAX_PATH;

// Copies at most limit - 1 characters and always terminates (limit counts the terminator).
WCHAR* CopyBounded(WCHAR* dest, const WCHAR* source, int limit);
// Appends so that the whole destination holds at most limit - 1 characters, terminated.
WCHAR* AppendBounded(WCHAR* dest, const WCHAR* source, int limit);
// Writes exactly n positions: the source, then zeros; no terminator when the source fills n.
WCHAR* CopyPadded(WCHAR* dest, const WCHAR* source, int n);
// Signed decimal for radix 10, otherwise the unsigned value; lower-case letters above 9.
WCHAR* IntToText(int value, WCHAR* dest, int radix);

int WideLength(const WCHAR* text);

// Case-insensitive comparison that folds only A to Z; code units compare as unsigned.
int CompareFoldAscii(std::wstring_view a, std::wstring_view b);
bool EqualsFoldAscii(std::wstring_view a, std::wstring_view b);

// A file name in upper case as the file system compares names (every script, not only A to Z;
// the length stays). False, writing nothing, when it does not fit the capacity (terminator
// counted).
bool FoldFileName(std::wstring_view name, WCHAR* dest, int capacity);

// Path separators: the backslash and the slash the system reads as one.
inline bool IsPathSeparator(WCHAR c) { return c == L'\\' || c == L'/'; }
// Where the last component of a path begins: after its last separator.
size_t LastComponentAt(std::wstring_view path);
// Whether a text may stand in a file name as it is: no control character, separator, wildcard,
// nor any of < > " | :.
bool IsFileNameText(std::wstring_view text);

// One narrow string argument converted for the wide twin. A null argument stays null.
struct WideArg {
    WCHAR text[kNarrowArgBuffer];
    WCHAR* ptr;
};
// Converts with the system code page. Returns false, leaving ptr null, when the argument does
// not fit in kNarrowArgChars characters: a cut path would name another file.
bool ToWideArg(const char* source, WideArg& out);

// Converts a wide name into a narrow buffer of the given size (code page, cut, terminated).
void ToNarrowCut(const WCHAR* source, char* dest, int destBytes);
// Converts a narrow name into a wide buffer of the given size (code page, cut, terminated).
void ToWideCut(const char* source, WCHAR* dest, int destChars);

}  // namespace tf
