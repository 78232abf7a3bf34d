#include "listing/scan.h"

#include <shlwapi.h>

#include <algorithm>
#include <new>

#include "host/file_access.h"
#include "host/state.h"
#include "host/text.h"
#include "listing/galloping_sort.h"
#include "listing/group_series.h"

namespace tf {

namespace {

bool IsDigit(WCHAR c) { return c >= L'0' && c <= L'9'; }

bool IsDotOrDotDot(const WCHAR* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

std::wstring_view Extension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring_view{} : name.substr(dot);
}

}  // namespace

bool IsFrontEntry(const Entry& record) {
    if (record.attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    const std::wstring_view name = record.Name();
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return name.empty() || !IsDigit(name.back());
    // A name whose only '.' is its first character ends the numbered test with an empty run.
    if (dot == 0) return false;
    return !IsDigit(name[dot - 1]);
}

namespace {

// Value of a digit run of at most 9 digits (no overflow in 32 bits).
int RunValue(std::wstring_view run) {
    int value = 0;
    for (const WCHAR c : run) value = value * 10 + (c - L'0');
    return value;
}

}  // namespace

int CompareNatural(std::wstring_view a, std::wstring_view b) {
    // Where two names first differ inside a digit run (both have a digit there, or the text they
    // share ends in digits), everything before the run is the same text, so a natural comparison
    // is decided by the two runs' values whenever they differ. Runs of up to 9 digits are read
    // here; longer runs, runs of equal value ("07" against "7"), and runs next to a character
    // outside ASCII (which the platform may read as a digit) are left to the platform.
    constexpr size_t kFastDigits = 9;
    const auto [endA, endB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (endA == a.end() && endB == b.end()) return 0;
    const size_t i = static_cast<size_t>(endA - a.begin());
    const bool digitA = i < a.size() && IsDigit(a[i]);
    const bool digitB = i < b.size() && IsDigit(b[i]);
    size_t start = i;
    while (start > 0 && IsDigit(a[start - 1])) --start;
    if ((digitA && digitB) || (start < i && (digitA || digitB))) {
        size_t runA = i;
        while (runA < a.size() && IsDigit(a[runA])) ++runA;
        size_t runB = i;
        while (runB < b.size() && IsDigit(b[runB])) ++runB;
        const auto ascii = [](std::wstring_view s, size_t at) { return at >= s.size() || s[at] < 0x80; };
        const bool plain = (start == 0 || a[start - 1] < 0x80) && ascii(a, runA) && ascii(b, runB);
        if (plain && runA - start <= kFastDigits && runB - start <= kFastDigits) {
            const int x = RunValue(a.substr(start, runA - start));
            const int y = RunValue(b.substr(start, runB - start));
            if (x != y) return x < y ? -1 : 1;
        }
    }
    return StrCmpLogicalW(a.data(), b.data());
}

int CompareNumbered(std::wstring_view a, std::wstring_view b) {
    const int byExtension = CompareFoldAscii(Extension(a), Extension(b));
    if (byExtension != 0) return byExtension;
    return CompareNatural(a, b);
}

size_t OrderEntries(std::vector<Entry*>& discovered) {
    // Inserting every front entry at the front, and every numbered entry before the equal keys
    // already placed, gives: front entries in reverse discovery order, then the numbered ones
    // sorted with equal keys in reverse discovery order. A stable sort of the reversed numbered
    // entries produces exactly that without moving pointers once per record.
    auto numbered = std::stable_partition(discovered.begin(), discovered.end(),
                                          [](const Entry* e) { return IsFrontEntry(*e); });
    std::reverse(discovered.begin(), numbered);
    std::reverse(numbered, discovered.end());
    GallopingSort(discovered.data() + (numbered - discovered.begin()), static_cast<size_t>(discovered.end() - numbered), [](const Entry* x, const Entry* y) {
        return CompareNumbered(x->Name(), y->Name()) < 0;
    });
    return static_cast<size_t>(numbered - discovered.begin());
}

std::unique_ptr<EntryList> ScanFolder(const WCHAR* localPath, DWORD* error) noexcept {
    DWORD ignored;
    DWORD& why = error != nullptr ? *error : ignored;
    try {
        // A cut path would list another folder, so a path too long for the pattern is refused.
        const int length = WideLength(localPath);
        if (length > kScanPathChars) {
            why = ERROR_FILENAME_EXCED_RANGE;
            return nullptr;
        }
        WCHAR pattern[kPatternChars + 1];
        CopyBounded(pattern, localPath, kPatternChars + 1);
        AppendBounded(pattern, L"\\*.*", kPatternChars + 1);

        WIN32_FIND_DATAW record;
        const HandleResult search = FindFirstFileLong(pattern, &record);
        if (!search.valid()) {
            // A folder that is missing answers "path not found". "File not found" comes from a
            // folder that is there with nothing in it, not even "." and "..": the root of an
            // empty drive, which lists as any empty folder.
            why = search.error == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_FILES : search.error;
            return nullptr;
        }
        std::unique_ptr<EntryList> list;
        {
            const SearchCloser closer(search.handle);
            list = std::make_unique<EntryList>();
            FileResult more{TRUE, ERROR_SUCCESS};
            while (more) {
                if (!IsDotOrDotDot(record.cFileName)) list->Add(record);
                more = FindNextFileLong(search.handle, &record);
            }
            // A folder read to its end with nothing in it is empty; a search that broke off before
            // the first entry says why it did.
            if (list->order.empty()) {
                why = more.error == ERROR_SUCCESS ? ERROR_NO_MORE_FILES : more.error;
                return nullptr;
            }
        }
        const size_t front = OrderEntries(list->order);
        if (list->order.size() - front > 1 && g_state.grouping.load(std::memory_order_relaxed) != 0) {
            GroupSeries(*list, front);
        }
        why = ERROR_SUCCESS;
        return list;
    } catch (...) {
        why = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
}

}  // namespace tf
