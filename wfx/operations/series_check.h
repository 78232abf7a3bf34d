// What a series copy or move can know before it touches a file: a walk that stops half way
// leaves the user two half series, so every failure that can be foreseen is answered first.
#pragma once
#include "host/interface.h"
#include "operations/series_walk.h"

namespace tf {

// What the walk does with a file that stands in a target member's place.
enum class ExistingTarget {
    Refused,   // a rename or copy within the plugin: a series never replaces a file
    Asked,     // a download the host has not yet allowed to replace local files: it asks first
    Replaced,  // a download allowed to replace local files
};

// Looks at every position of the walk, in counter order, without changing anything, and then
// orders the walk. A target member that is a source member (by its name in the source's folder,
// or, for a download, as the same file under another name) must not be written before that
// member is read: the walk runs forward or backward, whichever reads every such member first.
//
// FS_FILE_OK when no failure is foreseen; otherwise the answer for the first position that fails:
// - FS_FILE_WRITEERROR: a member name that cannot be built, a member path too long for the file
//   branch in use, a target file name longer than its volume allows, a folder in a target's
//   place, a target the walk cannot replace (read-only, or the very file it reads for that
//   member), any target of a rename that the move does not take away first, or no order that
//   reads every source member before its name is written;
// - FS_FILE_NOTFOUND: a missing source member, a source member that is a folder (copy only: a
//   move takes folders along), or a name too short to be a path;
// - FS_FILE_EXISTS: a target file there, for a download that lets the host ask first.
// What cannot be told beforehand (a folder that cannot be searched or whose search breaks off, a
// file that cannot be opened) is left to the walk, in the order the targets seen so far need.
int CheckSeriesWalk(SeriesWalk& walk, bool move, ExistingTarget existing = ExistingTarget::Refused) noexcept;

}  // namespace tf
