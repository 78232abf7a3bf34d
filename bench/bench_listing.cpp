// Listing: raw enumeration against the module's listing, grouping on and off, and the memory
// the listing holds at its peak.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "bench.h"
#include "host/state.h"
#include "listing/scan.h"

namespace {

// Every allocation of this program passes here; while counting, the live and peak bytes of the
// listing code (linked into this program from the plugin's library) are tracked.
bool g_counting = false;
size_t g_live = 0;
size_t g_peak = 0;

struct alignas(16) Header {
    size_t size;
};

void* Allocate(size_t size) {
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (header == nullptr) throw std::bad_alloc();
    header->size = size;
    if (g_counting) {
        g_live += size;
        if (g_live > g_peak) g_peak = g_live;
    }
    return header + 1;
}

void Release(void* p) {
    if (p == nullptr) return;
    Header* header = static_cast<Header*>(p) - 1;
    if (g_counting) g_live -= header->size;
    std::free(header);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace tfbench {

namespace {

using FindFirstW = HANDLE(WINAPI*)(WCHAR*, WIN32_FIND_DATAW*);
using FindNextW = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*);
using FindCloseFn = int(WINAPI*)(HANDLE);
using ExecuteW = int(WINAPI*)(HWND, WCHAR*, WCHAR*);

size_t RawEnumerate(const std::wstring& folder) {
    WIN32_FIND_DATAW record;
    const HANDLE search = FindFirstFileW((folder + L"\\*.*").c_str(), &record);
    if (search == INVALID_HANDLE_VALUE) return 0;
    size_t count = 0;
    do ++count;
    while (FindNextFileW(search, &record));
    FindClose(search);
    return count;
}

size_t PluginList(const Module& module, const std::wstring& folder) {
    static const auto first = module.Fn<FindFirstW>("FsFindFirstW");
    static const auto next = module.Fn<FindNextW>("FsFindNextW");
    static const auto close = module.Fn<FindCloseFn>("FsFindClose");
    std::wstring path = L"\\" + folder;
    WIN32_FIND_DATAW record;
    const HANDLE handle = first(path.data(), &record);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    size_t count = 0;
    do ++count;
    while (next(handle, &record));
    close(handle);
    return count;
}

// Positions at which the listing order of the folder differs from the order that placing the
// entries one by one gives: each front entry at the front, each numbered entry before the first
// numbered entry that does not sort before it. Any difference means the sort changed the order.
size_t OrderDifferences(const std::wstring& folder) {
    tf::EntryList list;
    WIN32_FIND_DATAW record;
    const HANDLE search = FindFirstFileW((folder + L"\\*.*").c_str(), &record);
    if (search == INVALID_HANDLE_VALUE) return 1;
    do {
        const std::wstring_view name(record.cFileName);
        if (name != L"." && name != L"..") list.Add(record);
    } while (FindNextFileW(search, &record));
    FindClose(search);

    // Front entries placed at the front one by one end in reverse discovery order.
    std::vector<tf::Entry*> model;
    std::vector<tf::Entry*> numbered;
    for (tf::Entry* e : list.order) {
        if (tf::IsFrontEntry(*e)) {
            model.push_back(e);
            continue;
        }
        const auto at = std::lower_bound(numbered.begin(), numbered.end(), e, [](const tf::Entry* x, const tf::Entry* y) {
            return tf::CompareNumbered(x->Name(), y->Name()) < 0;
        });
        numbered.insert(at, e);
    }
    std::reverse(model.begin(), model.end());
    model.insert(model.end(), numbered.begin(), numbered.end());
    tf::OrderEntries(list.order);
    size_t differences = 0;
    for (size_t i = 0; i < model.size(); ++i) differences += model[i] != list.order[i];
    return differences;
}

// Flips the module's grouping switch through its "properties" verb; false when it has none.
bool FlipGrouping(const Module& module, const std::wstring& folder) {
    const auto execute = module.Fn<ExecuteW>("FsExecuteFileW");
    if (execute == nullptr) return false;
    std::wstring path = L"\\" + folder;
    std::wstring verb = L"properties";
    execute(nullptr, path.data(), verb.data());
    return true;
}

// Median over rounds of time(large) / time(small), each large run between two small ones, so
// that a slow drift of the machine's speed falls on both sides of the ratio alike.
double MedianScaling(int rounds, const std::function<void()>& small, const std::function<void()>& large) {
    std::vector<double> ratios;
    for (int i = 0; i < rounds; ++i) {
        const double before = MedianMs(1, small);
        const double big = MedianMs(1, large);
        const double after = MedianMs(1, small);
        ratios.push_back(2.0 * big / (before + after));
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

}  // namespace

void BenchListing(const Module& module, const std::wstring& fixtures, int runs, std::vector<Row>& rows) {
    const int sizes[2] = {10000, 100000};
    std::wstring folders[2];
    for (int i = 0; i < 2; ++i) {
        const std::wstring folder = fixtures + L"\\listing-" + std::to_wstring(sizes[i]);
        folders[i] = folder;
        size_t files = 0, listed = 0, ungroupedListed = 0;
        RawEnumerate(folder);  // the first pass brings the folder into the system's caches
        const PairMs on = MedianPairMs(runs, [&] { files = RawEnumerate(folder); }, [&] { listed = PluginList(module, folder); });
        rows.push_back({Format(L"listing %d, grouping on", sizes[i]), on.second, on.first, L"ms", i == 1 ? 1.5 : 0.0,
                        Format(L"%zu entries read, %zu listed", files, listed), on.ratio});
        if (FlipGrouping(module, folder)) {
            const PairMs off = MedianPairMs(runs, [&] { RawEnumerate(folder); }, [&] { ungroupedListed = PluginList(module, folder); });
            FlipGrouping(module, folder);
            rows.push_back({Format(L"listing %d, grouping off", sizes[i]), off.second, off.first, L"ms", 0.0,
                            Format(L"%zu listed", ungroupedListed), off.ratio});
        } else {
            rows.push_back({Format(L"listing %d, grouping off", sizes[i]), 0, 0, L"ms", 0.0, L"the module has no properties verb"});
        }
    }
    for (int i = 0; i < 2; ++i) {
        rows.push_back({Format(L"listing order at %d, against one-by-one", sizes[i]), static_cast<double>(OrderDifferences(folders[i])),
                        0, L"", 0.0, L"entries out of place", 0, true});
    }
    // The scaling rounds are cheap next to the operations, so they get more of them.
    const int rounds = std::max(runs, 25);
    const double plugin = MedianScaling(rounds, [&] { PluginList(module, folders[0]); }, [&] { PluginList(module, folders[1]); });
    rows.push_back({L"listing time, 100000 against 10000", plugin, 0, L"x", 11.0,
                    Format(L"grouping on, median of %d rounds; linear would be 10", rounds)});
    const double raw = MedianScaling(rounds, [&] { RawEnumerate(folders[0]); }, [&] { RawEnumerate(folders[1]); });
    rows.push_back({L"raw enumeration, 100000 against 10000", raw, 0, L"x", 0.0, L"the system's own scaling, for reference"});

    // Peak bytes that one listing of the large folder holds, per entry read.
    const std::wstring folder = fixtures + L"\\listing-100000";
    const size_t files = RawEnumerate(folder);
    tf::g_state.grouping = 1;
    g_live = 0;
    g_peak = 0;
    g_counting = true;
    {
        std::unique_ptr<tf::EntryList> list = tf::ScanFolder(folder.c_str());
    }
    g_counting = false;
    rows.push_back({L"listing memory at 100000, peak per entry", files ? static_cast<double>(g_peak) / static_cast<double>(files) : 0, 0,
                    L"B", 650.0, Format(L"peak %zu bytes for %zu entries", g_peak, files)});
}

}  // namespace tfbench
