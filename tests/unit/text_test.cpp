#include <gtest/gtest.h>

#include <string>

#include "host/text.h"

using namespace tf;

TEST(BoundedText, CopyBoundedCutsAndAlwaysTerminates) {
    WCHAR out[16];
    std::fill(std::begin(out), std::end(out), L'#');
    EXPECT_STREQ(CopyBounded(out, L"abc", 1), L"");
    EXPECT_STREQ(CopyBounded(out, L"123456789", 10), L"123456789");
    EXPECT_STREQ(CopyBounded(out, L"abcdefghijkl", 10), L"abcdefghi");
    EXPECT_EQ(out[10], L'#') << "wrote past the limit";
}

TEST(BoundedText, AppendBoundedFillsTheWholeLimit) {
    WCHAR out[16] = L"abc";
    out[6] = L'#';
    EXPECT_STREQ(AppendBounded(out, L"defgh", 6), L"abcde");
    EXPECT_EQ(out[6], L'#');
    WCHAR full[8] = L"abcde";
    EXPECT_STREQ(AppendBounded(full, L"xyz", 6), L"abcde");
    WCHAR room[16] = L"ab";
    EXPECT_STREQ(AppendBounded(room, L"cd", 16), L"abcd");
}

TEST(BoundedText, CopyPaddedZeroFillsOrLeavesUnterminated) {
    WCHAR out[6] = {L'#', L'#', L'#', L'#', L'#', L'#'};
    CopyPadded(out, L"ab", 5);
    EXPECT_EQ(std::wstring(out, 5), std::wstring(L"ab\0\0\0", 5));
    EXPECT_EQ(out[5], L'#');
    WCHAR cut[4] = {L'#', L'#', L'#', L'#'};
    CopyPadded(cut, L"abcdef", 3);
    EXPECT_EQ(std::wstring(cut, 4), L"abc#");
    CopyPadded(cut, L"zz", 0);
    EXPECT_EQ(cut[0], L'a');
}

TEST(BoundedText, IntToTextRadixAndSign) {
    WCHAR out[34];
    EXPECT_STREQ(IntToText(-5, out, 10), L"-5");
    EXPECT_STREQ(IntToText(255, out, 16), L"ff");
    EXPECT_STREQ(IntToText(0, out, 10), L"0");
    EXPECT_STREQ(IntToText(-1, out, 16), L"ffffffff");
    EXPECT_STREQ(IntToText(-2147483647 - 1, out, 10), L"-2147483648");
    EXPECT_STREQ(IntToText(-1, out, 2), L"11111111111111111111111111111111");
}

TEST(BoundedText, FoldOnlyAsciiLetters) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int sign;
    } kRows[] = {
        {L".JPG", L".jpg", 0},
        {L".jpg", L".PNG", -1},
        {L"", L".png", -1},
        // Only A to Z fold: 'Ä' (0xC4) and 'ä' (0xE4) stay different.
        {L"\u00c4", L"\u00e4", -1},
        // Both ends of A to Z fold; their neighbours '@' and '[' do not become '`' and '{'.
        // Regression guard: a fold that stopped short of 'Z' listed a1.zip and a2.ZIP apart.
        {L"AZ", L"az", 0},
        {L"@", L"`", -1},
        {L"[", L"{", -1},
    };
    for (const auto& row : kRows) {
        const int result = CompareFoldAscii(row.a, row.b);
        EXPECT_EQ((result > 0) - (result < 0), row.sign) << row.a << " against " << row.b;
        EXPECT_EQ(EqualsFoldAscii(row.a, row.b), row.sign == 0);
    }
}

// File names fold as the file system compares them: every script, the length kept, and a name
// that does not fit is refused rather than cut.
TEST(BoundedText, FileNamesFoldInEveryScript) {
    WCHAR out[16];
    ASSERT_TRUE(FoldFileName(L"b\u00e4r7.png", out, 16));
    EXPECT_STREQ(out, L"B\u00c4R7.PNG");
    ASSERT_TRUE(FoldFileName(L"@[`{", out, 16));
    EXPECT_STREQ(out, L"@[`{");
    EXPECT_FALSE(FoldFileName(L"sixteen chars ab", out, 16));
}

TEST(NarrowArguments, AtMost1023CharactersPassAndLongerAreRefused) {
    WideArg arg;
    EXPECT_TRUE(ToWideArg(nullptr, arg));
    EXPECT_EQ(arg.ptr, nullptr);
    const std::string fits(1023, 'x');
    ASSERT_TRUE(ToWideArg(fits.c_str(), arg));
    EXPECT_EQ(WideLength(arg.ptr), 1023);
    const std::string tooLong(2000, 'x');
    EXPECT_FALSE(ToWideArg(tooLong.c_str(), arg));
    EXPECT_EQ(arg.ptr, nullptr);
}

TEST(NarrowArguments, CutConversionsStayInsideTheirFields) {
    char narrow[8];
    std::fill(std::begin(narrow), std::end(narrow), '#');
    ToNarrowCut(L"abcdefghijk", narrow, 5);
    EXPECT_STREQ(narrow, "abcd");
    EXPECT_EQ(narrow[5], '#');
    WCHAR wide[6];
    std::fill(std::begin(wide), std::end(wide), L'#');
    // A field without its terminator must not be read past its size.
    const char unterminated[4] = {'w', 'x', 'y', 'z'};
    ToWideCut(unterminated, wide, 4);
    EXPECT_STREQ(wide, L"wxy");
    EXPECT_EQ(wide[4], L'#');
}
