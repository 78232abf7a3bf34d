// The local-name exports: the local path behind a plugin path, for a series entry the path of
// its first member.
#include <cstring>
#include <iterator>

#include "host/exports.h"
#include "host/text.h"
#include "listing/range_name.h"

using namespace tf;

namespace {

// Names the host may ask about: a backslash, then at least two characters of local path.
constexpr int kShortestPluginPath = 3;

}  // namespace

BOOL WINAPI FsGetLocalNameW(WCHAR* remoteName, int maxlen) noexcept {
    if (remoteName == nullptr || maxlen < 1) return FALSE;
    const int length = WideLength(remoteName);
    if (length < kShortestPluginPath || remoteName[0] != L'\\') return FALSE;

    RangeSpec range;
    if (ParseRangeName(remoteName, range)) {
        WCHAR member[kMemberNameBuffer];
        if (!BuildMemberName(member, static_cast<int>(std::size(member)), remoteName, range.first, range.width)) {
            return FALSE;
        }
        // A cut local path would name another file: answer only with the whole path.
        const WCHAR* local = member + 1;
        if (WideLength(local) > maxlen - 1) return FALSE;
        CopyBounded(remoteName, local, maxlen);
        return TRUE;
    }
    if (length - 1 > maxlen - 1) return FALSE;
    std::memmove(remoteName, remoteName + 1, static_cast<size_t>(length) * sizeof(WCHAR));
    return TRUE;
}

BOOL WINAPI FsGetLocalName(char* remoteName, int) noexcept {
    // The narrow form answers with the local path as the host wrote it, series entries included.
    if (remoteName == nullptr) return FALSE;
    const size_t length = std::strlen(remoteName);
    if (length < kShortestPluginPath || remoteName[0] != '\\') return FALSE;
    std::memmove(remoteName, remoteName + 1, length);
    return TRUE;
}

BOOL WINAPI FsLinksToLocalFiles() noexcept { return TRUE; }
