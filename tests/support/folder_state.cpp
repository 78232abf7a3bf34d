#include "support/folder_state.h"

#include <windows.h>

#include <algorithm>

#include "support/support.h"

namespace tftest {

FolderState ReadFolder(const std::wstring& folder) {
    FolderState state;
    WIN32_FIND_DATAW record;
    std::wstring pattern = folder + L"\\*";
    if (pattern.size() >= MAX_PATH) pattern.insert(0, L"\\\\?\\");
    const HANDLE search = FindFirstFileW(pattern.c_str(), &record);
    if (search == INVALID_HANDLE_VALUE) return state;
    do {
        if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        state[record.cFileName] = ReadBytes(folder + L"\\" + record.cFileName);
    } while (FindNextFileW(search, &record));
    FindClose(search);
    return state;
}

bool WriteNamedSeries(const std::wstring& folder, const std::wstring& prefix, int first, int last, int width,
                      const std::wstring& suffix, std::initializer_list<int> skip) {
    for (int counter = first; counter <= last; ++counter) {
        if (std::find(skip.begin(), skip.end(), counter) != skip.end()) continue;
        const std::wstring name = MemberName(prefix, counter, width, suffix);
        if (!WriteBytes(folder + L"\\" + name, Narrow(name))) return false;
    }
    return true;
}

std::string Describe(const FolderState& state) {
    std::string out;
    for (const auto& [name, content] : state) {
        if (!out.empty()) out += ", ";
        out += Narrow(name) + "=" + content;
    }
    return out;
}

}  // namespace tftest
