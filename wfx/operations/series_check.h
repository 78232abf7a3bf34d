// What a series copy or move can know before it touches a file: a walk that stops half way
// leaves the user two half series, so every failure that can be foreseen is answered first.
#pragma once
#include "host/interface.h"
#include "operations/series_walk.h"

namespace tf {

// Looks at every position of the walk, in walk order, without changing anything. FS_FILE_OK
// when no failure is foreseen; otherwise what the walk would answer at the first member that
// fails: FS_FILE_WRITEERROR for a member name that cannot be built, a member path too long for
// the file branch in use, a target file name longer than its volume allows, or a target member
// in the way; FS_FILE_NOTFOUND for a missing source member, a source member that is a folder
// (copy only: a move takes folders along) or a name too short to be a path. A target member is
// not in the way when it is a source member that the move takes away before (or, being the same
// file, at) that position. What cannot be told beforehand (a folder that cannot be searched or
// whose search breaks off, a file that cannot be opened) is left to the walk. A target member in
// the way answers inTheWay: a download that may replace local files passes FS_FILE_OK, one that
// lets the host ask first FS_FILE_EXISTS.
int CheckSeriesWalk(const SeriesWalk& walk, bool move, int inTheWay = FS_FILE_WRITEERROR) noexcept;

}  // namespace tf
