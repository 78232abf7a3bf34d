// The five content fields through the module's exports, wide and narrow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/support.h"

using namespace tftest;

namespace {

using GetSupportedFieldFn = int(WINAPI*)(int, char*, char*, int);
using FieldIntFn = int(WINAPI*)(int);
using GetValueWFn = int(WINAPI*)(WCHAR*, int, int, void*, int, int);
using GetValueAFn = int(WINAPI*)(char*, int, int, void*, int, int);

constexpr int kDelayIfSlow = 1;
constexpr int kNumeric = 1;
constexpr int kStringW = 11;

GetValueWFn ValueW() { return Module::Get().Fn<GetValueWFn>("FsContentGetValueW"); }
GetValueAFn ValueA() { return Module::Get().Fn<GetValueAFn>("FsContentGetValue"); }

struct Answer {
    int type;
    int number;             // numeric fields
    std::wstring text;      // field 4
};

// One field of one path; the buffer starts filled with a pattern, so an answer that writes
// nothing leaves number -1 and the text "pattern".
Answer Get(const std::wstring& path, int field, int flags = 0, bool narrow = false, int maxlen = 512) {
    union {
        int number;
        WCHAR text[256];
    } value;
    std::fill(std::begin(value.text), std::end(value.text), L'\0');
    value.number = -1;
    std::memcpy(value.text + 2, L"pattern", 16);
    std::wstring copy = path;
    std::string narrowCopy = Narrow(path);
    const int type = narrow ? ValueA()(narrowCopy.data(), field, 0, &value, maxlen, flags)
                            : ValueW()(copy.data(), field, 0, &value, maxlen, flags);
    EXPECT_EQ(copy, path) << "the host's file name must stay as it was";
    Answer a{type, value.number, {}};
    a.text = type == kStringW ? std::wstring(value.text) : std::wstring(value.text + 2);
    return a;
}

void ExpectFields(const std::wstring& path, int count, int first, int last, int digits, const std::wstring& base) {
    for (bool narrow : {false, true}) {
        SCOPED_TRACE(narrow ? "narrow entry" : "wide entry");
        Answer a = Get(path, 0, 0, narrow);
        EXPECT_EQ(a.type, kNumeric);
        EXPECT_EQ(a.number, count);
        a = Get(path, 1, 0, narrow);
        EXPECT_EQ(a.type, kNumeric);
        EXPECT_EQ(a.number, first);
        a = Get(path, 2, 0, narrow);
        EXPECT_EQ(a.type, kNumeric);
        EXPECT_EQ(a.number, last);
        a = Get(path, 3, 0, narrow);
        EXPECT_EQ(a.type, kNumeric);
        EXPECT_EQ(a.number, digits);
        a = Get(path, 4, 0, narrow);
        EXPECT_EQ(a.type, kStringW) << "the narrow entry writes the base name as a wide string too";
        EXPECT_EQ(a.text, base);
    }
}

}  // namespace

TEST(ContentFields, TableOfNamesTypesFlagsAndSortOrder) {
    auto supported = Module::Get().Fn<GetSupportedFieldFn>("FsContentGetSupportedField");
    auto flags = Module::Get().Fn<FieldIntFn>("FsContentGetSupportedFieldFlags");
    auto order = Module::Get().Fn<FieldIntFn>("FsContentGetDefaultSortOrder");
    ASSERT_TRUE(supported && flags && order);
    const struct {
        const char* name;
        int type;
    } expected[] = {{"file count", 1}, {"first", 1}, {"last", 1}, {"digits", 1}, {"base name", 11}};
    for (int i = 0; i < 5; ++i) {
        char name[64] = "junk";
        char units[64] = "junk";
        EXPECT_EQ(supported(i, name, units, 64), expected[i].type) << i;
        EXPECT_STREQ(name, expected[i].name);
        EXPECT_STREQ(units, "");
        EXPECT_EQ(flags(i), 0);
        EXPECT_EQ(order(i), 1);
    }
    for (int i : {5, -1, 100}) {
        char name[8] = "junk";
        char units[8] = "junk";
        EXPECT_EQ(supported(i, name, units, 8), 0) << i;
        EXPECT_STREQ(name, "junk") << "nothing written past the last field";
        EXPECT_STREQ(units, "junk");
    }
    char cut[8] = "#######";
    char units[8] = "#######";
    EXPECT_EQ(supported(4, cut, units, 5), 11);
    EXPECT_STREQ(cut, "base");
    EXPECT_EQ(cut[5], '#');
    EXPECT_EQ(flags(-1), 15);
    EXPECT_EQ(flags(7), 0);
    EXPECT_EQ(order(-1), 1);
    EXPECT_EQ(order(7), 1);
}

