// Generated folders of numbered files, and the check that a listing accounts for each file of
// a folder exactly once, by its own name or as a member of one series entry.
#pragma once
#include <windows.h>

#include <random>
#include <string>
#include <vector>

namespace tftest {

struct FolderItem {
    std::wstring name;
    unsigned long long size = 0;
    bool folder = false;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    FILETIME lastWrite{};
};

struct FolderShape {
    unsigned long long maxSize = 1ull << 40;  // sizes up to this, so sums need 64 bits
    size_t maxNameChars = 255;                // the longest name a file system here takes
};

// One folder's worth of names: series with padding variants, gaps, digit growth, case
// variants, several extensions, counters mid-name, huge and negative-looking counters, names
// whose range would be too long, plain files and folders. Names are unique ignoring A-Z case.
std::vector<FolderItem> GenerateFolder(std::mt19937& rng, const FolderShape& shape);

// Empty when the listing accounts for every item exactly once: a listed name that is not a
// range is an item of that name; a range entry has at least two members, each (built with
// BuildMemberName over ParseRangeName, compared ignoring A-Z case) an item that is a file and
// is claimed by no other entry; its size is their 64-bit sum. With checkFields, a series entry
// also carries its first member's attributes and write time. expanded, when given, receives
// the listing with each series entry replaced by its members' names in counter order.
std::string CheckListing(const std::vector<FolderItem>& items, const std::vector<WIN32_FIND_DATAW>& listing,
                         bool checkFields, std::vector<std::wstring>* expanded = nullptr);

}  // namespace tftest
