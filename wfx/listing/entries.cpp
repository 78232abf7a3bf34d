#include "listing/entries.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace tf {

namespace {

// Length of a name field the system filled: up to its terminator, or the field less one.
size_t FieldLength(const WCHAR* field, size_t capacity) { return wcsnlen(field, capacity - 1); }

void CopyName(const WCHAR* source, size_t length, WCHAR* field, size_t capacity) {
    const size_t n = std::min(length, capacity - 1);
    std::copy_n(source, n, field);
    std::fill(field + n, field + capacity, L'\0');
}

}  // namespace

void Entry::ToFindData(WIN32_FIND_DATAW& out) const {
    out.dwFileAttributes = attributes;
    out.ftCreationTime = creationTime;
    out.ftLastAccessTime = lastAccessTime;
    out.ftLastWriteTime = lastWriteTime;
    out.nFileSizeHigh = sizeHigh;
    out.nFileSizeLow = sizeLow;
    out.dwReserved0 = reserved0;
    out.dwReserved1 = reserved1;
    CopyName(name, nameLength, out.cFileName, std::size(out.cFileName));
    CopyName(alternateName, wcslen(alternateName), out.cAlternateFileName, std::size(out.cAlternateFileName));
}

const WCHAR* EntryList::KeepText(std::wstring_view text) {
    if (text.empty()) return L"";
    const size_t need = text.size() + 1;
    if (kTextBlockChars - textUsed_ < need) {
        textBlocks_.push_back(std::make_unique_for_overwrite<WCHAR[]>(kTextBlockChars));
        textUsed_ = 0;
    }
    WCHAR* kept = &textBlocks_.back()[textUsed_];
    std::copy(text.begin(), text.end(), kept);
    kept[text.size()] = 0;
    textUsed_ += need;
    return kept;
}

Entry* EntryList::Add(const WIN32_FIND_DATAW& record) {
    const std::wstring_view name(record.cFileName, FieldLength(record.cFileName, std::size(record.cFileName)));
    const std::wstring_view alternate(record.cAlternateFileName,
                                      FieldLength(record.cAlternateFileName, std::size(record.cAlternateFileName)));
    if (usedInLast_ == kBlockEntries) {
        blocks_.push_back(std::make_unique_for_overwrite<Entry[]>(kBlockEntries));
        usedInLast_ = 0;
    }
    Entry& entry = blocks_.back()[usedInLast_];
    entry.attributes = record.dwFileAttributes;
    entry.creationTime = record.ftCreationTime;
    entry.lastAccessTime = record.ftLastAccessTime;
    entry.lastWriteTime = record.ftLastWriteTime;
    entry.sizeHigh = record.nFileSizeHigh;
    entry.sizeLow = record.nFileSizeLow;
    entry.reserved0 = record.dwReserved0;
    entry.reserved1 = record.dwReserved1;
    entry.name = KeepText(name);
    entry.nameLength = static_cast<unsigned short>(name.size());
    entry.alternateName = KeepText(alternate);
    ++usedInLast_;
    order.push_back(&entry);
    return &entry;
}

void EntryList::Rename(Entry& entry, std::wstring_view name) {
    entry.name = KeepText(name);
    entry.nameLength = static_cast<unsigned short>(name.size());
}

}  // namespace tf
