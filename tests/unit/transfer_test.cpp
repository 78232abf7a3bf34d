// The overwriting move of download and upload on both branches of the access layer.
#include <gtest/gtest.h>

#include "host/file_access.h"
#include "host/interface.h"
#include "host/state.h"
#include "operations/transfer.h"
#include "support/support.h"

using namespace tftest;

namespace {

// Runs a test on one branch of the access layer and restores the platform's own afterwards.
class Branch {
public:
    explicit Branch(unsigned char mode) : saved_(tf::g_state.platformMode) { tf::g_state.platformMode = mode; }
    ~Branch() { tf::g_state.platformMode = saved_; }

private:
    unsigned char saved_;
};

constexpr int kMoveOverwrite = tf::FS_COPYFLAGS_MOVE | tf::FS_COPYFLAGS_OVERWRITE;

}  // namespace

TEST(TransferFile, OverwritingMoveReplacesTheTargetOnBothBranches) {
    for (unsigned char mode : {tf::kPlatformWide, tf::kPlatformNarrow}) {
        Branch branch(mode);
        TempDir dir;
        ASSERT_TRUE(WriteBytes(dir / L"new", "new"));
        ASSERT_TRUE(WriteBytes(dir / L"old", "old"));
        EXPECT_EQ(tf::TransferFile((dir / L"new").c_str(), (dir / L"old").c_str(), kMoveOverwrite), tf::FS_FILE_OK)
            << "mode " << int{mode};
        EXPECT_EQ(ReadBytes(dir / L"old"), "new");
        EXPECT_FALSE(Exists(dir / L"new"));
    }
}

// Regression: the target was deleted before the move, so a move that then failed lost it.
TEST(TransferFile, FailedOverwritingMoveKeepsTheTargetOnTheWideBranch) {
    Branch branch(tf::kPlatformWide);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir / L"target", "target"));
    EXPECT_EQ(tf::TransferFile((dir / L"missing").c_str(), (dir / L"target").c_str(), kMoveOverwrite), tf::FS_FILE_NOTFOUND);
    EXPECT_EQ(ReadBytes(dir / L"target"), "target");
}
