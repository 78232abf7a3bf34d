#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <shlwapi.h>

#include "listing/galloping_sort.h"
#include "listing/scan.h"
#include "support/support.h"

using namespace tf;
using tftest::Narrow;

namespace {

WIN32_FIND_DATAW FindData(const std::wstring& name, bool folder = false) {
    WIN32_FIND_DATAW r{};
    r.dwFileAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    name.copy(r.cFileName, MAX_PATH - 1);
    return r;
}

// An entry that lives as long as the test program.
const Entry& Record(const std::wstring& name, bool folder = false) {
    static EntryList kept;
    return *kept.Add(FindData(name, folder));
}

std::vector<std::wstring> Names(const std::vector<Entry*>& order) {
    std::vector<std::wstring> names;
    for (const Entry* e : order) names.emplace_back(e->Name());
    return names;
}

// The listing order written the direct way: each record, in discovery order, goes to the front
// (front entries) or before the first numbered entry that is not less than it.
std::vector<Entry*> InsertionModel(const std::vector<Entry*>& discovered) {
    std::vector<Entry*> order;
    int front = 0;
    for (Entry* e : discovered) {
        if (IsFrontEntry(*e)) {
            order.insert(order.begin(), e);
            ++front;
            continue;
        }
        int lo = front;
        int hi = static_cast<int>(order.size()) - 1;
        while (lo <= hi) {
            const int mid = (lo + hi) / 2;
            if (CompareNumbered(order[static_cast<size_t>(mid)]->Name(), e->Name()) < 0) lo = mid + 1;
            else hi = mid - 1;
        }
        order.insert(order.begin() + lo, e);
    }
    return order;
}

}  // namespace

TEST(ListingOrder, DiscoveryOrderExample) {
    EntryList records;
    for (const std::wstring name : {L"notes.txt", L"sub", L"img2.png", L"img10.png", L"img1.png", L"clip3", L"readme"}) {
        records.Add(FindData(name, name == L"sub"));
    }
    std::vector<Entry*> order = records.order;
    const size_t front = OrderEntries(order);
    EXPECT_EQ(front, 3u);
    EXPECT_EQ(Names(order), (std::vector<std::wstring>{L"readme", L"sub", L"notes.txt", L"clip3", L"img1.png",
                                                        L"img2.png", L"img10.png"}));
}

TEST(ListingOrder, RegionsAndExtensionGroups) {
    EXPECT_TRUE(IsFrontEntry(Record(L"shot1.tar.gz")));
    EXPECT_FALSE(IsFrontEntry(Record(L"clip3")));
    EXPECT_FALSE(IsFrontEntry(Record(L".png")));
    EXPECT_TRUE(IsFrontEntry(Record(L"12", true)));
    EXPECT_EQ(CompareNumbered(L"IMG1.JPG", L"img1.jpg") == 0, CompareNumbered(L"IMG1", L"img1") == 0);
    EXPECT_LT(CompareNumbered(L"a1.jpg", L"a1.png"), 0);
    EXPECT_LT(CompareNumbered(L"clip3", L"a1.jpg"), 0);
    EXPECT_LT(CompareNumbered(L"IMG2.JPG", L"img1.png"), 0);
}

// The sort must give exactly the order of one-by-one insertion, equal keys included.
TEST(ListingOrder, MatchesTheInsertionModelOnRandomFolders) {
    std::mt19937 rng(20261208);
    const std::wstring stems[] = {L"img", L"IMG", L"a", L"b", L"B", L"x_", L"", L"p1.b", L"scan-"};
    const std::wstring exts[] = {L".png", L".PNG", L".jpg", L"", L".tar.gz", L".txt", L"."};
    for (int round = 0; round < 300; ++round) {
        EntryList records;
        const int count = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i) {
            std::wstring name = stems[rng() % std::size(stems)];
            if (rng() % 6 != 0) {
                const unsigned value = rng() % 30;
                std::wstring digits = std::to_wstring(value);
                if (rng() % 4 == 0) digits.insert(0, rng() % 3, L'0');
                name += digits;
            }
            if (rng() % 5 == 0) name += L"z";
            name += exts[rng() % std::size(exts)];
            if (name.empty()) name = L"n";
            records.Add(FindData(name, rng() % 10 == 0));
        }
        const std::vector<Entry*> discovered = records.order;
        const std::vector<Entry*> expected = InsertionModel(discovered);
        std::vector<Entry*> actual = discovered;
        OrderEntries(actual);
        ASSERT_EQ(actual, expected) << "round " << round;
    }
}

