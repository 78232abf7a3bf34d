#include <gtest/gtest.h>

#include <string>

#include "listing/range_name.h"

using tf::BuildMemberName;
using tf::kMemberNameBuffer;
using tf::ParseRangeName;
using tf::RangeSpec;

namespace {

struct ParseCase {
    const wchar_t* text;
    bool valid;
    int first, last, width;
};

std::wstring Build(const std::wstring& range, int value, int width) {
    WCHAR dest[kMemberNameBuffer];
    if (!BuildMemberName(dest, kMemberNameBuffer, range.c_str(), value, width)) return L"(refused)";
    return dest;
}

}  // namespace

TEST(ParseRangeName, ReadsFirstLastAndWidth) {
    const ParseCase cases[] = {
        {L"img<0001-100>.png", true, 1, 100, 4},
        {L"\\C:\\p\\img<0005>.png", true, 5, -1, 4},
        {L"img<5->.png", true, 5, -1, 1},
        {L"<-2>.png", true, 0, 2, 0},
        {L"a<1-2>b<3-4>.png", true, 3, 4, 1},  // the last '<' counts
        {L"x<1-2>", true, 1, 2, 1},
        {L"img<1-x>.png", false, 0, 0, 0},
        {L"img<a-3>.png", false, 0, 0, 0},
        {L"img<-1-5>.png", false, 0, 0, 0},
        {L"img< 1-5>.png", false, 0, 0, 0},
        {L"img<+1-5>.png", false, 0, 0, 0},
        {L"img<0001-100.png", false, 0, 0, 0},
        {L"img0001.png", false, 0, 0, 0},
        {L"", false, 0, 0, 0},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "text " << testing::PrintToString(std::wstring(c.text)));
        int first = 77, last = 77, width = 77;
        ASSERT_EQ(ParseRangeName(c.text, &first, &last, &width), c.valid);
        if (c.valid) {
            EXPECT_EQ(first, c.first);
            EXPECT_EQ(last, c.last);
            EXPECT_EQ(width, c.width);
        } else {
            EXPECT_EQ(first, 77) << "a refused range leaves first untouched";
            EXPECT_EQ(width, 77) << "a refused range leaves width untouched";
        }
    }
}

TEST(ParseRangeName, SaturatesValuesAboveTheLargestInt) {
    RangeSpec range;
    ASSERT_TRUE(ParseRangeName(L"a<2147483647-99999999999999999999>.png", range));
    EXPECT_EQ(range.first, 2147483647);
    EXPECT_EQ(range.last, 2147483647);
    ASSERT_TRUE(ParseRangeName(L"a<00000000000000000000000000012-2147483648>.png", range));
    EXPECT_EQ(range.first, 12) << "leading zeros do not overflow";
    EXPECT_EQ(range.width, 29);
    EXPECT_EQ(range.last, 2147483647);
}

TEST(ParseRangeName, LooksForTheCloseWithin126CharactersOfTheOpen) {
    // 123 digits, '-', '5', '>' puts the '>' at the 126th character after the '<'.
    const std::wstring fits = L"a<" + std::wstring(123, L'0') + L"-5>.png";
    RangeSpec range;
    ASSERT_TRUE(ParseRangeName(fits.c_str(), range));
    EXPECT_EQ(range.width, 123);
    EXPECT_EQ(range.last, 5);
    const std::wstring beyond = L"a<" + std::wstring(124, L'0') + L"-5>.png";
    EXPECT_FALSE(ParseRangeName(beyond.c_str(), range));
    // A '>' past the window is ignored; the one inside it ends the range.
    const std::wstring two = L"a<1-2>" + std::wstring(200, L'b') + L">.png";
    ASSERT_TRUE(ParseRangeName(two.c_str(), range));
    EXPECT_EQ(range.first, 1);
    EXPECT_EQ(range.last, 2);
}

TEST(ParseRangeName, RefusesNullArguments) {
    int first = 0, last = 0, width = 0;
    EXPECT_FALSE(ParseRangeName(nullptr, &first, &last, &width));
    EXPECT_FALSE(ParseRangeName(L"a<1-2>", nullptr, &last, &width));
    EXPECT_FALSE(ParseRangeName(L"a<1-2>", &first, nullptr, &width));
    EXPECT_FALSE(ParseRangeName(L"a<1-2>", &first, &last, nullptr));
}

