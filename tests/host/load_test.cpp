#include <gtest/gtest.h>

#include "support/support.h"

using namespace tftest;

TEST(Module, LoadsAndNamesItsRoot) {
    auto rootName = Module::Get().Fn<void(WINAPI*)(char*, int)>("FsGetDefRootName");
    ASSERT_NE(rootName, nullptr);
    char name[260] = {};
    rootName(name, 260);
    EXPECT_STREQ(name, "Tallyfold");
    char cut[8];
    std::fill(std::begin(cut), std::end(cut), '#');
    rootName(cut, 5);
    EXPECT_STREQ(cut, "Tall");
    EXPECT_EQ(cut[5], '#');
}
