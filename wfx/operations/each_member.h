// The member walk shared by delete, attributes and times: every member of a series entry in
// ascending counter order, with a progress report per member.
#pragma once
#include <windows.h>

#include "host/progress.h"
#include "host/text.h"
#include "listing/range_name.h"

namespace tf {

// Results of the delete, folder, attribute and time operations.
constexpr BOOL kOpFailed = 0;
constexpr BOOL kOpDone = 1;
constexpr BOOL kOpAborted = 5;  // the abort value of every series operation

// A plugin path shorter than this is the root or a bare drive letter ("\", "\C"): refused.
constexpr int kShortestEntryPath = 3;

inline bool IsEntryPath(const WCHAR* pluginPath) {
    return pluginPath != nullptr && WideLength(pluginPath) >= kShortestEntryPath;
}

// The local path of a plugin path: the text after its leading backslash.
inline const WCHAR* LocalPart(const WCHAR* pluginPath) { return pluginPath + 1; }

// Percent of a series done after k of count members, truncated. Computed in 64 bits so a
// series of more than 21 million members cannot overflow the product.
inline int SeriesPercent(long long k, long long count) { return static_cast<int>((100 * k) / count); }

// Applies act(localPath) -> bool to every member of the series entry at pluginPath, first to
// last. Stops at the first member whose name cannot be built or that act refuses (kOpFailed;
// what was done stays done), or when the host's progress callback asks to abort (kOpAborted).
// A range whose last is below its first has no members: kOpDone.
template <typename Act>
BOOL ForEachMember(const WCHAR* pluginPath, const RangeSpec& range, Act act) {
    if (range.first > range.last) return kOpDone;
    const long long count = static_cast<long long>(range.last) - range.first + 1;
    WCHAR member[kMemberNameBuffer];
    long long k = 0;
    // A 64-bit counter: a range that ends at the largest int must still end.
    for (long long counter = range.first; counter <= range.last; ++counter) {
        ++k;
        // Skipping a member that cannot be named would report the series done while it is not.
        if (!BuildMemberName(member, kMemberNameBuffer, pluginPath, static_cast<int>(counter), range.width)) return kOpFailed;
        if (!IsEntryPath(member)) return kOpFailed;
        if (!act(LocalPart(member))) return kOpFailed;
        if (ReportMemberProgress(pluginPath, nullptr, SeriesPercent(k, count))) return kOpAborted;
    }
    return kOpDone;
}

}  // namespace tf
