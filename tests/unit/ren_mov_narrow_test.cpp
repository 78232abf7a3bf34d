// The narrow file branch has no replacing move: an overwriting move deletes the target first.
#include <gtest/gtest.h>

#include "host/file_access.h"
#include "host/state.h"
#include "operations/ren_mov.h"
#include "support/folder_state.h"
#include "support/support.h"

using namespace tftest;

namespace {

class NarrowBranch {
public:
    NarrowBranch() : saved_(tf::g_state.platformMode) { tf::g_state.platformMode = tf::kPlatformNarrow; }
    ~NarrowBranch() { tf::g_state.platformMode = saved_; }

private:
    unsigned char saved_;
};

TEST(RenMovNarrowBranch, OverwritingMoveReplacesTheTarget) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "A"));
    ASSERT_TRUE(WriteBytes(dir / L"b.txt", "B"));
    NarrowBranch narrow;
    EXPECT_EQ(tf::RenMovSingleFileW(dir.Plugin(L"a.txt").c_str(), dir.Plugin(L"b.txt").c_str(), true, true), 0);
    EXPECT_EQ(ReadFolder(dir.path()), (FolderState{{L"b.txt", "A"}}));
}

TEST(RenMovNarrowBranch, OverwritingMoveOntoItselfKeepsTheFile) {
    // Regression: deleting the target first deleted the very file being moved.
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"a.txt", "A"));
    NarrowBranch narrow;
    tf::RenMovSingleFileW(dir.Plugin(L"a.txt").c_str(), dir.Plugin(L"A.TXT").c_str(), true, true);
    EXPECT_EQ(ReadBytes(dir / L"a.txt"), "A");
}

}  // namespace
