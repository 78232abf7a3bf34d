// Randomized runs over the name logic: range parsing and member-name building on random text
// (read from the end of readable memory, written into fenced buffers), and the ordering and
// grouping pass on random records, names at the size limit included. Fixed seeds; each run is
// bounded in time (TF_FUZZ_SECONDS for longer runs by hand).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "commands/command_template.h"
#include "host/state.h"
#include "listing/group_series.h"
#include "listing/range_name.h"
#include "listing/scan.h"
#include "support/guarded.h"

using namespace tftest;

namespace {

class Deadline {
public:
    explicit Deadline(double seconds)
        : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000))) {}
    bool Passed() const { return std::chrono::steady_clock::now() >= end_; }

private:
    std::chrono::steady_clock::time_point end_;
};

// Characters that matter to ranges, more often than the rest.
WCHAR RandomChar(std::mt19937& rng) {
    static const WCHAR kInteresting[] = L"<<>>--0123456789..\\ax";
    switch (rng() % 8) {
    case 0: return static_cast<WCHAR>(1 + rng() % 0xFFFF);  // anything, surrogates included
    case 1: return static_cast<WCHAR>(L'a' + rng() % 26);
    default: return kInteresting[rng() % (sizeof kInteresting / sizeof(WCHAR) - 1)];
    }
}

std::wstring RandomText(std::mt19937& rng) {
    static const size_t kLengths[] = {0, 1, 2, 3, 5, 8, 13, 40, 126, 127, 128, 200, 259, 260, 1023, 1024, 1040, 2000};
    size_t length = kLengths[rng() % (sizeof kLengths / sizeof kLengths[0])];
    if (rng() % 2) length = rng() % 300;
    std::wstring text;
    for (size_t i = 0; i < length; ++i) text.push_back(RandomChar(rng));
    // Often a well-formed range somewhere in it.
    if (rng() % 3 == 0 && !text.empty()) {
        std::wstring range = L"<" + std::wstring(rng() % 12, L'0') + std::to_wstring(rng() % 100000);
        if (rng() % 2) range += L"-" + std::to_wstring(rng());
        range += L">";
        text.insert(rng() % text.size(), range);
    }
    return text;
}

int RandomInt(std::mt19937& rng) {
    static const int kEdges[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 9, 10, 99, 100, 999999999, 1000000000, INT_MAX - 1, INT_MAX};
    if (rng() % 3 == 0) return kEdges[rng() % (sizeof kEdges / sizeof kEdges[0])];
    return static_cast<int>(rng());
}

// The '<' ParseRangeName and BuildMemberName work on: the last one in the text.
size_t LastOpen(const std::wstring& text) { return text.rfind(L'<'); }

}  // namespace

TEST(FuzzRangeName, ParseAndBuildStayInBoundsAndAgree) {
    std::mt19937 rng(0x7A11F01Du);
    const Deadline deadline(FuzzSeconds(2.0));
    long long inputs = 0, parsed = 0, built = 0;
    while (!deadline.Passed()) {
        const std::wstring text = RandomText(rng);
        FencedWide fenced(text);
        ASSERT_NE(fenced.get(), nullptr);
        ++inputs;

        int first = -77, last = -77, width = -77;
        const bool ok = tf::ParseRangeName(fenced.get(), &first, &last, &width);
        const size_t open = LastOpen(text);
        if (!ok) {
            EXPECT_EQ(first, -77);
            EXPECT_EQ(width, -77);
        } else {
            ++parsed;
            ASSERT_NE(open, std::wstring::npos) << "a range without '<'";
            const size_t close = text.find(L'>', open);
            ASSERT_NE(close, std::wstring::npos) << "a range without '>'";
            EXPECT_LE(close - open - 1, static_cast<size_t>(tf::kRangeTextChars));
            EXPECT_GE(first, 0);
            EXPECT_GE(last, -1);
            EXPECT_GE(width, 0);
            EXPECT_LE(width, tf::kRangeTextChars);
        }

        // Build with a random counter, width and capacity into a fenced buffer.
        const int value = RandomInt(rng);
        const int buildWidth = rng() % 4 == 0 ? RandomInt(rng) : static_cast<int>(rng() % 20);
        const int capacity = rng() % 3 == 0 ? RandomInt(rng) % (tf::kMemberNameBuffer + 10)
                                            : static_cast<int>(rng() % (text.size() + 40));
        const size_t chars = capacity > 0 ? static_cast<size_t>(capacity) : 0;
        Guarded dest(chars * sizeof(WCHAR));
        const bool made = tf::BuildMemberName(dest.wide(), capacity, fenced.get(), value, buildWidth);
        ASSERT_TRUE(dest.Intact()) << "capacity " << capacity << ": " << dest.Describe();
        if (!made) {
            EXPECT_TRUE(dest.Untouched()) << "wrote a member name it refused";
            continue;
        }
        ++built;
        ASSERT_NE(open, std::wstring::npos);
        const std::wstring member = dest.WideText();
        ASSERT_LT(member.size(), chars) << "unterminated";
        // The text before the '<' leads, the counter (padded) follows, the suffix ends it.
        EXPECT_EQ(member.compare(0, open, text, 0, open), 0);
        std::wstring digits = std::to_wstring(value);
        if (buildWidth > static_cast<int>(digits.size())) digits.insert(0, static_cast<size_t>(buildWidth) - digits.size(), L'0');
        EXPECT_EQ(member.compare(open, digits.size(), digits), 0);
        // A build that fits fits every larger buffer the same way.
        if (capacity < tf::kMemberNameBuffer) {
            std::vector<WCHAR> roomy(tf::kMemberNameBuffer + 8);
            ASSERT_TRUE(tf::BuildMemberName(roomy.data(), static_cast<int>(roomy.size()), fenced.get(), value, buildWidth));
            EXPECT_EQ(std::wstring(roomy.data()), member);
        }
        if (ok && value >= 0 && buildWidth == width) {
            // Rebuilding the first member and parsing a range made from it gives the same counters.
            std::vector<WCHAR> range(tf::kMemberNameBuffer);
            const int counterPos = static_cast<int>(open);
            const std::wstring firstName = member;
            if (counterPos + static_cast<int>(digits.size()) == static_cast<int>(firstName.size()) ||
                firstName[counterPos + digits.size()] == L'.') {
                const int lastValue = value + static_cast<int>(rng() % 1000);
                if (lastValue > value &&
                    tf::MakeRangeName(range.data(), static_cast<int>(range.size()), firstName.c_str(), counterPos, lastValue)) {
                    tf::RangeSpec back;
                    ASSERT_TRUE(tf::ParseRangeName(range.data(), back)) << "a range the grouping wrote does not read back";
                    EXPECT_EQ(back.first, value);
                    EXPECT_EQ(back.last, lastValue);
                    EXPECT_EQ(back.width, static_cast<int>(digits.size()));
                }
            }
        }
    }
    std::printf("range names: %lld inputs, %lld parsed, %lld member names built\n", inputs, parsed, built);
    EXPECT_GT(parsed, 0);
    EXPECT_GT(built, 0);
}

