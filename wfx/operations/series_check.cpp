#include "operations/series_check.h"

#include <array>
#include <climits>
#include <map>
#include <string>
#include <string_view>

#include "host/file_access.h"
#include "host/interface.h"
#include "host/text.h"
#include "listing/folder_names.h"
#include "operations/series.h"

namespace tf {

namespace {

std::wstring Folded(std::wstring_view text) {
    std::wstring out(text.size() + 1, L'\0');
    if (!FoldFileName(text, out.data(), static_cast<int>(out.size()))) return {};
    out.pop_back();
    return out;
}

// The counter of a member name (folded) of the range prefix<counter>suffix (folded), written as
// BuildMemberName writes it: zeros up to the width, no more. -1 when the name is no such member.
long long CounterOf(std::wstring_view name, std::wstring_view prefix, std::wstring_view suffix, int width) {
    if (name.size() <= prefix.size() + suffix.size()) return -1;
    if (name.substr(0, prefix.size()) != prefix || name.substr(name.size() - suffix.size()) != suffix) return -1;
    const std::wstring_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    long long value = 0;
    for (const WCHAR c : digits) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
        if (value > INT_MAX) return -1;
    }
    WCHAR text[12];
    const size_t written = static_cast<size_t>(WideLength(IntToText(static_cast<int>(value), text, 10)));
    const size_t expected = width > 0 && static_cast<size_t>(width) > written ? static_cast<size_t>(width) : written;
    return digits.size() == expected ? value : -1;
}

// One side of the walk, source or target: the local text around the counter, and whether its
// members lie in one folder where one search prefix*suffix finds every one of them.
struct Side {
    std::wstring_view before;  // local path before the counter, folder included
    std::wstring_view after;
    size_t nameStart = 0;      // where the file name begins in `before`
    bool searchable = false;
    std::wstring pattern;

