// Download and upload: one file across the plugin's border, copied or moved.
#pragma once
#include <windows.h>

namespace tf {

// Copy flags of get and put, the host interface's bits.
constexpr int FS_COPYFLAGS_OVERWRITE = 1;
constexpr int FS_COPYFLAGS_RESUME = 2;
constexpr int FS_COPYFLAGS_MOVE = 4;

// Maps a failed transfer's system error to the answer the host expects from get and put.
int MapTransferError(DWORD error);

// Copies or moves one file between two local paths as the copy flags say; a file code.
int TransferFile(const WCHAR* source, const WCHAR* target, int copyFlags);

}  // namespace tf
