// The names of the file operations' answer codes, as the commands print them.
#include "host.h"

namespace tfhost {

const wchar_t* FileCodeName(int code) {
    static constexpr const wchar_t* kNames[] = {L"FS_FILE_OK",         L"FS_FILE_EXISTS",     L"FS_FILE_NOTFOUND",
                                                L"FS_FILE_READERROR",  L"FS_FILE_WRITEERROR", L"FS_FILE_USERABORT",
                                                L"FS_FILE_NOTSUPPORTED"};
    if (code < 0 || code >= static_cast<int>(sizeof kNames / sizeof kNames[0])) return L"FS_FILE_UNKNOWN";
    return kNames[code];
}

}  // namespace tfhost
