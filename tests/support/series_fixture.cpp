#include "support/series_fixture.h"

#include <map>
#include <set>

#include "listing/range_name.h"
#include "support/support.h"

namespace tftest {

namespace {

std::wstring Fold(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

std::wstring FlipCase(std::wstring text, std::mt19937& rng) {
    for (wchar_t& c : text) {
        if (rng() % 2 == 0) continue;
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        else if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

template <typename T, size_t N>
const T& Pick(const T (&choices)[N], std::mt19937& rng) {
    return choices[rng() % N];
}

// A counter written with at least width digits; values past 64 bits come as long zero runs.
std::wstring CounterText(unsigned long long value, size_t width) {
    std::wstring digits = std::to_wstring(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    return digits;
}

unsigned long long StartValue(std::mt19937& rng) {
    switch (rng() % 10) {
        case 0: return 8 + rng() % 2;                 // digit growth 8, 9, 10
        case 1: return 97 + rng() % 3;                // 99, 100
        case 2: return 2147483645ull + rng() % 3;     // the largest int and past it
        case 3: return 4294967294ull + rng() % 3;     // wraps to -2, -1, 0 in 32 bits
        case 4: return 99999999998ull;                // saturates in the parser
        default: return rng() % 12;
    }
}

}  // namespace

std::vector<FolderItem> GenerateFolder(std::mt19937& rng, const FolderShape& shape) {
    static const wchar_t* const kPrefixes[] = {L"", L"img", L"IMG", L"a.", L"x_", L"p", L"scan ", L"a1b", L"Photo-"};
    static const wchar_t* const kTails[] = {L"", L"", L"", L".b2", L"x"};
    static const wchar_t* const kExtensions[] = {L".png", L".PNG", L".jpg", L"", L".tif", L".tar.gz"};
    std::vector<FolderItem> items;
    std::set<std::wstring> taken;
    auto add = [&](std::wstring name, bool folder) {
        if (name.empty() || name.size() > shape.maxNameChars || !taken.insert(Fold(name)).second) return;
        FolderItem item;
        item.name = std::move(name);
        item.folder = folder;
        item.size = folder ? 0 : (rng() % 4 == 0 ? (1ull << 32) + rng() % 7 : (static_cast<unsigned long long>(rng()) << 8)) % (shape.maxSize + 1);
        item.attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : (FILE_ATTRIBUTE_ARCHIVE | (rng() % 5 == 0 ? FILE_ATTRIBUTE_READONLY : 0));
        item.lastWrite.dwLowDateTime = rng();
        item.lastWrite.dwHighDateTime = 0x01D00000u + rng() % 0x10000u;
        items.push_back(std::move(item));
    };

    const int families = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < families; ++f) {
        std::wstring prefix = Pick(kPrefixes, rng);
        if (rng() % 25 == 0) prefix = std::wstring(236 + rng() % 12, L'y');  // range name too long
        const std::wstring tail = Pick(kTails, rng);
        const std::wstring extension = Pick(kExtensions, rng);
        size_t width = rng() % 5;
        if (rng() % 30 == 0) width = 120 + rng() % 12;  // a run longer than the parser reads
        unsigned long long value = StartValue(rng);
        const int length = 1 + static_cast<int>(rng() % 7);
        for (int i = 0; i < length; ++i, ++value) {
            if (rng() % 6 == 0) ++value;  // a gap
            std::wstring p = prefix, e = extension;
            size_t w = width;
            if (rng() % 8 == 0) p = FlipCase(p, rng);
            if (rng() % 6 == 0) e = FlipCase(e, rng);
            if (rng() % 8 == 0) w = rng() % 5;  // a padding variant
            add(p + CounterText(value, w) + tail + e, false);
        }
        if (rng() % 10 == 0) add(prefix + tail + extension, false);  // the empty counter
    }
    if (rng() % 2 == 0) add(L"notes.txt", false);
    if (rng() % 3 == 0) add(L"readme", false);
    if (rng() % 4 == 0) add(L"shot1.tar.gz", false);
    if (rng() % 3 == 0) add(L"sub", true);
    // A folder named like a member never joins a series: folders list on their own.
    if (rng() % 5 == 0 && !items.empty()) {
        const std::wstring& last = items[rng() % items.size()].name;
        if (!last.empty() && last.back() != L'.') add(L"d" + last, true);
    }
    return items;
}

std::string CheckListing(const std::vector<FolderItem>& items, const std::vector<WIN32_FIND_DATAW>& listing,
                         bool checkFields, std::vector<std::wstring>* expanded) {
    std::map<std::wstring, size_t> byFolded;
    for (size_t i = 0; i < items.size(); ++i) byFolded[Fold(items[i].name)] = i;
    std::vector<bool> claimed(items.size(), false);
    auto claim = [&](size_t index, const std::wstring& listedAs) -> std::string {
        if (claimed[index]) return Narrow(items[index].name) + " is accounted for twice (again by " + Narrow(listedAs) + ")";
        claimed[index] = true;
        if (expanded != nullptr) expanded->push_back(items[index].name);
        return {};
    };

    for (const WIN32_FIND_DATAW& entry : listing) {
        const std::wstring name = entry.cFileName;
        const unsigned long long size = (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        tf::RangeSpec range;
        if (!tf::ParseRangeName(name.c_str(), range)) {
            const auto found = byFolded.find(Fold(name));
            if (found == byFolded.end() || items[found->second].name != name) return "listed " + Narrow(name) + " is no item";
            const FolderItem& item = items[found->second];
            if (item.folder != ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) return Narrow(name) + ": wrong kind";
            if (!item.folder && size != item.size) return Narrow(name) + ": wrong size";
            if (std::string problem = claim(found->second, name); !problem.empty()) return problem;
            continue;
        }
        if (range.last == -1 || static_cast<long long>(range.last) < static_cast<long long>(range.first) + 1) {
            return "series " + Narrow(name) + " has fewer than two members";
        }
        unsigned long long sum = 0;
        for (long long v = range.first; v <= range.last; ++v) {
            WCHAR member[tf::kMemberNameBuffer];
            if (!tf::BuildMemberName(member, tf::kMemberNameBuffer, name.c_str(), static_cast<int>(v), range.width)) {
                return "series " + Narrow(name) + " builds no member name for " + std::to_string(v);
            }
            const auto found = byFolded.find(Fold(member));
            if (found == byFolded.end()) return "series " + Narrow(name) + " names missing member " + Narrow(member);
            const FolderItem& item = items[found->second];
            if (item.folder) return "series " + Narrow(name) + " takes in folder " + Narrow(item.name);
            if (v == range.first && checkFields &&
                (entry.dwFileAttributes != item.attributes || entry.ftLastWriteTime.dwLowDateTime != item.lastWrite.dwLowDateTime ||
                 entry.ftLastWriteTime.dwHighDateTime != item.lastWrite.dwHighDateTime)) {
                return "series " + Narrow(name) + " does not carry its first member's fields";
            }
            sum += item.size;
            if (std::string problem = claim(found->second, name); !problem.empty()) return problem;
        }
        if (sum != size) return "series " + Narrow(name) + " has size " + std::to_string(size) + ", members sum to " + std::to_string(sum);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        if (!claimed[i]) return Narrow(items[i].name) + " is not accounted for";
    }
    return {};
}

}  // namespace tftest
