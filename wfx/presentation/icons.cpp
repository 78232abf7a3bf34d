// Custom icons: the drive icon for the root and the drive entries, a program's own icon for
// ".exe" files, and for a series entry whatever its first member gets.
#include <iterator>
#include <string_view>

#include "host/exports.h"
#include "host/file_access.h"
#include "host/state.h"
#include "host/text.h"
#include "listing/range_name.h"
#include "presentation/presentation.h"

namespace tf {

namespace {

constexpr WCHAR kDriveIconCacheName[] = L"ICON2";
constexpr WCHAR kParentEntry[] = L"\\..\\";
// The root and drive entries ("\", "\C:\") are at most this long.
constexpr int kDriveEntryChars = 4;

int IconForEntry(WCHAR* name, int flags, HICON* icon) {
    const int length = WideLength(name);
    if (length == 0) return FS_ICON_USEDEFAULT;
    if (name[length - 1] == L'\\') {
        if (length > kDriveEntryChars || EqualsFoldAscii(name, kParentEntry)) return FS_ICON_USEDEFAULT;
        // A shared icon: every call hands out the same handle, which the host must not destroy.
        // The system picks the group's image drawn for the size it loads: 16 x 16 for the small
        // form, its own icon size (32 x 32 at the usual scaling) for the large one.
        if (flags & FS_ICONFLAG_SMALL) {
            *icon = static_cast<HICON>(LoadImageA(g_state.moduleInstance, MAKEINTRESOURCEA(kDriveIconId), IMAGE_ICON,
                                                  kSmallIconPixels, kSmallIconPixels, LR_SHARED));
        } else {
            *icon = LoadIconA(g_state.moduleInstance, MAKEINTRESOURCEA(kDriveIconId));
        }
        CopyBounded(name, kDriveIconCacheName, static_cast<int>(std::size(kDriveIconCacheName)));
        return FS_ICON_EXTRACTED;
    }
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = name + length; p != name;) {
        if (*--p == L'.') {
            dot = p;
            break;
        }
    }
    if (dot == nullptr || !EqualsFoldAscii(dot, L".exe")) return FS_ICON_USEDEFAULT;
    // Reading a program's icon means opening the file, which may sit on a slow drive: only a
    // call that the host makes in the background does that.
    if (!(flags & FS_ICONFLAG_BACKGROUND)) return FS_ICON_DELAYED;
    const bool small = (flags & FS_ICONFLAG_SMALL) != 0;
    const UINT extracted = ExtractFileIcon(name + 1, small ? nullptr : icon, small ? icon : nullptr);
    return extracted == 1 ? FS_ICON_EXTRACTED_DESTROY : FS_ICON_USEDEFAULT;
}

}  // namespace

int CustomIcon(WCHAR* remoteName, int flags, HICON* icon) {
    if (remoteName == nullptr || icon == nullptr) return FS_ICON_USEDEFAULT;
    // A series entry answers for its first member; the member name lives in our own buffers, so
    // the host's name stays as it was. Each round removes one range, so the loop ends.
    WCHAR members[2][kMemberNameBuffer];
    WCHAR* name = remoteName;
    for (int round = 0;; ++round) {
        RangeSpec range;
        if (!ParseRangeName(name, range)) break;
        WCHAR* member = members[round % 2];
        if (!BuildMemberName(member, kMemberNameBuffer, name, range.first, range.width)) return FS_ICON_USEDEFAULT;
        name = member;
    }
    return IconForEntry(name, flags, icon);
}

}  // namespace tf

int WINAPI FsExtractCustomIconW(WCHAR* remoteName, int extractFlags, HICON* icon) noexcept {
    return tf::CustomIcon(remoteName, extractFlags, icon);
}

int WINAPI FsExtractCustomIcon(char* remoteName, int extractFlags, HICON* icon) noexcept {
    tf::WideArg name;
    if (remoteName == nullptr || !tf::ToWideArg(remoteName, name)) return tf::FS_ICON_USEDEFAULT;
    WCHAR original[tf::kNarrowArgBuffer];
    tf::CopyBounded(original, name.ptr, tf::kNarrowArgBuffer);
    const int answer = tf::CustomIcon(name.ptr, extractFlags, icon);
    // Only a cache name ("ICON2") changes the name; it goes back into the host's 260-byte buffer.
    if (std::wstring_view(original) != std::wstring_view(name.ptr)) {
        tf::ToNarrowCut(name.ptr, remoteName, tf::kNarrowNameBytes);
        // The host's buffer ends in a zero whatever the name's length.
        remoteName[tf::kNarrowNameBytes - 1] = 0;
    }
    return answer;
}