    bool Prepare(const WCHAR* rangeName) {
        std::wstring_view plugin;
        if (!SplitRangeName(rangeName, plugin, after) || plugin.empty()) return false;
        before = plugin.substr(1);
        nameStart = LastComponentAt(before);
        const std::wstring_view prefix = before.substr(nameStart);
        // Names that end in a dot or a space reach the system trimmed, under another name than
        // a search shows: those, and members spread over folders, are asked for one by one.
        const std::wstring_view last = after.empty() ? std::wstring_view{} : after.substr(after.size() - 1);
        searchable = nameStart > 0 && IsFileNameText(prefix) && IsFileNameText(after) && last != L"." && last != L" ";
        if (searchable) pattern = std::wstring(before) + L"*" + std::wstring(after);
        return true;
    }
    std::wstring_view Folder() const { return before.substr(0, nameStart); }
    std::wstring_view FileName(const WCHAR* member) const {
        const std::wstring_view local = LocalPath(member);
        return local.substr(nameStart);
    }
};

// A folder path with "." and ".." resolved and folded, as the system reads it; empty when it
// cannot be resolved.
std::wstring ResolvedFolder(std::wstring_view folder) {
    const std::wstring path(folder);
    std::wstring full(kLongPathBuffer, L'\0');
    const DWORD chars = GetFullPathNameW(path.c_str(), kLongPathBuffer, full.data(), nullptr);
    if (chars == 0 || chars >= static_cast<DWORD>(kLongPathBuffer)) return {};
    full.resize(chars);
    return Folded(full);
}

// One folder, spelled alike, spelled with "." or "..", or reached by another route.
bool SameFolder(const Side& a, const Side& b) {
    if (Folded(a.Folder()) == Folded(b.Folder())) return true;
    const std::wstring x = ResolvedFolder(a.Folder());
    if (!x.empty() && x == ResolvedFolder(b.Folder())) return true;
    const std::wstring first(a.Folder()), second(b.Folder());
    return CompareFileIdentities(first.c_str(), second.c_str()) == Sameness::Same;
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A member the check cannot tell about: from there on the walk decides. The names of later
// members are no shorter, so a name too long to look up would stay so for every one of a range
// that may run to the largest counter.
constexpr int kNoVerdict = -1;
// A copy cannot copy a folder: the walk's copy of that member fails as not found.
constexpr int kFolderCopied = FS_FILE_NOTFOUND;

// The position of a source counter in counter order (1 for the first member); 0 outside the range.
long long ForwardPosition(const SeriesWalk& walk, long long counter) {
    return counter < walk.source.first || counter > walk.source.last ? 0 : counter - walk.source.first + 1;
}

std::wstring_view WithoutTrailingDotsAndSpaces(std::wstring_view name) {
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.remove_suffix(1);
    return name;
}

using IdentityKey = std::array<DWORD, 3>;
IdentityKey KeyOf(const FileIdentity& id) { return {id.volume, id.indexHigh, id.indexLow}; }

// The identity of the source member at a position in counter order; not known when its name
// cannot be built.
FileIdentity SourceIdentity(const SeriesWalk& walk, long long position) {
    WCHAR name[kMemberNameBuffer];
    const int counter = static_cast<int>(walk.source.first + (position - 1));
    if (!BuildMemberName(name, kMemberNameBuffer, walk.oldName, counter, walk.source.width) || !IsItemPath(name)) {
        return {false, ERROR_INVALID_NAME, INVALID_FILE_ATTRIBUTES, 0, 0, 0, 0};
    }
    return FileIdentityLong(LocalPath(name));
}

// The source members by identity, read only when a target may be one of them under another name
// (a hard link): a file with a single name is no other file's.
class SourceIdentities {
public:
    explicit SourceIdentities(const SeriesWalk& walk) : walk_(walk) {}

    // The position of the source member that is this target file; 0 when none is known to be.
    long long PositionOf(const FileIdentity& target) {
        if (!target.known || target.links < 2) return 0;
        if (!read_) Read();
        const auto found = positions_.find(KeyOf(target));
        return found == positions_.end() ? 0 : found->second;
    }

private:
    // Up to the first member that cannot be read: the check stops there too.
    void Read() {
        read_ = true;
        for (long long k = 1; k <= walk_.count; ++k) {
            const FileIdentity member = SourceIdentity(walk_, k);
            if (!member.known) break;
            positions_.emplace(KeyOf(member), k);
        }
    }

    const SeriesWalk& walk_;
    bool read_ = false;
    std::map<IdentityKey, long long> positions_;
};

// What stands in a target member's place.
struct TargetEntry {
    enum class Kind { Absent, Present, Unknown } kind = Kind::Absent;
    DWORD attributes = 0;
    long long sourceAt = 0;  // position of the source member this entry is; 0 when none is known
    bool byName = false;     // that member's own name in the source's folder, not another name of its file
};

// The rules both ways of looking share: the source side's name in folded form, and what a target
// file that is no source member means.
struct CheckBase {
    CheckBase(const SeriesWalk& walk, const Side& source, const Side& target, bool move, ExistingTarget existing)
        : walk_(walk), source_(source), target_(target), move_(move), existing_(existing), identities_(walk),
          sourcePrefix_(Folded(source.before.substr(source.nameStart))),
          sourceSuffix_(Folded(WithoutTrailingDotsAndSpaces(source.after))) {}

    // The source position whose member name (folded, trailing dots and spaces dropped) this is.
    long long PositionByName(std::wstring_view foldedName) const {
        if (!sameFolder_) return 0;
        return ForwardPosition(walk_, CounterOf(WithoutTrailingDotsAndSpaces(foldedName), sourcePrefix_, sourceSuffix_,
                                                walk_.source.width));
    }

    // A download may write over a hard link of a source member: that member is then read first.
    void FindOtherName(const WCHAR* to, TargetEntry& entry, const FileIdentity* known = nullptr) {
        if (entry.byName || existing_ == ExistingTarget::Refused) return;
        entry.sourceAt = identities_.PositionOf(known != nullptr ? *known : FileIdentityLong(LocalPath(to)));
    }

    const SeriesWalk& walk_;
    const Side& source_;
    const Side& target_;
    bool move_;
    ExistingTarget existing_;
    SourceIdentities identities_;
    std::wstring sourcePrefix_;
    std::wstring sourceSuffix_;
    bool sameFolder_ = false;
};

// The check over one listing per folder.
class SearchedCheck : CheckBase {
public:
    SearchedCheck(const SeriesWalk& walk, const Side& source, const Side& target, bool move, ExistingTarget existing)
        : CheckBase(walk, source, target, move, existing) {}

    // False when a folder cannot be searched: the check then has no verdict.
    bool Read() {
        sameFolder_ = SameFolder(source_, target_);
        if (!sourceNames_.Read(source_.pattern.c_str())) return false;
        if (sameFolder_) {
            targetNames_ = &sourceNames_;
            if (Folded(source_.pattern) == Folded(target_.pattern)) return true;
        }
        return targetNames_->Read(target_.pattern.c_str());
    }

    int Source(const WCHAR* from, bool& folder) {
        DWORD attributes = 0;
        switch (sourceNames_.Find(source_.FileName(from), nullptr, &attributes)) {
        case FolderNames::Answer::Absent: return FS_FILE_NOTFOUND;
        case FolderNames::Answer::Unknown: return kNoVerdict;
        case FolderNames::Answer::Present: break;
        }
        folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return folder && !move_ ? kFolderCopied : FS_FILE_OK;
    }

    // One name in one folder is one file: a target with a source member's name is that member.
    TargetEntry Target(const WCHAR* to) {
        TargetEntry entry;
        std::wstring_view name;
        switch (targetNames_->Find(target_.FileName(to), &name, &entry.attributes)) {
        case FolderNames::Answer::Absent: return entry;
        case FolderNames::Answer::Unknown: entry.kind = TargetEntry::Kind::Unknown; return entry;
        case FolderNames::Answer::Present: break;
        }
        entry.kind = TargetEntry::Kind::Present;
        entry.sourceAt = PositionByName(name);
        entry.byName = entry.sourceAt != 0;
        FindOtherName(to, entry);
        return entry;
    }

private:
    FolderNames sourceNames_;
    FolderNames otherNames_;
    FolderNames* targetNames_ = &otherNames_;
};

// The check by one question per member, where one search cannot see every member. A target is a
// source member by name only when its identity proves it too: an identity that cannot be read
// proves nothing.
class QueriedCheck : CheckBase {
public:
    QueriedCheck(const SeriesWalk& walk, const Side& source, const Side& target, bool move, ExistingTarget existing)
        : CheckBase(walk, source, target, move, existing) {
        sameFolder_ = SameFolder(source, target);
    }

    int Source(const WCHAR* from, bool& folder) {
        const FileIdentity source = FileIdentityLong(LocalPath(from));
        if (!source.known && source.error != ERROR_SUCCESS) return IsMissing(source.error) ? FS_FILE_NOTFOUND : kNoVerdict;
        folder = source.folder();
        return folder && !move_ ? kFolderCopied : FS_FILE_OK;
    }

    TargetEntry Target(const WCHAR* to) {
        TargetEntry entry;
        const FileIdentity target = FileIdentityLong(LocalPath(to));
        if (!target.known && target.error != ERROR_SUCCESS) {
            if (!IsMissing(target.error)) entry.kind = TargetEntry::Kind::Unknown;
            return entry;
        }
        entry.kind = TargetEntry::Kind::Present;
        entry.attributes = target.attributes;
        if (!target.known) return entry;
        const long long position = PositionByName(Folded(target_.FileName(to)));
        if (position != 0 && SameFile(target, SourceIdentity(walk_, position))) {
            entry.sourceAt = position;
            entry.byName = true;
        }
        FindOtherName(to, entry, &target);
        return entry;
    }
};

// Whether the walk must run forward or backward so that every source member is read before a
// target of the same file is written; both at once: no order does.
struct WalkOrder {
    bool forward = false;
    bool backward = false;
    void ReadBefore(long long sourcePosition, long long targetPosition) {
        (sourcePosition < targetPosition ? forward : backward) = true;
    }
};

// An entry there that no move takes away before its name is written.
int ExistingVerdict(DWORD attributes, bool sourceFolder, ExistingTarget existing) {
    // No file replaces a folder, and no folder a file.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || sourceFolder) return FS_FILE_WRITEERROR;
    switch (existing) {
    case ExistingTarget::Refused: return FS_FILE_WRITEERROR;
    case ExistingTarget::Asked: return FS_FILE_EXISTS;
    case ExistingTarget::Replaced: break;
    }
    // Windows refuses to replace a read-only file.
    return (attributes & FILE_ATTRIBUTE_READONLY) ? FS_FILE_WRITEERROR : FS_FILE_OK;
}

int TargetVerdict(const TargetEntry& entry, long long k, bool move, bool sourceFolder, ExistingTarget existing,
                  WalkOrder& order) {
    switch (entry.kind) {
    case TargetEntry::Kind::Absent: return FS_FILE_OK;
    case TargetEntry::Kind::Unknown: return kNoVerdict;
    case TargetEntry::Kind::Present: break;
    }
    if (entry.sourceAt == k) {
        // A rename onto itself changes nothing; a copy or a download would read the file it writes.
        return entry.byName && move && existing == ExistingTarget::Refused ? FS_FILE_OK : FS_FILE_WRITEERROR;
    }
    if (entry.sourceAt != 0) {
        order.ReadBefore(entry.sourceAt, k);
        // A move takes that member's name away before this target is written.
        if (entry.byName && move) return FS_FILE_OK;
    }
    return ExistingVerdict(entry.attributes, sourceFolder, existing);
}

// The length of a member's file name as the system keeps it: trailing dots and spaces dropped.
size_t StoredNameLength(const WCHAR* member) {
    const std::wstring_view name = LocalPath(member);
    return WithoutTrailingDotsAndSpaces(name.substr(LastComponentAt(name))).size();
}

// Every position in counter order, up to the first that fails, with the failures the walk meets
// before it reaches the file system (a path the branch refuses, a name too long for the volume);
// then the walk's direction.
template <typename Check>
int CheckAndOrder(SeriesWalk& walk, Check& check, bool move, ExistingTarget existing, DWORD longestName) {
    SeriesWalk forward = walk;
    forward.backward = false;
    WalkOrder order;
    WCHAR from[kMemberNameBuffer];
    WCHAR to[kMemberNameBuffer];
    for (long long k = 1; k <= forward.count; ++k) {
        if (!forward.Names(k, from, to)) return FS_FILE_WRITEERROR;
        if (!IsItemPath(from) || !IsItemPath(to)) return FS_FILE_NOTFOUND;
        if (!PathPasses(LocalPath(from)) || !PathPasses(LocalPath(to))) return FS_FILE_WRITEERROR;
        bool sourceFolder = false;
        int result = check.Source(from, sourceFolder);
        if (result == FS_FILE_OK && StoredNameLength(to) > longestName) result = FS_FILE_WRITEERROR;
        if (result == FS_FILE_OK) result = TargetVerdict(check.Target(to), k, move, sourceFolder, existing, order);
        if (result == kNoVerdict) break;
        if (result != FS_FILE_OK) return result;
    }
    if (order.forward && order.backward) return FS_FILE_WRITEERROR;
    if (order.forward || order.backward) walk.backward = order.backward;
    return FS_FILE_OK;
}

}  // namespace

int CheckSeriesWalk(SeriesWalk& walk, bool move, ExistingTarget existing) noexcept {
    try {
        Side source, target;
        if (!source.Prepare(walk.oldName) || !target.Prepare(walk.newName)) return FS_FILE_OK;
        const DWORD longestName = MaxNameLength(std::wstring(target.Folder()).c_str());
        if (UseWideApi() && source.searchable && target.searchable) {
            SearchedCheck check(walk, source, target, move, existing);
            if (!check.Read()) return FS_FILE_OK;
            return CheckAndOrder(walk, check, move, existing, longestName);
        }
        QueriedCheck check(walk, source, target, move, existing);
        return CheckAndOrder(walk, check, move, existing, longestName);
    } catch (...) {
        // Without memory for the folder's names the check cannot tell; the walk needs none.
        return FS_FILE_OK;
    }
}

}  // namespace tf
