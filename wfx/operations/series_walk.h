// The member pairs of a series copy or move in the order the walk takes them: the check before
// the walk and the walk itself go through the same positions.
#pragma once
#include <windows.h>

#include <climits>

#include "listing/range_name.h"

namespace tf {

struct SeriesWalk {
    const WCHAR* oldName;
    const WCHAR* newName;
    RangeSpec source;
    int targetFirst;
    int targetLast;  // filled in when the new name leaves it out
    int targetWidth;
    long long count;
    // A target range that overlaps the source from above is walked from the top, so no member
    // is written over one still to be moved; every other case walks up from the first member.
    // The series check turns it where the target names on disk need the other order.
    bool backward;

    // Counters at position k (1-based, in walk order).
    int SourceCounter(long long k) const {
        return static_cast<int>(backward ? source.last - (k - 1) : source.first + (k - 1));
    }
    int TargetCounter(long long k) const {
        return static_cast<int>(backward ? targetLast - (k - 1) : targetFirst + (k - 1));
    }
    // The position at which the walk takes the source member of this counter; 0 outside the range.
    long long PositionOf(long long sourceCounter) const {
        if (sourceCounter < source.first || sourceCounter > source.last) return 0;
        return backward ? source.last - sourceCounter + 1 : sourceCounter - source.first + 1;
    }
    // Both member names at position k, in buffers of kMemberNameBuffer characters; false when
    // either cannot be built (a cut name would stand for another file).
    bool Names(long long k, WCHAR* from, WCHAR* to) const {
        return BuildMemberName(from, kMemberNameBuffer, oldName, SourceCounter(k), source.width) &&
               BuildMemberName(to, kMemberNameBuffer, newName, TargetCounter(k), targetWidth);
    }
};

// The walk from the source range of oldName to the target range of newName. A target without a
// last counter takes the source's length; false when the target names another length, or a
// filled-in last beyond the largest counter, which could not be written. The source range must
// name at least one member.
inline bool PlanSeriesWalk(const WCHAR* oldName, const RangeSpec& source, const WCHAR* newName, const RangeSpec& target,
                           SeriesWalk& walk) {
    const long long span = static_cast<long long>(source.last) - source.first;
    const long long targetLast = target.last == -1 ? target.first + span : target.last;
    if (span < 0 || targetLast - target.first != span || targetLast > INT_MAX) return false;
    walk = SeriesWalk{oldName, newName, source, target.first, static_cast<int>(targetLast), target.width, span + 1,
                      source.first < target.first && target.first <= source.last};
    return true;
}

}  // namespace tf