TEST(FuzzGrouping, RandomRecordsAtTheSizeLimitGroupWithinBounds) {
    // Records whose names fill cFileName to its last character, hold '<' and '>' themselves, or
    // carry counters past 32 bits: the ordering and grouping pass must keep every record's name
    // terminated within its field and never produce a name that does not read back.
    std::mt19937 rng(0x5EED0002u);
    const Deadline deadline(FuzzSeconds(2.0));
    const int savedGrouping = tf::g_state.grouping;
    tf::g_state.grouping = 1;
    long long folders = 0, records = 0, entries = 0;
    while (!deadline.Passed()) {
        const size_t count = 1 + rng() % 60;
        std::vector<WIN32_FIND_DATAW> items(count);
        // Part of each folder is one run of consecutive counters, so there are series to fold.
        const unsigned runStart = rng() % 3 == 0 ? 2147483600u : rng() % 1000;
        const std::wstring runPrefix(rng() % 2 ? 1 + rng() % 240 : 3, L'r');
        unsigned runNext = runStart;
        for (WIN32_FIND_DATAW& r : items) {
            r = WIN32_FIND_DATAW{};
            std::wstring name;
            const int shape = static_cast<int>(rng() % 6);
            const std::wstring prefix = shape == 0 ? std::wstring(rng() % 250, L'p') : std::wstring(1, RandomChar(rng)) + L"x";
            const unsigned counter = shape == 1 ? static_cast<unsigned>(rng()) : static_cast<unsigned>(rng() % 8);
            name = prefix + std::wstring(rng() % 3, L'0') + std::to_wstring(counter);
            if (shape == 2) name += L".<x>";
            if (rng() % 2) name += L".png";
            if (shape == 3) name = RandomText(rng);
            if (shape >= 4) name = runPrefix + std::to_wstring(runNext++) + L".tif";
            if (name.empty() || name == L"." || name == L"..") name = L"n";
            name = name.substr(0, MAX_PATH - 1);
            std::copy(name.begin(), name.end(), r.cFileName);
            r.cFileName[name.size()] = 0;
            r.dwFileAttributes = rng() % 7 == 0 ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
            r.nFileSizeLow = rng();
            r.nFileSizeHigh = rng() % 4;
        }
        std::vector<std::wstring> original;
        std::set<std::wstring> originalNames;
        unsigned long long totalSize = 0;
        for (const WIN32_FIND_DATAW& r : items) {
            original.emplace_back(r.cFileName);
            originalNames.insert(r.cFileName);
            totalSize += (static_cast<unsigned long long>(r.nFileSizeHigh) << 32) | r.nFileSizeLow;
        }
        tf::EntryList list;
        std::map<const tf::Entry*, size_t> itemOf;
        for (size_t i = 0; i < items.size(); ++i) itemOf[list.Add(items[i])] = i;
        std::vector<tf::Entry*>& order = list.order;
        std::shuffle(order.begin(), order.end(), rng);
        const size_t front = tf::OrderEntries(order);
        ASSERT_LE(front, order.size());
        const size_t before = order.size();
        const size_t after = tf::GroupSeries(list, front);
        ASSERT_EQ(after, order.size());
        ASSERT_LE(after, before);
        ++folders;
        records += static_cast<long long>(count);
        entries += static_cast<long long>(after);
        std::set<const tf::Entry*> seen;
        unsigned long long listedSize = 0;
        for (const tf::Entry* e : order) {
            ASSERT_TRUE(itemOf.count(e)) << "an entry from nowhere";
            ASSERT_TRUE(seen.insert(e).second) << "an entry listed twice";
            ASSERT_EQ(e->name[e->nameLength], L'\0') << "a name without terminator";
            ASSERT_LT(e->nameLength, MAX_PATH) << "a name longer than a find record holds";
            listedSize += e->Size();
            const std::wstring& was = original[itemOf[e]];
            if (was == e->Name()) continue;
            // A series entry: its range reads back, its first member is the record it replaced,
            // its last member was among the records, and it stands for at least two of them.
            tf::RangeSpec range;
            ASSERT_TRUE(tf::ParseRangeName(e->name, range)) << "unreadable series entry";
            EXPECT_GT(range.last, range.first);
            WCHAR member[tf::kMemberNameBuffer];
            ASSERT_TRUE(tf::BuildMemberName(member, tf::kMemberNameBuffer, e->name, range.first, range.width));
            EXPECT_EQ(std::wstring(member), was);
            ASSERT_TRUE(tf::BuildMemberName(member, tf::kMemberNameBuffer, e->name, range.last, range.width));
            EXPECT_TRUE(originalNames.count(member)) << "last member is no record";
        }
        EXPECT_EQ(listedSize, totalSize) << "the listing lost or invented bytes";
    }
    tf::g_state.grouping = savedGrouping;
    std::printf("grouping: %lld random folders, %lld records, %lld entries listed\n", folders, records, entries);
}

