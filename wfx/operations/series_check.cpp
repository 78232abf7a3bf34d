#include "operations/series_check.h"

#include <array>
#include <climits>
#include <set>
#include <string>
#include <string_view>

#include "host/file_access.h"
#include "host/interface.h"
#include "host/text.h"
#include "listing/folder_names.h"
#include "operations/series.h"

namespace tf {

namespace {

bool IsSeparator(WCHAR c) { return c == L'\\' || c == L'/'; }

// Characters that a search pattern reads as wildcards, or that no file name holds.
bool IsPlainNameText(std::wstring_view text) {
    for (const WCHAR c : text) {
        if (c < 0x20 || IsSeparator(c) || std::wstring_view(L"*?<>\"|:").find(c) != std::wstring_view::npos) return false;
    }
    return true;
}

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
        size_t separator = before.size();
        while (separator > 0 && !IsSeparator(before[separator - 1])) --separator;
        nameStart = separator;
        const std::wstring_view prefix = before.substr(nameStart);
        // Names that end in a dot or a space reach the system trimmed, under another name than
        // a search shows: those, and members spread over folders, are asked for one by one.
        const std::wstring_view last = after.empty() ? std::wstring_view{} : after.substr(after.size() - 1);
        searchable = nameStart > 0 && IsPlainNameText(prefix) && IsPlainNameText(after) && last != L"." && last != L" ";
        if (searchable) pattern = std::wstring(before) + L"*" + std::wstring(after);
        return true;
    }
    std::wstring_view Folder() const { return before.substr(0, nameStart); }
    std::wstring_view FileName(const WCHAR* member) const {
        const std::wstring_view local = LocalPath(member);
        return local.substr(nameStart);
    }
};

