// The records of one folder listing: every field of the find records the system returned, with
// the names kept at their own length, in listing order.
#pragma once
#include <windows.h>

#include <memory>
#include <string_view>
#include <vector>

namespace tf {

// One listed file or folder. The numeric fields are the system's, unchanged; the two names
// point into the text store of the list that owns the entry and are terminated there.
struct Entry {
    DWORD attributes;
    FILETIME creationTime;
    FILETIME lastAccessTime;
    FILETIME lastWriteTime;
    DWORD sizeHigh;
    DWORD sizeLow;
    DWORD reserved0;
    DWORD reserved1;
    const WCHAR* name;
    const WCHAR* alternateName;
    unsigned short nameLength;

    std::wstring_view Name() const { return {name, nameLength}; }
    unsigned long long Size() const { return (static_cast<unsigned long long>(sizeHigh) << 32) | sizeLow; }
    // Fills a find record as the system filled the one this entry was made from (with the name
    // this entry has now).
    void ToFindData(WIN32_FIND_DATAW& out) const;
};

// Owns the entries of one listing and their names. Entries and names live in fixed blocks, so
// their addresses stay put while the order is built and a find handle hands them out; the
// grouping pass drops member entries from the order and everything goes away with the list.
class EntryList {
public:
    // Keeps a find record (its names cut to the fields' capacity if unterminated) and appends
    // it to the order. Throws std::bad_alloc when memory runs out.
    Entry* Add(const WIN32_FIND_DATAW& record);
    // Gives an entry a new name, kept in this list's text store.
    void Rename(Entry& entry, std::wstring_view name);

    std::vector<Entry*> order;

private:
    const WCHAR* KeepText(std::wstring_view text);

    static constexpr size_t kBlockEntries = 1024;
    static constexpr size_t kTextBlockChars = 32768;
    std::vector<std::unique_ptr<Entry[]>> blocks_;
    size_t usedInLast_ = kBlockEntries;
    std::vector<std::unique_ptr<WCHAR[]>> textBlocks_;
    size_t textUsed_ = kTextBlockChars;
};

}  // namespace tf
