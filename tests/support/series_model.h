// Thousands of generated series renames, copies and downloads to a local range name on real files,
// within one folder and across two: random source ranges, target first, width and prefix (one that
// takes a digit of the counter among them), overlap from above and below, members missing, targets
// already present (a file, a read-only file, a folder, a hard link of a source member), source
// members that are folders, cancels at any report. A model of the folders predicts each outcome
// member by member; after every operation the folders must match it exactly, and, whatever the
// result, no content that existed before may be lost, but for local files a download was allowed to
// replace. A failure that was there before the operation began changes no file at all.
#pragma once
#include <windows.h>

namespace tftest {

// The two operations under test, as the host calls them, and the start-up call that hands the
// plugin its progress callback.
struct SeriesOperations {
    int(WINAPI* init)(int pluginNr, void* progress, void* log, void* request);
    int(WINAPI* renMov)(WCHAR* oldName, WCHAR* newName, BOOL move, BOOL overwrite, void* info);
    int(WINAPI* get)(WCHAR* remoteName, WCHAR* localName, int copyFlags, void* info);
};

// Runs TF_RANDOM_ROUNDS operations (defaultRounds when unset) from the seed TF_RANDOM_SEED (or
// 20261208) and prints what came of them.
void RunSeriesModel(const SeriesOperations& operations, unsigned long defaultRounds);

}  // namespace tftest