bool SameFolder(const Side& a, const Side& b) {
    if (Folded(a.Folder()) == Folded(b.Folder())) return true;
    const std::wstring x(a.Folder()), y(b.Folder());
    return CompareFileIdentities(x.c_str(), y.c_str()) == Sameness::Same;
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A member the check cannot tell about: from there on the walk decides. The names of later
// members are no shorter, so a name too long to look up would stay so for every one of a range
// that may run to the largest counter.
constexpr int kNoVerdict = -1;
// A copy cannot copy a folder: the walk's copy of that member fails as not found.
constexpr int kFolderCopied = FS_FILE_NOTFOUND;

// The check over one listing per folder.
class SearchedCheck {
public:
    SearchedCheck(const SeriesWalk& walk, const Side& source, const Side& target, bool move, int inTheWay)
        : walk_(walk), source_(source), target_(target), move_(move), inTheWay_(inTheWay),
          sourcePrefix_(Folded(source.before.substr(source.nameStart))), sourceSuffix_(Folded(source.after)) {}

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

    int Source(const WCHAR* from) {
        bool folder = false;
        switch (sourceNames_.Find(source_.FileName(from), nullptr, &folder)) {
        case FolderNames::Answer::Absent: return FS_FILE_NOTFOUND;
        case FolderNames::Answer::Unknown: return kNoVerdict;
        case FolderNames::Answer::Present: break;
        }
        return folder && !move_ ? kFolderCopied : FS_FILE_OK;
    }

    int Target(long long k, const WCHAR* to) {
        std::wstring_view entry;
        switch (targetNames_->Find(target_.FileName(to), &entry)) {
        case FolderNames::Answer::Absent: return FS_FILE_OK;
        case FolderNames::Answer::Unknown: return kNoVerdict;
        case FolderNames::Answer::Present: break;
        }
        return MovedAwayBy(entry, k) ? FS_FILE_OK : inTheWay_;
    }

private:
    // Whether the entry in the target's place is a source member that the move takes away at or
    // before position k.
    bool MovedAwayBy(std::wstring_view entry, long long k) {
        if (!move_ || !sameFolder_) return false;
        const long long counter = CounterOf(entry, sourcePrefix_, sourceSuffix_, walk_.source.width);
        const long long position = counter < 0 ? 0 : walk_.PositionOf(counter);
        return position >= 1 && position <= k;
    }

    const SeriesWalk& walk_;
    const Side& source_;
    const Side& target_;
    bool move_;
    int inTheWay_;
    bool sameFolder_ = false;
    std::wstring sourcePrefix_;
    std::wstring sourceSuffix_;
    FolderNames sourceNames_;
    FolderNames otherNames_;
    FolderNames* targetNames_ = &otherNames_;
};

// The check by one question per member, where one search cannot see every member.
class QueriedCheck {
public:
    QueriedCheck(bool move, int inTheWay) : move_(move), inTheWay_(inTheWay) {}

    int Source(const WCHAR* from) {
        const FileIdentity source = FileIdentityLong(LocalPath(from));
        if (!source.known && source.error != ERROR_SUCCESS) return IsMissing(source.error) ? FS_FILE_NOTFOUND : kNoVerdict;
        if (source.folder && !move_) return kFolderCopied;
        if (move_ && source.known) movedAway_.insert({source.volume, source.indexHigh, source.indexLow});
        return FS_FILE_OK;
    }

    // A target that is a source member the move takes away at or before this position is no
    // obstacle. It is recognised by identity: the names may differ in any spelling the system
    // accepts (another route to the folder, trailing dots or spaces, letter case).
    int Target(long long, const WCHAR* to) {
        const FileIdentity target = FileIdentityLong(LocalPath(to));
        if (!target.known) {
            if (IsMissing(target.error)) return FS_FILE_OK;
            // Opened, but without an identity: there, and not known to be the source.
            return target.error == ERROR_SUCCESS ? inTheWay_ : kNoVerdict;
        }
        return movedAway_.count({target.volume, target.indexHigh, target.indexLow}) != 0 ? FS_FILE_OK : inTheWay_;
    }

private:
    bool move_;
    int inTheWay_;
    std::set<std::array<DWORD, 3>> movedAway_;
};

// The length of a member's file name as the system keeps it: trailing dots and spaces dropped.
size_t StoredNameLength(const WCHAR* member) {
    std::wstring_view name = LocalPath(member);
    size_t start = name.size();
    while (start > 0 && !IsSeparator(name[start - 1])) --start;
    name.remove_prefix(start);
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.remove_suffix(1);
    return name.size();
}

// Every position in walk order, up to the first that the check says fails, with the failures the
// walk meets before it reaches the file system: a path the branch refuses, a name too long for
// the volume.
template <typename Check>
int CheckInOrder(const SeriesWalk& walk, Check& check, DWORD longestName) {
    WCHAR from[kMemberNameBuffer];
    WCHAR to[kMemberNameBuffer];
    for (long long k = 1; k <= walk.count; ++k) {
        if (!walk.Names(k, from, to)) return FS_FILE_WRITEERROR;
        if (!IsItemPath(from) || !IsItemPath(to)) return FS_FILE_NOTFOUND;
        if (!PathPasses(LocalPath(from)) || !PathPasses(LocalPath(to))) return FS_FILE_WRITEERROR;
        int result = check.Source(from);
        if (result == FS_FILE_OK && StoredNameLength(to) > longestName) result = FS_FILE_WRITEERROR;
        if (result == FS_FILE_OK) result = check.Target(k, to);
        if (result == kNoVerdict) return FS_FILE_OK;
        if (result != FS_FILE_OK) return result;
    }
    return FS_FILE_OK;
}

}  // namespace

int CheckSeriesWalk(const SeriesWalk& walk, bool move, int inTheWay) noexcept {
    try {
        Side source, target;
        if (!source.Prepare(walk.oldName) || !target.Prepare(walk.newName)) return FS_FILE_OK;
        const DWORD longestName = MaxNameLength(std::wstring(target.Folder()).c_str());
        if (UseWideApi() && source.searchable && target.searchable) {
            SearchedCheck check(walk, source, target, move, inTheWay);
            if (!check.Read()) return FS_FILE_OK;
            return CheckInOrder(walk, check, longestName);
        }
        QueriedCheck check(move, inTheWay);
        return CheckInOrder(walk, check, longestName);
    } catch (...) {
        // Without memory for the folder's names the check cannot tell; the walk needs none.
        return FS_FILE_OK;
    }
}

}  // namespace tf
