// The member walk shared by delete, attributes and times: every member of a series entry in
// ascending counter order, with a progress report per member.
#pragma once
#include <windows.h>

#include "listing/range_name.h"
#include "operations/series.h"

namespace tf {

// Results of the delete, folder, attribute and time operations.
constexpr BOOL kOpFailed = 0;
constexpr BOOL kOpDone = 1;
constexpr BOOL kOpAborted = 5;  // the abort value of every series operation

// Applies act(localPath) -> bool to every member of the series entry at pluginPath, first to
// last. Stops at the first member whose name cannot be built or that act refuses (kOpFailed;
// what was done stays done), or when the host's progress callback asks to abort (kOpAborted).
// A range whose last is below its first has no members: kOpDone.
template <typename Act>
BOOL ForEachMember(const WCHAR* pluginPath, const RangeSpec& range, Act act) {
    const long long count = MemberCount(range.first, range.last);
    WCHAR member[kMemberNameBuffer];
    // A 64-bit counter: a range that ends at the largest int must still end.
    for (long long k = 1; k <= count; ++k) {
        const int counter = static_cast<int>(range.first + (k - 1));
        // Skipping a member that cannot be named would report the series done while it is not.
        if (!BuildMemberName(member, kMemberNameBuffer, pluginPath, counter, range.width)) return kOpFailed;
        if (!IsItemPath(member)) return kOpFailed;
        if (!act(LocalPath(member))) return kOpFailed;
        if (ReportSeriesStep(pluginPath, nullptr, k, count)) return kOpAborted;
    }
    return kOpDone;
}

}  // namespace tf
