// The file codes of download and upload for the system errors a transfer meets.
#include <gtest/gtest.h>

#include "host/interface.h"
#include "operations/transfer.h"

TEST(TransferErrors, FullTargetIsAWriteErrorNotAReadError) {
    EXPECT_EQ(tf::MapTransferError(ERROR_DISK_FULL), tf::FS_FILE_WRITEERROR);
    EXPECT_EQ(tf::MapTransferError(ERROR_HANDLE_DISK_FULL), tf::FS_FILE_WRITEERROR);
    // The rest keeps its mapping: missing or refused is "not found", an existing target is 1,
    // anything else a read error.
    EXPECT_EQ(tf::MapTransferError(ERROR_PATH_NOT_FOUND), tf::FS_FILE_NOTFOUND);
    EXPECT_EQ(tf::MapTransferError(ERROR_ACCESS_DENIED), tf::FS_FILE_NOTFOUND);
    EXPECT_EQ(tf::MapTransferError(ERROR_FILE_EXISTS), tf::FS_FILE_EXISTS);
    EXPECT_EQ(tf::MapTransferError(ERROR_SHARING_VIOLATION), tf::FS_FILE_READERROR);
    EXPECT_EQ(tf::MapTransferError(ERROR_CRC), tf::FS_FILE_READERROR);
}
