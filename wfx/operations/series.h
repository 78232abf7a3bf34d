// What every series operation shares: the plugin paths it accepts, the member count of a range,
// and the progress step after each member.
#pragma once
#include <windows.h>

#include "host/progress.h"
#include "host/text.h"

namespace tf {

// A plugin path that names a file or folder: not null, and not the root ("\" and shorter
// names are refused before any system call).
inline bool IsItemPath(const WCHAR* pluginPath) {
    return pluginPath != nullptr && pluginPath[0] != 0 && pluginPath[1] != 0 && pluginPath[2] != 0;
}

// The local path of a plugin path: the text after its leading backslash.
inline const WCHAR* LocalPath(const WCHAR* pluginPath) { return pluginPath + 1; }

// Members of the range first..last; 0 when last is below first, which names no member. Counted
// in 64 bits: 0..2147483647 holds one more member than an int counts.
inline long long MemberCount(int first, int last) {
    return last < first ? 0 : static_cast<long long>(last) - first + 1;
}

// Percent done after member k (1-based) of count: 100 * k / count truncated, as the host expects
// (3 members: 33, 66, 100), without overflowing in series of more than 21 million members.
inline int SeriesPercent(long long k, long long count) {
    return count > 0 ? static_cast<int>(100 * k / count) : 100;
}

// The report after member k of count: pump, report the range names, pump. True: the user cancels.
inline bool ReportSeriesStep(const WCHAR* source, const WCHAR* target, long long k, long long count) {
    return ReportMemberProgress(source, target, SeriesPercent(k, count));
}

}  // namespace tf
