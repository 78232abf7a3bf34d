// tfhost copy and move, run as their own process the way a script runs them.
#include <gtest/gtest.h>

#include "support/folder_state.h"
#include "support/launch.h"
#include "support/support.h"

using namespace tftest;

TEST(TfhostRenMov, RenumbersASeriesAndPrintsTheResultByName) {
    TempDir dir;
    ASSERT_TRUE(WriteNamedSeries(dir.path(), L"img", 1, 3, 4, L".png"));
    const ProcessResult run = RunTfhost({L"move", dir.Plugin(L"img<0001-3>.png"), dir.Plugin(L"img<0002>.png")});
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_NE(run.out.find("result 0: FS_FILE_OK"), std::string::npos) << run.out;
    EXPECT_EQ(ReadFolder(dir.path()), (FolderState{{L"img0002.png", "img0001.png"},
                                                   {L"img0003.png", "img0002.png"},
                                                   {L"img0004.png", "img0003.png"}}));
}

TEST(TfhostRenMov, RangeErrorDoesNotWaitForAUser) {
    // The plugin's error box is closed as a user would close it, so the command ends.
    TempDir dir;
    ASSERT_TRUE(WriteNamedSeries(dir.path(), L"img", 1, 2, 4, L".png"));
    const ProcessResult run = RunTfhost({L"move", dir.Plugin(L"img<0001-2>.png"), dir.Plugin(L"pic.png")});
    EXPECT_EQ(run.exitCode, 1u) << run.out;
    EXPECT_NE(run.out.find("result 4: FS_FILE_WRITEERROR"), std::string::npos) << run.out;
    EXPECT_EQ(ReadFolder(dir.path()).size(), 2u);
}

TEST(TfhostRenMov, CopyOverwritesOnlyWhenAsked) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "A"));
    ASSERT_TRUE(WriteBytes(dir / L"b.txt", "B"));
    ProcessResult run = RunTfhost({L"copy", dir.Plugin(L"a.txt"), dir.Plugin(L"b.txt")});
    EXPECT_NE(run.out.find("result 1: FS_FILE_EXISTS"), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(dir / L"b.txt"), "B");
    run = RunTfhost({L"copy", dir.Plugin(L"a.txt"), dir.Plugin(L"b.txt"), L"--overwrite"});
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_EQ(ReadBytes(dir / L"b.txt"), "A");
}
