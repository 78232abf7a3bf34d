#include "listing/folder_names.h"

#include <algorithm>
#include <cwchar>

#include "host/file_access.h"
#include "host/text.h"

namespace tf {

uint32_t FolderNames::Keep(std::wstring_view folded) {
    const auto at = static_cast<uint32_t>(text_.size());
    text_.insert(text_.end(), folded.begin(), folded.end());
    return at;
}

bool FolderNames::Read(const WCHAR* pattern) {
    WIN32_FIND_DATAW record;
    const HandleResult search = FindFirstFileLong(pattern, &record);
    // A search that matches nothing says so with "file not found": the folder is there and no
    // name fits. Any other failure (folder missing, refused, unreadable) leaves no answer.
    if (!search.valid()) return search.error == ERROR_FILE_NOT_FOUND || search.error == ERROR_NO_MORE_FILES;
    const SearchCloser closer(search.handle);
    sorted_ = false;
    WCHAR folded[MAX_PATH];
    FileResult more{TRUE, ERROR_SUCCESS};
    while (more) {
        const std::wstring_view name(record.cFileName, wcsnlen(record.cFileName, MAX_PATH - 1));
        const std::wstring_view alternate(record.cAlternateFileName, wcsnlen(record.cAlternateFileName, 13));
        if (FoldFileName(name, folded, MAX_PATH)) {
            const auto length = static_cast<uint32_t>(name.size());
            const uint32_t entryAt = Keep({folded, name.size()});
            const DWORD attributes = record.dwFileAttributes;
            keys_.push_back({entryAt, length, entryAt, length, attributes});
            // A short name is a second name of the same entry: a move onto it meets that entry.
            if (!alternate.empty() && FoldFileName(alternate, folded, MAX_PATH) &&
                std::wstring_view(folded, alternate.size()) != Text(entryAt, length)) {
                const uint32_t at = Keep({folded, alternate.size()});
                keys_.push_back({at, static_cast<uint32_t>(alternate.size()), entryAt, length, attributes});
            }
        }
        more = FindNextFileLong(search.handle, &record);
    }
    // A search that broke off early knows only part of the folder.
    return more.error == ERROR_NO_MORE_FILES;
}

FolderNames::Answer FolderNames::Find(std::wstring_view name, std::wstring_view* entry, DWORD* attributes) {
    WCHAR folded[MAX_PATH];
    if (!FoldFileName(name, folded, MAX_PATH)) return Answer::Unknown;
    if (!sorted_) {
        std::sort(keys_.begin(), keys_.end(),
                  [this](const Key& a, const Key& b) { return Text(a.at, a.length) < Text(b.at, b.length); });
        sorted_ = true;
    }
    const std::wstring_view wanted(folded, name.size());
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), wanted,
                                     [this](const Key& k, std::wstring_view v) { return Text(k.at, k.length) < v; });
    if (it == keys_.end() || Text(it->at, it->length) != wanted) return Answer::Absent;
    if (entry != nullptr) *entry = Text(it->entryAt, it->entryLength);
    if (attributes != nullptr) *attributes = it->attributes;
    return Answer::Present;
}

}  // namespace tf
