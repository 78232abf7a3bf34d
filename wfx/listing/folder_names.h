// The names of one folder that match a search pattern, read once and kept folded, so that many
// names can be looked up without asking the system once per name (each question is a server
// round trip under some systems).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tf {

class FolderNames {
public:
    // Adds the entries one search finds: a folder path, a backslash, and a file-name pattern
    // (prefix*suffix). False when the search fails for any reason but that nothing matches,
    // which leaves this list unable to answer.
    bool Read(const WCHAR* pattern);

    enum class Answer { Absent, Present, Unknown };
    // Whether an entry of the folder has this name, as its long or its short name, compared as
    // the file system compares names. When present, entry receives the entry's long name, folded
    // (valid while this list lives and reads nothing more), and attributes the entry's attributes.
    // Unknown for a name longer than any file name.
    Answer Find(std::wstring_view name, std::wstring_view* entry = nullptr, DWORD* attributes = nullptr);

private:
    struct Key {
        uint32_t at;
        uint32_t length;
        uint32_t entryAt;
        uint32_t entryLength;
        DWORD attributes;
    };
    uint32_t Keep(std::wstring_view folded);
    std::wstring_view Text(uint32_t at, uint32_t length) const { return {text_.data() + at, length}; }

    std::vector<WCHAR> text_;
    std::vector<Key> keys_;
    bool sorted_ = true;
};

}  // namespace tf
