// Making and removing folders through the plugin.
#include <gtest/gtest.h>

#include "support/member_files.h"
#include "support/support.h"

using namespace tftest;

namespace {
using PathFnW = BOOL(WINAPI*)(WCHAR*);
using PathFnA = BOOL(WINAPI*)(char*);

BOOL Call(const char* name, std::wstring path) { return Module::Get().Fn<PathFnW>(name)(path.data()); }
}  // namespace

TEST(Folders, MakeAndRemoveGiveTheSystemsAnswer) {
    TempDir dir;
    EXPECT_NE(Call("FsMkDirW", dir.Plugin(L"new")), 0);
    EXPECT_TRUE(Exists(dir / L"new"));
    EXPECT_EQ(Call("FsMkDirW", dir.Plugin(L"new")), 0) << "an existing folder is not made again";
    EXPECT_EQ(Call("FsMkDirW", dir.Plugin(L"missing\\new")), 0) << "the parent must exist";

    ASSERT_TRUE(WriteBytes(dir / L"new\\keep.txt", "keep"));
    EXPECT_EQ(Call("FsRemoveDirW", dir.Plugin(L"new")), 0) << "a folder that holds files stays";
    EXPECT_EQ(ReadBytes(dir / L"new\\keep.txt"), "keep");
    ASSERT_TRUE(DeleteFileW((dir / L"new\\keep.txt").c_str()));
    EXPECT_NE(Call("FsRemoveDirW", dir.Plugin(L"new")), 0);
    EXPECT_FALSE(Exists(dir / L"new"));
    EXPECT_EQ(Call("FsRemoveDirW", dir.Plugin(L"new")), 0);
}

TEST(Folders, RangeNamesAreLiteralFolderNames) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryW((dir / L"d1").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((dir / L"d2").c_str(), nullptr));
    EXPECT_EQ(Call("FsRemoveDirW", dir.Plugin(L"d<1-2>")), 0);
    EXPECT_TRUE(Exists(dir / L"d1"));
    EXPECT_TRUE(Exists(dir / L"d2"));
}

TEST(Folders, RootDriveAndNullAreRefused) {
    for (const char* name : {"FsMkDirW", "FsRemoveDirW"}) {
        EXPECT_EQ(Call(name, L"\\"), 0) << name;
        EXPECT_EQ(Call(name, L"\\C"), 0) << name;
        EXPECT_EQ(Call(name, L""), 0) << name;
        EXPECT_EQ(Module::Get().Fn<PathFnW>(name)(nullptr), 0) << name;
    }
    for (const char* name : {"FsMkDir", "FsRemoveDir"}) EXPECT_EQ(Module::Get().Fn<PathFnA>(name)(nullptr), 0) << name;
}

TEST(Folders, NarrowTwinsConvertAndRefuseOverlongNames) {
    TempDir dir;
    std::string path = "\\" + Narrow(dir / L"narrow");
    EXPECT_NE(Module::Get().Fn<PathFnA>("FsMkDir")(path.data()), 0);
    EXPECT_TRUE(Exists(dir / L"narrow"));
    EXPECT_NE(Module::Get().Fn<PathFnA>("FsRemoveDir")(path.data()), 0);
    EXPECT_FALSE(Exists(dir / L"narrow"));

    // Over 1023 characters a cut name would stand for another folder: refused as missing.
    const std::wstring cut = DeepPath(dir, 1022);
    std::string tooLong = "\\" + Narrow(cut) + "-more";
    EXPECT_EQ(Module::Get().Fn<PathFnA>("FsMkDir")(tooLong.data()), 0);
    EXPECT_FALSE(Exists(cut));
}
