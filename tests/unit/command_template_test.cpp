// Placeholder expansion and the split into program and parameters, without any window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_template.h"
#include "support/support.h"

namespace {

struct Expanded {
    std::wstring text;
    bool complete;
};

Expanded Expand(const std::wstring& commandTemplate, const std::wstring& target) {
    std::wstring out(tf::kExpandedBuffer, L'#');
    const bool complete = tf::ExpandCommandTemplate(commandTemplate.c_str(), target.c_str(), out.data());
    return {out.c_str(), complete};
}

std::wstring ExpandText(const std::wstring& commandTemplate, const std::wstring& target) {
    return Expand(commandTemplate, target).text;
}

constexpr wchar_t kSeries[] = L"C:\\Pictures\\img<0001-100>.png";
constexpr wchar_t kPlain[] = L"C:\\Pictures\\photo.jpg";

}  // namespace

TEST(ExpandCommandTemplate, WorkedValuesForASeriesEntry) {
    EXPECT_EQ(ExpandText(L"%F|%L|%P|%B|%X|%S|%E|%C", kSeries),
              L"img0001.png|img0100.png|C:\\Pictures\\|img|.png|0001|0100|100");
}

TEST(ExpandCommandTemplate, WorkedValuesForAPlainFile) {
    EXPECT_EQ(ExpandText(L"%F|%L|%P|%B|%X|%S|%E|%C", kPlain), L"photo.jpg|photo.jpg|C:\\Pictures\\|photo|.jpg|1|1|0");
}

TEST(ExpandCommandTemplate, PercentSignsAndOtherLetters) {
    EXPECT_EQ(ExpandText(L"100%%", kSeries), L"100%");
    EXPECT_EQ(ExpandText(L"50%", kSeries), L"50");
    EXPECT_EQ(ExpandText(L"%f", kSeries), L"f");
    EXPECT_EQ(ExpandText(L"%%F", kSeries), L"%F");
    EXPECT_EQ(ExpandText(L"%Q%", kSeries), L"Q");
    EXPECT_EQ(ExpandText(L"", kSeries), L"");
}

TEST(ExpandCommandTemplate, DIsTheFolderSoTheDefaultCommandNamesTheFirstMember) {
    EXPECT_EQ(ExpandText(L"%D%F", kSeries), L"C:\\Pictures\\img0001.png");
    EXPECT_EQ(ExpandText(L"%D", L"photo.jpg"), L"photo.jpg");
}

TEST(ExpandCommandTemplate, ExtensionOnlyFromTheNamePart) {
    EXPECT_EQ(ExpandText(L"[%X]", L"C:\\Data\\README"), L"[]");
    EXPECT_EQ(ExpandText(L"[%X]", L"C:\\Data.old\\README"), L"[]");
    EXPECT_EQ(ExpandText(L"[%B]", L"C:\\Data.old\\README"), L"[README]");
    EXPECT_EQ(ExpandText(L"[%P]", L"README"), L"[README]");
}

TEST(ExpandCommandTemplate, OneNumberInTheBrackets) {
    EXPECT_EQ(ExpandText(L"%S|%E|%C|%L|%F", L"D:\\scan<07>.tif"), L"07|-1|-7|scan-1.tif|scan07.tif");
}

TEST(ExpandCommandTemplate, InvalidRangeFallsBack) {
    EXPECT_EQ(ExpandText(L"%F|%B|%C|%S", L"D:\\a<x>.txt"), L"a<x>.txt|a|0|1");
}

TEST(ExpandCommandTemplate, ValuesStopAt1022CharactersAndTheTextCountsAsCut) {
    const std::wstring folder = L"C:\\" + std::wstring(996, L'f') + L"\\";  // 1000 characters
    const std::wstring target = folder + L"averyveryverylongname_0001_tail.png";
    const Expanded result = Expand(L"%P%F%C", target);
    EXPECT_EQ(result.text, folder + target.substr(1000, 22));
    EXPECT_FALSE(result.complete);
    // Template characters are not held to the value limit, values after 1022 add nothing.
    const Expanded after = Expand(L"%P%Fxyz%S", target);
    EXPECT_EQ(after.text, folder + target.substr(1000, 22) + L"xyz");
    EXPECT_FALSE(after.complete);
    EXPECT_TRUE(Expand(L"%P", target).complete);
}

TEST(ExpandCommandTemplate, CutFolderOrBaseIsNotTakenForAShorterOne) {
    // 1019 characters of text leave room for "C:\" of the folder, which ends at its backslash
    // but is not the folder.
    const std::wstring target = L"C:\\Pictures\\photo.jpg";
    const Expanded result = Expand(std::wstring(1019, L't') + L"%P", target);
    EXPECT_EQ(result.text, std::wstring(1019, L't') + L"C:\\");
    EXPECT_FALSE(result.complete);
    // Room for just "a.b": the cut piece has no '<', ends at its last '.' and gives "a".
    const Expanded base = Expand(std::wstring(1019, L't') + L"%B", L"a.b<1-2>.c");
    EXPECT_EQ(base.text, std::wstring(1019, L't') + L"a");
    EXPECT_FALSE(base.complete);
}

TEST(ExpandCommandTemplate, TemplateCharactersStopAt8190) {
    const Expanded result = Expand(std::wstring(9000, L'a'), kSeries);
    EXPECT_EQ(result.text.size(), 8190u);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(Expand(std::wstring(8190, L'a'), kSeries).complete);
}