// The shortcut for names that first differ inside a digit run must agree with the platform's
// comparison, whatever follows the run.
TEST(ListingOrder, NaturalShortcutAgreesWithThePlatform) {
    std::mt19937 rng(7);
    // Runs of different lengths part where one name's run goes on and the other's has ended; an
    // Arabic-Indic digit next to a run is one the platform may count as part of it.
    const std::wstring prefixes[] = {L"img", L"IMG_", L"a1b", L"", L"x y ", L"s12_", L"v\u0661"};
    const std::wstring suffixes[] = {L".png", L"", L"b.jpg", L"_2.tif", L"7.png", L"a", L"\u0663.png"};
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    auto digits = [&](size_t n) {
        std::wstring run;
        for (size_t d = 0; d < n; ++d) run += static_cast<wchar_t>(L'0' + rng() % 10);
        return run;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::wstring prefix = prefixes[rng() % std::size(prefixes)];
        const std::wstring runA = digits(1 + rng() % 12);
        std::wstring runB = rng() % 2 ? digits(1 + rng() % 12) : runA;
        if (runB == runA) runB[rng() % runB.size()] = static_cast<wchar_t>(L'0' + rng() % 10);
        const std::wstring a = prefix + runA + suffixes[rng() % std::size(suffixes)];
        const std::wstring b = prefix + runB + suffixes[rng() % std::size(suffixes)];
        ASSERT_EQ(sign(CompareNatural(a, b)), sign(StrCmpLogicalW(a.c_str(), b.c_str()))) << Narrow(a) << " " << Narrow(b);
    }
}

// The same equality on a folder shaped like the benchmark's: plain names, long series with and
// without padding, gaps, singletons and several extensions, in a shuffled discovery order.
TEST(ListingOrder, MatchesTheInsertionModelOnABenchmarkLikeFolder) {
    std::mt19937 rng(10000);
    const std::wstring words[] = {L"shot", L"scan", L"frame", L"img", L"clip", L"take"};
    const std::wstring exts[] = {L".png", L".jpg", L".tif", L".PNG", L".cr2"};
    EntryList records;
    for (int i = 0; i < 4000; ++i) records.Add(FindData(words[rng() % 6] + L"-" + std::to_wstring(i) + L"-notes.txt"));
    for (int series = 0; records.order.size() < 10000; ++series) {
        const std::wstring prefix = words[rng() % 6] + std::to_wstring(series) + L"_";
        const std::wstring ext = exts[rng() % 5];
        const int width = static_cast<int>(rng() % 6);
        const int length = static_cast<int>(1 + rng() % 200);
        int counter = static_cast<int>(rng() % 50);
        for (int k = 0; k < length; ++k, ++counter) {
            if (rng() % 30 == 0) counter += 2;
            std::wstring digits = std::to_wstring(counter);
            if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), L'0');
            records.Add(FindData(prefix + digits + ext));
        }
    }
    std::vector<Entry*> discovered = records.order;
    std::shuffle(discovered.begin(), discovered.end(), rng);
    std::vector<Entry*> actual = discovered;
    OrderEntries(actual);
    ASSERT_EQ(actual, InsertionModel(discovered));
}

// The galloping merge sort gives exactly std::stable_sort's order, equal keys included, on the
// shapes it meets: random keys with many ties, ascending and descending runs, long blocks of
// one key, and interleaved blocks, at sizes around its chunk and merge boundaries.
TEST(GallopingSort, GivesTheStableSortsOrder) {
    std::mt19937 rng(42);
    using Item = std::pair<int, int>;  // key, position before the sort
    const auto byKey = [](const Item& x, const Item& y) { return x.first < y.first; };
    for (const size_t n : {0u, 1u, 2u, 15u, 16u, 17u, 33u, 100u, 257u, 1000u, 4099u}) {
        for (int shape = 0; shape < 6; ++shape) {
            std::vector<Item> items(n);
            for (size_t i = 0; i < n; ++i) {
                const int k = static_cast<int>(i);
                const int keys[] = {static_cast<int>(rng() % 7), static_cast<int>(rng() % 100000), k / 3, -k / 3,
                                    k / 50 * 1000 + static_cast<int>(rng() % 50), (k % 2) * 100000 + k / 40};
                items[i] = {keys[shape], k};
            }
            std::vector<Item> expected = items;
            std::stable_sort(expected.begin(), expected.end(), byKey);
            tf::GallopingSort(items.data(), items.size(), byKey);
            ASSERT_EQ(items, expected) << "n " << n << ", shape " << shape;
        }
    }
}
