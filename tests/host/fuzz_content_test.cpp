// Randomized content-field requests through the module: random names (range-shaped and not),
// fields, buffer sizes and flags. Every answer is a defined one, nothing lands outside the
// value buffer, the counters agree with the range the name holds, and the narrow export
// answers as the wide one for names the code page carries. Fixed seed, bounded in time
// (TF_FUZZ_SECONDS for longer runs by hand).
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "listing/range_name.h"
#include "support/guarded.h"
#include "support/support.h"

using namespace tftest;

namespace {

using ValueW = int(WINAPI*)(WCHAR*, int, int, void*, int, int);
using ValueA = int(WINAPI*)(char*, int, int, void*, int, int);

std::wstring RandomName(std::mt19937& rng) {
    static const WCHAR kChars[] = L"<<>>--0123456789..\\\\abcXYZ _";
    std::wstring name = L"\\";
    if (rng() % 2) name += L"C:\\dir\\";
    const size_t length = rng() % 6 == 0 ? rng() % 1100 : rng() % 40;
    for (size_t i = 0; i < length; ++i) {
        name += rng() % 10 == 0 ? static_cast<WCHAR>(0x80 + rng() % 0xFF00) : kChars[rng() % (sizeof kChars / sizeof(WCHAR) - 1)];
    }
    if (rng() % 2) {
        name += L"img<" + std::wstring(rng() % 4, L'0') + std::to_wstring(rng() % 5000);
        if (rng() % 4) name += L"-" + std::to_wstring(rng() % 3 ? rng() % 10000 : rng());
        name += L">";
        if (rng() % 2) name += L".png";
    }
    if (rng() % 8 == 0) name = name.substr(0, rng() % 6);
    return name;
}

bool Ascii(const std::wstring& text) {
    for (WCHAR c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace

TEST(FuzzContent, RandomRequestsGetDefinedAnswersWithinTheirBuffers) {
    auto valueW = Module::Get().Fn<ValueW>("FsContentGetValueW");
    auto valueA = Module::Get().Fn<ValueA>("FsContentGetValue");
    ASSERT_NE(valueW, nullptr);
    ASSERT_NE(valueA, nullptr);
    std::mt19937 rng(0xC0A7E47u);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long long>(FuzzSeconds(2.0) * 1000));
    const std::set<int> answers = {-4, -2, -1, 0, 1, 11};
    long long calls = 0, numbers = 0, strings = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::wstring name = RandomName(rng);
        const int field = static_cast<int>(rng() % 9) - 2;
        static const int kSizes[] = {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 7, 8, 64, 520, 2048};
        const int maxlen = kSizes[rng() % (sizeof kSizes / sizeof kSizes[0])];
        const int flags = static_cast<int>(rng() % 2);
        Guarded out(maxlen > 0 ? static_cast<size_t>(maxlen) : 0);
        const int result = valueW(name.data(), field, 0, out.data(), maxlen, flags);
        ++calls;
        const std::string what = Narrow(name) + " field " + std::to_string(field) + " maxlen " + std::to_string(maxlen);
        ASSERT_TRUE(out.Intact()) << what << ": " << out.Describe();
        ASSERT_TRUE(answers.count(result)) << what << ": answered " << result;
        if (name.size() <= 4) {
            ASSERT_EQ(result, -2) << what << ": no entry";
        } else if ((flags & 1) && field == 4) {
            ASSERT_EQ(result, 0) << what << ": asks to be asked again";
        } else if ((flags & 1) && field == 5) {
            ASSERT_EQ(result, -4) << what;
        } else if (field < 0 || field > 4) {
            ASSERT_EQ(result, -1) << what;
        }
        if (result <= 0) {
            ASSERT_TRUE(out.Untouched()) << what;
        }
        int number = 0;
        if (result == 1) {
            ++numbers;
            ASSERT_GE(maxlen, 4) << what;
            std::memcpy(&number, out.data(), sizeof number);
            tf::RangeSpec range;
            if (tf::ParseRangeName(name.c_str(), range)) {
                if (field == 1) {
                    EXPECT_EQ(number, range.first) << what;
                }
                if (field == 3) {
                    EXPECT_EQ(number, range.width) << what;
                }
            } else if (field == 0) {
                EXPECT_EQ(number, 1) << what << ": a plain file counts one";
            }
        }
        if (result == 11) {
            ++strings;
            ASSERT_LT(out.WideText().size(), out.size() / 2) << what << ": unterminated";
        }
        if (Ascii(name) && name.size() <= 1023) {
            std::string narrow(name.begin(), name.end());
            Guarded outA(maxlen > 0 ? static_cast<size_t>(maxlen) : 0);
            const int resultA = valueA(narrow.data(), field, 0, outA.data(), maxlen, flags);
            ++calls;
            ASSERT_TRUE(outA.Intact()) << what << ": " << outA.Describe();
            EXPECT_EQ(resultA, result) << what;
            if (resultA == result && result > 0) {
                EXPECT_EQ(std::memcmp(outA.data(), out.data(), out.size()), 0) << what << ": narrow value differs";
            }
        }
    }
    std::printf("content values: %lld calls, %lld numbers, %lld strings\n", calls, numbers, strings);
    EXPECT_GT(numbers, 0);
    EXPECT_GT(strings, 0);
}