TEST(ContentFields, SeriesAndPlainFiles) {
    ExpectFields(L"\\C:\\Pictures\\img<0001-100>.png", 100, 1, 100, 4, L"img");
    ExpectFields(L"\\C:\\Pictures\\photo.jpg", 1, 0, 0, 0, L"photo");
    ExpectFields(L"\\C:\\Pictures\\readme", 1, 0, 0, 0, L"readme");
    // One number only: no last counter, so the count is -1 - 5 + 1.
    ExpectFields(L"\\C:\\x<5>.txt", -5, 5, -1, 1, L"x");
    ExpectFields(L"\\C:\\a<b>.txt", 1, 0, 0, 0, L"a<b>");
    // The range of the folder counts; the base name comes from the file's own name part.
    ExpectFields(L"\\C:\\run<1-3>\\notes.txt", 3, 1, 3, 1, L"notes.txt");
    // "\C:\a" is the shortest path that is answered: four characters after the backslash.
    ExpectFields(L"\\C:\\a", 1, 0, 0, 0, L"a");
}

TEST(ContentFields, RootAndDriveRootsAreNoEntries) {
    for (const wchar_t* path : {L"\\C:\\", L"\\", L"", L"\\..\\"}) {
        for (int field = 0; field <= 5; ++field) {
            for (int flags : {0, kDelayIfSlow}) {
                const Answer a = Get(path, field, flags);
                EXPECT_EQ(a.type, -2) << Narrow(path) << " field " << field << " flags " << flags;
                EXPECT_EQ(a.number, -1) << "nothing written";
            }
        }
    }
}

TEST(ContentFields, DelayedBaseNameAndOnDemandIndex) {
    const std::wstring path = L"\\C:\\Pictures\\img<0001-100>.png";
    Answer a = Get(path, 4, kDelayIfSlow);
    EXPECT_EQ(a.type, 0) << "the base name waits for the background call";
    EXPECT_EQ(a.text, L"pattern");
    EXPECT_EQ(a.number, -1);
    a = Get(path, 5, kDelayIfSlow);
    EXPECT_EQ(a.type, -4);
    EXPECT_EQ(a.number, -1);
    a = Get(path, 0, kDelayIfSlow);
    EXPECT_EQ(a.type, 1);
    EXPECT_EQ(a.number, 100);
    a = Get(path, 5, 0);
    EXPECT_EQ(a.type, -1) << "index 5 is a field only when the host is in a hurry";
    for (int field : {6, -1, 1000}) {
        for (int flags : {0, kDelayIfSlow}) {
            a = Get(path, field, flags);
            EXPECT_EQ(a.type, -1) << field;
            EXPECT_EQ(a.number, -1);
        }
    }
    a = Get(path, 4, kDelayIfSlow, true);
    EXPECT_EQ(a.type, 0);
    EXPECT_EQ(a.text, L"pattern");
}

TEST(ContentFields, BaseNameIsCutToTheBufferAndNeverOverruns) {
    const std::wstring series = L"\\C:\\Pictures\\img<0001-100>.png";
    // 8 bytes hold three characters and the terminator; what follows stays untouched.
    WCHAR value[8];
    std::fill(std::begin(value), std::end(value), L'#');
    std::wstring copy = series;
    EXPECT_EQ(ValueW()(copy.data(), 4, 0, value, 8, 0), 11);
    EXPECT_EQ(std::wstring(value), L"img");
    std::fill(std::begin(value), std::end(value), L'#');
    copy = L"\\C:\\Pictures\\photo.jpg";
    EXPECT_EQ(ValueW()(copy.data(), 4, 0, value, 7, 0), 11) << "an odd byte count rounds down";
    EXPECT_EQ(std::wstring(value), L"ph");
    EXPECT_EQ(value[3], L'#');
    // No room for even the terminator: a failure code, and the buffer is left alone.
    for (int maxlen : {1, 0, -4}) {
        std::fill(std::begin(value), std::end(value), L'#');
        EXPECT_EQ(ValueW()(copy.data(), 4, 0, value, maxlen, 0), -2) << maxlen;
        EXPECT_EQ(value[0], L'#');
    }
    // A numeric field needs four bytes.
    std::fill(std::begin(value), std::end(value), L'#');
    EXPECT_EQ(ValueW()(copy.data(), 0, 0, value, 3, 0), -2);
    EXPECT_EQ(value[0], L'#');
    EXPECT_EQ(value[1], L'#');
    EXPECT_EQ(ValueW()(copy.data(), 0, 0, nullptr, 4, 0), -2);
    EXPECT_EQ(ValueW()(nullptr, 0, 0, value, 16, 0), -2);
    EXPECT_EQ(ValueA()(nullptr, 0, 0, value, 16, 0), -2);
}

TEST(ContentFields, NarrowNameLongerThanTheWideBufferIsRefused) {
    std::string name = "\\C:\\" + std::string(2000, 'a') + "<1-3>.txt";
    int value = -7;
    EXPECT_EQ(ValueA()(name.data(), 0, 0, &value, 4, 0), -2);
    EXPECT_EQ(value, -7);
    // Exactly 1023 characters still pass.
    name = "\\C:\\" + std::string(1023 - 4 - 9, 'a') + "<1-3>.txt";
    ASSERT_EQ(name.size(), 1023u);
    EXPECT_EQ(ValueA()(name.data(), 0, 0, &value, 4, 0), 1);
    EXPECT_EQ(value, 3);
}