TEST(ExpandCommandTemplate, WideCounterAndOverlongMemberName) {
    // A member name that cannot be built gives nothing, and the command counts as cut.
    const std::wstring longTarget = L"C:\\" + std::wstring(1100, L'n') + L"<1-9>.png";
    const Expanded result = Expand(L"x%Fy", longTarget);
    EXPECT_EQ(result.text, L"xy");
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(ExpandText(L"%S-%E", L"C:\\v<000000000000000000001-3>.png"), L"000000000000000000001-000000000000000000003");
}

namespace {

struct Split {
    std::wstring program;
    std::wstring parameters;
    bool hasParameters;
};

Split SplitText(const std::wstring& text) {
    std::wstring buffer = text;
    const tf::CommandLineParts parts = tf::SplitCommandLine(buffer.data());
    return {parts.program, parts.parameters ? parts.parameters : L"", parts.parameters != nullptr};
}

struct ExpandedSplit {
    Split split;
    bool fromValue;
};

// Expands and splits as the Open dialog does, with the template's own characters marked.
ExpandedSplit ExpandAndSplit(const std::wstring& commandTemplate, const std::wstring& target) {
    std::wstring out(tf::kExpandedBuffer, L'#');
    std::vector<unsigned char> literal(tf::kExpandedBuffer, 7);
    tf::ExpandCommandTemplate(commandTemplate.c_str(), target.c_str(), out.data(), literal.data());
    const tf::CommandLineParts parts = tf::SplitCommandLine(out.data(), literal.data());
    return {{parts.program, parts.parameters ? parts.parameters : L"", parts.parameters != nullptr},
            parts.programFromValue};
}

}  // namespace

TEST(SplitCommandLine, FirstSpaceOfAnUnquotedText) {
    const Split split = SplitText(ExpandText(L"notepad %P%F", kSeries));
    EXPECT_EQ(split.program, L"notepad");
    EXPECT_EQ(split.parameters, L"C:\\Pictures\\img0001.png");
    const Split plain = SplitText(L"C:\\Pictures\\img0001.png");
    EXPECT_EQ(plain.program, L"C:\\Pictures\\img0001.png");
    EXPECT_FALSE(plain.hasParameters);
    EXPECT_EQ(SplitText(L" lead x").program, L" lead");
}

TEST(SplitCommandLine, QuotedProgram) {
    const Split split = SplitText(L"\"C:\\Program Files\\view.exe\" \"C:\\My Pictures\\img0001.png\" -x");
    EXPECT_EQ(split.program, L"\"C:\\Program Files\\view.exe\"");
    EXPECT_EQ(split.parameters, L"\"C:\\My Pictures\\img0001.png\" -x");
    const Split glued = SplitText(L"\"C:\\a b\\view.exe\"x y");
    EXPECT_EQ(glued.program, L"\"C:\\a b\\view.exe\"x y");
    EXPECT_FALSE(glued.hasParameters);
    const Split open = SplitText(L"\"C:\\a b\\view.exe y");
    EXPECT_EQ(open.program, L"\"C:\\a b\\view.exe y");
    EXPECT_FALSE(open.hasParameters);
}

TEST(SplitCommandLine, ExistingFileWithASpaceIsStartedWhole) {
    // Regression: "Open first" split "C:\My Pictures\img0001.png" at its first space.
    tftest::TempDir dir;
    ASSERT_TRUE(CreateDirectoryW((dir / L"My Pictures").c_str(), nullptr));
    const std::wstring file = dir / L"My Pictures\\img0001.png";
    ASSERT_TRUE(tftest::MakeFile(file, 3));
    const Split whole = SplitText(file);
    EXPECT_EQ(whole.program, file);
    EXPECT_FALSE(whole.hasParameters);
    // Only the whole text counts: a missing file still splits.
    const Split missing = SplitText(dir / L"My Pictures\\img0002.png");
    EXPECT_EQ(missing.program, dir / L"My");
    EXPECT_EQ(missing.parameters, L"Pictures\\img0002.png");
}

TEST(SplitCommandLine, OnlyTheTemplatesOwnSpacesAndQuotesSplit) {
    // Regression: a space inside a placeholder's value split off a program: "...\Public" of
    // "...\Public Pictures\img0001.png", which the shell then found as Public.exe.
    const std::wstring spaced = L"C:\\Users\\Public\\Public Pictures\\img<0001-100>.png";
    const std::wstring first = L"C:\\Users\\Public\\Public Pictures\\img0001.png";
    struct Row {
        const wchar_t* commandTemplate;
        std::wstring program;
        std::wstring parameters;
        bool hasParameters;
        bool fromValue;
    };
    const Row rows[] = {
        {L"%D%F", first, L"", false, true},
        {L"%P%F -x", first, L"-x", true, true},
        {L"notepad %P%F", L"notepad", first, true, false},
        {L"\"%P%F\"", L"\"" + first + L"\"", L"", false, true},
        {L"\"C:\\Program Files\\v.exe\" \"%P%F\"", L"\"C:\\Program Files\\v.exe\"", L"\"" + first + L"\"", true, false},
        {L"%Pview.exe %F", L"C:\\Users\\Public\\Public Pictures\\view.exe", L"img0001.png", true, true},
        {L"%B%%x y", L"img%x", L"y", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(tftest::Narrow(row.commandTemplate));
        const ExpandedSplit got = ExpandAndSplit(row.commandTemplate, spaced);
        EXPECT_EQ(got.split.program, row.program);
        EXPECT_EQ(got.split.parameters, row.parameters);
        EXPECT_EQ(got.split.hasParameters, row.hasParameters);
        EXPECT_EQ(got.fromValue, row.fromValue);
    }
}
