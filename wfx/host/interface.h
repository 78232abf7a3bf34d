// The host's file-system plugin interface: callback shapes, records and answer codes.
#pragma once
#include <windows.h>

#include <cstddef>

namespace tf {

using ProgressProcA = int(WINAPI*)(int pluginNr, char* source, char* target, int percent);
using ProgressProcW = int(WINAPI*)(int pluginNr, WCHAR* source, WCHAR* target, int percent);
using LogProcA = void(WINAPI*)(int pluginNr, int msgType, char* text);
using LogProcW = void(WINAPI*)(int pluginNr, int msgType, WCHAR* text);
using RequestProcA = BOOL(WINAPI*)(int pluginNr, int requestType, char* title, char* text,
                                   char* returned, int maxlen);
using RequestProcW = BOOL(WINAPI*)(int pluginNr, int requestType, WCHAR* title, WCHAR* text,
                                   WCHAR* returned, int maxlen);

constexpr int kIniNameBytes = 260;

struct FsDefaultParamStruct {
    int size;
    DWORD PluginInterfaceVersionLow;
    DWORD PluginInterfaceVersionHi;
    char DefaultIniName[kIniNameBytes];
};
static_assert(offsetof(FsDefaultParamStruct, DefaultIniName) == 12);

// The plugin never reads the host's remote-info record.
struct RemoteInfoStruct;

// Answers of the transfer operations.
constexpr int FS_FILE_OK = 0;
constexpr int FS_FILE_EXISTS = 1;
constexpr int FS_FILE_NOTFOUND = 2;
constexpr int FS_FILE_READERROR = 3;
constexpr int FS_FILE_WRITEERROR = 4;
constexpr int FS_FILE_USERABORT = 5;
constexpr int FS_FILE_NOTSUPPORTED = 6;

// The log callback's message type for an error that the user must see. The interface's own
// description lists no message types yet: this value is to be confirmed there.
constexpr int kLogImportantError = 6;

constexpr int FS_EXEC_OK = 0;
constexpr int FS_EXEC_ERROR = 1;
constexpr int FS_EXEC_YOURSELF = -1;
constexpr int FS_EXEC_SYMLINK = -2;

constexpr int CONTENT_DELAYIFSLOW = 1;
constexpr int ft_nomorefields = 0;
constexpr int ft_delayed = 0;

}  // namespace tf
