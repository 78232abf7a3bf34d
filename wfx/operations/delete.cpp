// Deleting an entry: a plain file at once; a series member by member, after the plugin's own
// warning, because the members go directly and not to the recycle bin.
#include <iterator>

#include "host/activation_context.h"
#include "host/exports.h"
#include "host/file_access.h"
#include "operations/each_member.h"

namespace tf {
namespace {

// The warning text: 1024 characters of room, at most 1022 of text.
constexpr int kWarningBuffer = 1024;
constexpr int kWarningLimit = kWarningBuffer - 1;
constexpr WCHAR kCaption[] = L"Tallyfold";

const WCHAR* FileNamePart(const WCHAR* pluginPath) {
    const WCHAR* name = pluginPath;
    for (const WCHAR* p = pluginPath; *p != 0; ++p) {
        if (*p == L'\\') name = p + 1;
    }
    return name;
}

// Names the count and the first and last member, whatever the count. False when a member name
// cannot be built (nothing may be deleted without the warning then).
bool BuildDeleteWarning(WCHAR* text, const WCHAR* pluginPath, const RangeSpec& range) {
    const long long count = static_cast<long long>(range.last) - range.first + 1;
    wsprintfW(text, L"WARNING: This will delete %I64d files DIRECTLY (no recycle bin)!\n\n", count);
    const WCHAR* fileName = FileNamePart(pluginPath);
    WCHAR member[kMemberNameBuffer];
    if (!BuildMemberName(member, kMemberNameBuffer, fileName, range.first, range.width)) return false;
    AppendBounded(text, member, kWarningLimit);
    AppendBounded(text, L"\n...\n", kWarningLimit);
    if (!BuildMemberName(member, kMemberNameBuffer, fileName, range.last, range.width)) return false;
    AppendBounded(text, member, kWarningLimit);
    AppendBounded(text, L"\n\nProceed?", kWarningLimit);
    return true;
}

int AskToDelete(const WCHAR* text) {
    const ModuleActivationContext themed;
    return MessageBoxW(GetActiveWindow(), text, kCaption, MB_YESNO | MB_DEFBUTTON2);
}

BOOL DeleteSeries(const WCHAR* pluginPath, const RangeSpec& range) {
    // A range without members (last below first, or no last at all) names no series: asking
    // to "delete -1 files" and then answering success would tell the host the entry is gone.
    if (MemberCount(range.first, range.last) < 1) return kOpFailed;
    WCHAR text[kWarningBuffer];
    if (!BuildDeleteWarning(text, pluginPath, range)) return kOpFailed;
    // Only an explicit Yes deletes: a box that could not be shown (0) has asked nobody.
    if (AskToDelete(text) != IDYES) return kOpFailed;
    return ForEachMember(pluginPath, range, [](const WCHAR* local) { return static_cast<bool>(DeleteFileLong(local)); });
}

}  // namespace
}  // namespace tf

using namespace tf;

BOOL WINAPI FsDeleteFileW(WCHAR* remoteName) noexcept {
    if (!IsItemPath(remoteName)) return kOpFailed;
    RangeSpec range;
    if (!ParseRangeName(remoteName, range)) return DeleteFileLong(LocalPath(remoteName)).ok;
    return DeleteSeries(remoteName, range);
}

BOOL WINAPI FsDeleteFile(char* remoteName) noexcept {
    WideArg name;
    if (!ToWideArg(remoteName, name)) return kOpFailed;
    return FsDeleteFileW(name.ptr);
}