TEST(BuildMemberName, PadsTheCounterToTheWidth) {
    EXPECT_EQ(Build(L"\\C:\\p\\img<0001-100>.png", 7, 4), L"\\C:\\p\\img0007.png");
    EXPECT_EQ(Build(L"\\C:\\p\\img<0001-100>.png", 12345, 4), L"\\C:\\p\\img12345.png");
    EXPECT_EQ(Build(L"img<01-2>.png", 2, 2), L"img02.png");
    EXPECT_EQ(Build(L"x<1-2>", 2, 1), L"x2");
    EXPECT_EQ(Build(L"<1-3>.png", 3, 0), L"3.png");
    EXPECT_EQ(Build(L"a<1-2>b<3-4>.png", 4, 1), L"a<1-2>b4.png");
    EXPECT_EQ(Build(L"img<0001>.png", 2147483647, 4), L"img2147483647.png");
}

TEST(BuildMemberName, RefusesNamesWithoutARange) {
    WCHAR dest[kMemberNameBuffer] = L"untouched";
    EXPECT_FALSE(BuildMemberName(dest, kMemberNameBuffer, L"img0001.png", 1, 4));
    EXPECT_FALSE(BuildMemberName(dest, kMemberNameBuffer, L"img<0001-3.png", 1, 4));
    EXPECT_FALSE(BuildMemberName(dest, kMemberNameBuffer, L"img>1-3<.png", 1, 4));
    EXPECT_FALSE(BuildMemberName(dest, 0, L"img<1-3>.png", 1, 1));
    EXPECT_FALSE(BuildMemberName(nullptr, kMemberNameBuffer, L"img<1-3>.png", 1, 1));
    EXPECT_FALSE(BuildMemberName(dest, kMemberNameBuffer, nullptr, 1, 1));
    EXPECT_STREQ(dest, L"untouched");
}

TEST(BuildMemberName, RefusesAMemberNameThatWouldBeCut) {
    // Regression: a member name cut at the buffer's end named another file.
    WCHAR small[12];
    std::fill(std::begin(small), std::end(small), L'#');
    EXPECT_TRUE(BuildMemberName(small, 12, L"img<1-3>.png", 3, 4));  // "img0003.png": 11 + terminator
    EXPECT_STREQ(small, L"img0003.png");
    std::fill(std::begin(small), std::end(small), L'#');
    EXPECT_FALSE(BuildMemberName(small, 11, L"img<1-3>.png", 3, 4));
    EXPECT_EQ(small[0], L'#');

    // The longest plugin path the host passes, with its counter grown to the widest value.
    const std::wstring longest = L"\\" + std::wstring(1014, L'p') + L"<1-2>.png";
    ASSERT_EQ(longest.size(), 1024u);
    EXPECT_EQ(Build(longest, 2147483647, 1), longest.substr(0, 1015) + L"2147483647.png");
    EXPECT_EQ(Build(longest, -2147483647 - 1, 1), longest.substr(0, 1015) + L"-2147483648.png");
    // A width the buffer cannot hold is refused, not cut.
    EXPECT_EQ(Build(L"a<1-2>.png", 1, 5000), L"(refused)");
}

TEST(BuildMemberName, UsesTheSameCloseAsTheParser) {
    // Regression: the builder took the last '>' of the whole text, so a member name dropped
    // everything between the range and a far '>' and named another file.
    const std::wstring text = L"a<1-2>" + std::wstring(200, L'b') + L">c.png";
    EXPECT_EQ(Build(text, 2, 1), L"a2" + std::wstring(200, L'b') + L">c.png");
    const std::wstring noClose = L"a<1-2" + std::wstring(200, L'b') + L">c.png";
    EXPECT_EQ(Build(noClose, 2, 1), L"(refused)");
}

TEST(RangeName, MembersRoundTripThroughParseAndBuild) {
    const std::wstring text = L"\\Z:\\pics\\img<0098-101>.png";
    RangeSpec range;
    ASSERT_TRUE(ParseRangeName(text.c_str(), range));
    const wchar_t* expected[] = {L"img0098.png", L"img0099.png", L"img0100.png", L"img0101.png"};
    int i = 0;
    for (int v = range.first; v <= range.last; ++v, ++i) {
        EXPECT_EQ(Build(text, v, range.width), std::wstring(L"\\Z:\\pics\\") + expected[i]);
    }
    EXPECT_EQ(i, 4);
}