TEST(FuzzTemplate, ExpansionAndSplitStayInTheirBuffers) {
    // Random templates full of placeholders (known, unknown, a lone '%' at the end) over random
    // target paths: the expansion never writes past its buffer and always ends its text, and
    // the split of the result stays inside it.
    std::mt19937 rng(0x7E3A1A7Eu);
    const Deadline deadline(FuzzSeconds(2.0));
    static const WCHAR kPieces[][8] = {L"%F", L"%L", L"%P", L"%B", L"%X", L"%S", L"%E", L"%C", L"%D", L"%%",
                                       L"%",  L"%q", L"\"",  L" ",  L"x",  L"\\", L"<",  L"%%F"};
    long long expansions = 0, cut = 0;
    while (!deadline.Passed()) {
        std::wstring commandTemplate;
        const size_t pieces = rng() % 4 == 0 ? rng() % 600 : rng() % 20;
        for (size_t i = 0; i < pieces && commandTemplate.size() < static_cast<size_t>(tf::kTemplateChars); ++i) {
            commandTemplate += rng() % 5 == 0 ? std::wstring(1, RandomChar(rng)) : kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
        }
        commandTemplate = commandTemplate.substr(0, tf::kTemplateChars);
        std::wstring target = RandomText(rng).substr(0, 1023);
        FencedWide fencedTemplate(commandTemplate);
        FencedWide fencedTarget(target);
        Guarded out(tf::kExpandedBuffer * sizeof(WCHAR));
        Guarded literal(tf::kExpandedBuffer);
        const bool whole = tf::ExpandCommandTemplate(fencedTemplate.get(), fencedTarget.get(), out.wide(),
                                                     static_cast<unsigned char*>(literal.data()));
        ++expansions;
        cut += whole ? 0 : 1;
        ASSERT_TRUE(out.Intact()) << out.Describe();
        ASSERT_TRUE(literal.Intact()) << literal.Describe();
        const std::wstring text = out.WideText();
        ASSERT_LT(text.size(), static_cast<size_t>(tf::kExpandedBuffer)) << "unterminated expansion";
        Guarded split = Guarded::Wide(text, text.size() + 1);
        const tf::CommandLineParts parts =
            tf::SplitCommandLine(split.wide(), static_cast<const unsigned char*>(literal.data()));
        ASSERT_TRUE(split.Intact()) << split.Describe();
        const WCHAR* begin = split.wide();
        const WCHAR* end = begin + text.size() + 1;
        if (parts.program != nullptr) {
            ASSERT_TRUE(parts.program >= begin && parts.program < end);
        }
        if (parts.parameters != nullptr) {
            ASSERT_TRUE(parts.parameters >= begin && parts.parameters < end);
        }
    }
    std::printf("templates: %lld expansions, %lld cut\n", expansions, cut);
    EXPECT_GT(expansions, 0);
}
