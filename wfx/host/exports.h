// The 41 exports of the plugin, as the host calls them. Each subsystem defines its own.
#pragma once
#include <windows.h>

#include "host/interface.h"

// Exported through wfx/resources/Tallyfold.def only, so both builds carry the undecorated names.
#define TF_EXPORT extern "C"

TF_EXPORT int WINAPI FsInit(int pluginNr, tf::ProgressProcA progress, tf::LogProcA log, tf::RequestProcA request) noexcept;
TF_EXPORT int WINAPI FsInitW(int pluginNr, tf::ProgressProcW progress, tf::LogProcW log, tf::RequestProcW request) noexcept;
TF_EXPORT HANDLE WINAPI FsFindFirst(char* path, WIN32_FIND_DATAA* findData) noexcept;
TF_EXPORT HANDLE WINAPI FsFindFirstW(WCHAR* path, WIN32_FIND_DATAW* findData) noexcept;
TF_EXPORT BOOL WINAPI FsFindNext(HANDLE handle, WIN32_FIND_DATAA* findData) noexcept;
TF_EXPORT BOOL WINAPI FsFindNextW(HANDLE handle, WIN32_FIND_DATAW* findData) noexcept;
TF_EXPORT int WINAPI FsFindClose(HANDLE handle) noexcept;
TF_EXPORT BOOL WINAPI FsMkDir(char* path) noexcept;
TF_EXPORT BOOL WINAPI FsMkDirW(WCHAR* path) noexcept;
TF_EXPORT BOOL WINAPI FsRemoveDir(char* remoteName) noexcept;
TF_EXPORT BOOL WINAPI FsRemoveDirW(WCHAR* remoteName) noexcept;
TF_EXPORT BOOL WINAPI FsDeleteFile(char* remoteName) noexcept;
TF_EXPORT BOOL WINAPI FsDeleteFileW(WCHAR* remoteName) noexcept;
TF_EXPORT int WINAPI FsRenMovFile(char* oldName, char* newName, BOOL move, BOOL overwrite, tf::RemoteInfoStruct* ri) noexcept;
TF_EXPORT int WINAPI FsRenMovFileW(WCHAR* oldName, WCHAR* newName, BOOL move, BOOL overwrite, tf::RemoteInfoStruct* ri) noexcept;
TF_EXPORT int WINAPI FsGetFile(char* remoteName, char* localName, int copyFlags, tf::RemoteInfoStruct* ri) noexcept;
TF_EXPORT int WINAPI FsGetFileW(WCHAR* remoteName, WCHAR* localName, int copyFlags, tf::RemoteInfoStruct* ri) noexcept;
TF_EXPORT int WINAPI FsPutFile(char* localName, char* remoteName, int copyFlags) noexcept;
TF_EXPORT int WINAPI FsPutFileW(WCHAR* localName, WCHAR* remoteName, int copyFlags) noexcept;
TF_EXPORT BOOL WINAPI FsSetAttr(char* remoteName, int newAttr) noexcept;
TF_EXPORT BOOL WINAPI FsSetAttrW(WCHAR* remoteName, int newAttr) noexcept;
TF_EXPORT BOOL WINAPI FsSetTime(char* remoteName, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) noexcept;
TF_EXPORT BOOL WINAPI FsSetTimeW(WCHAR* remoteName, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) noexcept;
TF_EXPORT int WINAPI FsExecuteFile(HWND mainWin, char* remoteName, char* verb) noexcept;
TF_EXPORT int WINAPI FsExecuteFileW(HWND mainWin, WCHAR* remoteName, WCHAR* verb) noexcept;
TF_EXPORT int WINAPI FsExtractCustomIcon(char* remoteName, int extractFlags, HICON* icon) noexcept;
TF_EXPORT int WINAPI FsExtractCustomIconW(WCHAR* remoteName, int extractFlags, HICON* icon) noexcept;
TF_EXPORT int WINAPI FsGetPreviewBitmap(char* remoteName, int width, int height, HBITMAP* bitmap) noexcept;
TF_EXPORT int WINAPI FsGetPreviewBitmapW(WCHAR* remoteName, int width, int height, HBITMAP* bitmap) noexcept;
TF_EXPORT BOOL WINAPI FsGetLocalName(char* remoteName, int maxlen) noexcept;
TF_EXPORT BOOL WINAPI FsGetLocalNameW(WCHAR* remoteName, int maxlen) noexcept;
TF_EXPORT int WINAPI FsContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue, int maxlen, int flags) noexcept;
TF_EXPORT int WINAPI FsContentGetValueW(WCHAR* fileName, int fieldIndex, int unitIndex, void* fieldValue, int maxlen, int flags) noexcept;
TF_EXPORT int WINAPI FsContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxlen) noexcept;
TF_EXPORT int WINAPI FsContentGetSupportedFieldFlags(int fieldIndex) noexcept;
TF_EXPORT int WINAPI FsContentGetDefaultSortOrder(int fieldIndex) noexcept;
TF_EXPORT void WINAPI FsGetDefRootName(char* defRootName, int maxlen) noexcept;
TF_EXPORT void WINAPI FsSetDefaultParams(tf::FsDefaultParamStruct* dps) noexcept;
TF_EXPORT BOOL WINAPI FsLinksToLocalFiles() noexcept;
TF_EXPORT void WINAPI FsStatusInfo(char* remoteDir, int infoStartEnd, int infoOperation) noexcept;
TF_EXPORT void WINAPI FsContentPluginUnloading() noexcept;
