// Folders of numbered files whose contents name the file they were created as, so that after a
// renumbering every file shows where it came from.
#pragma once
#include <map>
#include <string>

#include "support/member_files.h"

namespace tftest {

// Every plain file directly in a folder, by name, with its content.
using FolderState = std::map<std::wstring, std::string>;
FolderState ReadFolder(const std::wstring& folder);

// Creates prefix<first..last>suffix in the folder, each file holding its own name (UTF-8) as
// content; counters listed in skip are left out. Returns false when a file cannot be written.
bool WriteNamedSeries(const std::wstring& folder, const std::wstring& prefix, int first, int last, int width,
                      const std::wstring& suffix, std::initializer_list<int> skip = {});

// "name=content, name=content" for failure messages.
std::string Describe(const FolderState& state);

}  // namespace tftest
