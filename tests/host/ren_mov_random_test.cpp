// Thousands of generated series renames, copies and downloads to a local range name on real files,
// within one folder and across two: random source ranges, target first, width, prefix, overlap from above and below, members
// missing, targets already present, cancels. A model of the folders predicts each outcome member
// by member; after every operation the folders must match it exactly, and, whatever the result,
// no file that existed before may have lost or changed its content. A failure that was there
// before the operation began (a member missing, a target in the way) changes no file at all.
//
// TF_RANDOM_ROUNDS sets the number of operations (default 1000), TF_RANDOM_SEED the seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

#include "support/folder_state.h"
#include "support/msgbox_hook.h"
#include "support/progress_recorder.h"
#include "support/support.h"

using namespace tftest;

namespace {

using RenMovWFn = int(WINAPI*)(WCHAR*, WCHAR*, BOOL, BOOL, void*);
using GetFileWFn = int(WINAPI*)(WCHAR*, WCHAR*, int, void*);

unsigned long EnvNumber(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == 0) return fallback;
    return std::strtoul(text, nullptr, 10);
}

std::wstring Counter(int value, int width) {
    std::wstring digits = std::to_wstring(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), L'0');
    return digits;
}

// One generated operation.
struct Case {
    int targetFolder = 0;  // 0: the source's folder, 1: the other one
    std::wstring prefix, suffix, targetPrefix, targetSuffix;
    int first = 0, last = 0, width = 0;
    int targetFirst = 0, targetLast = -1, targetWidth = 0;  // targetLast -1: left out of the name
    bool move = false, overwrite = false;
    bool get = false;  // a download to a local range name in the other folder; overwrite may replace
    int cancelAt = 0;  // 1-based report that answers cancel, 0 none

    std::wstring SourceRange() const {
        return prefix + L"<" + Counter(first, width) + L"-" + std::to_wstring(last) + L">" + suffix;
    }
    std::wstring TargetRange() const {
        std::wstring range = targetPrefix + L"<" + Counter(targetFirst, targetWidth);
        if (targetLast >= 0) range += L"-" + std::to_wstring(targetLast);
        return range + L">" + targetSuffix;
    }
    std::string Text() const {
        std::ostringstream out;
        out << (get ? "get " : "") << (move ? "move " : "copy ") << Narrow(SourceRange()) << " -> " << (targetFolder ? "other\\" : "")
            << Narrow(TargetRange()) << (overwrite ? " overwrite" : "") << " cancelAt " << cancelAt;
        return out.str();
    }
};

// The member pairs of the operation in the order the plugin walks them.
std::vector<std::pair<std::wstring, std::wstring>> WalkOrder(const Case& c, long long span, long long targetLast) {
    const bool backward = c.first < c.targetFirst && c.targetFirst <= c.last;
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    for (int step = 0; step <= span; ++step) {
        const int s = backward ? c.last - step : c.first + step;
        const int t = backward ? static_cast<int>(targetLast) - step : c.targetFirst + step;
        pairs.emplace_back(MemberName(c.prefix, s, c.width, c.suffix), MemberName(c.targetPrefix, t, c.targetWidth, c.targetSuffix));
    }
    return pairs;
}

// A failure known before the first member moves, in walk order: a source member that is not
// there (2), or a target that is there and is not a source member moved away at or before that
// position (4; 1 for a download, which replaces it when the user allowed it). The plugin answers
// it and touches nothing.
int Foreseen(const Case& c, const std::vector<std::pair<std::wstring, std::wstring>>& pairs, const FolderState (&folders)[2]) {
    for (size_t k = 0; k < pairs.size(); ++k) {
        const auto& [sourceName, targetName] = pairs[k];
        if (folders[0].count(sourceName) == 0) return 2;
        if (folders[c.targetFolder].count(targetName) == 0) continue;
        if (c.get) {
            if (c.overwrite) continue;
            return 1;
        }
        bool movedAway = false;
        for (size_t j = 0; j <= k && c.move && c.targetFolder == 0; ++j) movedAway = movedAway || pairs[j].first == targetName;
        if (!movedAway) return 4;
    }
    return 0;
}

// The operation as the plugin must carry it out, member by member, on a model of both folders.
int Predict(const Case& c, FolderState (&folders)[2]) {
    if (c.cancelAt == 1) return 5;
    if (c.last < c.first) return 4;
    const long long span = static_cast<long long>(c.last) - c.first;
    const long long targetLast = c.targetLast < 0 ? c.targetFirst + span : c.targetLast;
    if (targetLast - c.targetFirst != span) return 4;
    const auto pairs = WalkOrder(c, span, targetLast);
    if (const int foreseen = Foreseen(c, pairs, folders)) return foreseen;
    FolderState& from = folders[0];
    FolderState& to = folders[c.targetFolder];
    for (size_t k = 1; k <= pairs.size(); ++k) {
        const auto& [sourceName, targetName] = pairs[k - 1];
        // Past the check every member goes through: a move onto itself changes nothing.
        if (c.targetFolder != 0 || sourceName != targetName) {
            to[targetName] = from[sourceName];
            if (c.move) from.erase(sourceName);
        }
        if (c.cancelAt == static_cast<int>(k) + 1) return 5;
    }
    return 0;
}

class RandomRenames {
public:
    explicit RandomRenames(unsigned long seed) : rng_(seed) {}

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool Chance(int percent) { return Pick(1, 100) <= percent; }
    const wchar_t* OneOf(std::initializer_list<const wchar_t*> items) {
        return items.begin()[Pick(0, static_cast<int>(items.size()) - 1)];
    }

    Case Next() {
        Case c;
        c.prefix = OneOf({L"img", L"img0", L"p", L"scan_"});
        c.suffix = OneOf({L".png", L".png", L".tif", L""});
        c.width = Pick(0, 4);
        c.first = Pick(0, 14);
        const int count = Pick(1, 8);
        c.last = c.first + count - 1;
        // Now and then a source whose last is below its first.
        if (Chance(2) && c.first > 0) c.last = c.first - Pick(1, c.first);
        c.targetFolder = Chance(30) ? 1 : 0;
        c.targetPrefix = Chance(70) ? c.prefix : OneOf({L"img", L"img0", L"pic", L"p"});
        c.targetSuffix = Chance(85) ? c.suffix : OneOf({L".png", L".jpg"});
        c.targetWidth = Chance(50) ? c.width : Pick(0, 4);
        // Mostly ranges that overlap the source from below or above, or lie right next to it.
        c.targetFirst = std::max(0, c.first + Pick(-count - 1, count + 1));
        if (Chance(50)) c.targetLast = c.targetFirst + (c.last - c.first);
        if (Chance(3)) c.targetLast = c.targetFirst + Pick(0, 10);  // often of another length
        c.move = Chance(60);
        c.overwrite = Chance(30);
        c.get = Chance(20);
        if (c.get) c.targetFolder = 1;
        if (Chance(8)) c.cancelAt = Pick(1, count + 1);
        return c;
    }

    // Files of the round: the source members (some missing) and some targets already present.
    void Populate(const Case& c, FolderState (&folders)[2]) {
        for (int v = c.first; v <= std::max(c.first, c.last); ++v) {
            if (Chance(4)) continue;
            const std::wstring name = MemberName(c.prefix, v, c.width, c.suffix);
            folders[0][name] = Content("source " + Narrow(name));
        }
        if (Chance(35)) {
            for (int n = Pick(1, 2); n > 0; --n) {
                const int t = c.targetFirst + Pick(0, std::max(0, c.last - c.first));
                const std::wstring name = MemberName(c.targetPrefix, t, c.targetWidth, c.targetSuffix);
                FolderState& folder = folders[c.targetFolder];
                if (folder.count(name) == 0) folder[name] = Content("present " + Narrow(name));
            }
        }
    }

private:
    // Names what the file was created as, and has a length that no other content of the run has,
    // so that the sizes in a folder listing tell every file apart.
    std::string Content(const std::string& label) {
        std::string content = label + " #" + std::to_string(++serial_);
        content.resize(64 + static_cast<size_t>(serial_), '.');
        return content;
    }

    std::mt19937 rng_;
    int serial_ = 0;
};

bool Write(const std::wstring& folder, const FolderState& state) {
    for (const auto& [name, content] : state) {
        if (!WriteBytes(folder + L"\\" + name, content)) return false;
    }
    return true;
}

void Empty(const std::wstring& folder, const FolderState& state) {
    for (const auto& entry : state) DeleteFileW((folder + L"\\" + entry.first).c_str());
}

using Sizes = std::map<std::wstring, unsigned long long>;

// A content without its padding: what the file was created as.
std::string Label(const std::string& content) { return content.substr(0, content.find_last_not_of('.') + 1); }

std::string Labels(const FolderState& state) {
    std::string out;
    for (const auto& [name, content] : state) out += (out.empty() ? "" : ", ") + Narrow(name) + "=" + Label(content);
    return out;
}

// Names and sizes of the plain files in a folder, from one listing.
Sizes ListSizes(const std::wstring& folder) {
    Sizes sizes;
    WIN32_FIND_DATAW record;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &record);
    if (search == INVALID_HANDLE_VALUE) return sizes;
    do {
        if (!(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) sizes[record.cFileName] = record.nFileSizeLow;
    } while (FindNextFileW(search, &record));
    FindClose(search);
    return sizes;
}

Sizes SizesOf(const FolderState& state) {
    Sizes sizes;
    for (const auto& [name, content] : state) sizes[name] = content.size();
    return sizes;
}

// Every content that existed before is still there (contents are told apart by their sizes), but
// for the other folder's files the user allowed to be replaced. A move takes contents elsewhere
// but never drops one; a copy leaves every file as it was.
std::string LostContent(const FolderState (&before)[2], const Sizes (&after)[2], bool move,
                        const std::set<std::wstring>& replaceable) {
    std::multiset<unsigned long long> present;
    for (const Sizes& f : after) {
        for (const auto& entry : f) present.insert(entry.second);
    }
    for (int i = 0; i < 2; ++i) {
        for (const auto& [name, content] : before[i]) {
            if (i == 1 && replaceable.count(name)) continue;
            const auto found = after[i].find(name);
            if (move ? present.count(content.size()) == 0 : (found == after[i].end() || found->second != content.size())) {
                return Narrow(name) + " (" + Label(content) + ")";
            }
        }
    }
    return {};
}

TEST(RenMovRandom, EveryOperationMatchesTheModelAndLosesNoFile) {
    const unsigned long rounds = EnvNumber("TF_RANDOM_ROUNDS", 1000);
    const unsigned long seed = EnvNumber("TF_RANDOM_SEED", 20261208);
    TempDir dirs[2];
    const std::wstring paths[2] = {dirs[0].path(), dirs[1].path()};
    ProgressRecorder progress;
    progress.InitModule();
    MessageBoxHook boxes(IDOK);
    auto renMov = Module::Get().Fn<RenMovWFn>("FsRenMovFileW");
    auto get = Module::Get().Fn<GetFileWFn>("FsGetFileW");
    ASSERT_TRUE(renMov != nullptr && get != nullptr);

    RandomRenames gen(seed);
    int outcomes[6] = {};
    int gets = 0;
    for (unsigned long round = 0; round < rounds; ++round) {
        const Case c = gen.Next();
        FolderState before[2];
        gen.Populate(c, before);
        ASSERT_TRUE(Write(paths[0], before[0]) && Write(paths[1], before[1])) << "cannot create the round's files";

        FolderState expected[2] = {before[0], before[1]};
        const int predicted = Predict(c, expected);
        progress.Clear();
        progress.CancelAt(c.cancelAt);
        std::wstring from = dirs[0].Plugin(c.SourceRange());
        std::wstring to = c.get ? dirs[1] / c.TargetRange() : dirs[c.targetFolder].Plugin(c.TargetRange());
        const int result = c.get ? get(from.data(), to.data(), (c.overwrite ? 1 : 0) | (c.move ? 4 : 0), nullptr)
                                 : renMov(from.data(), to.data(), c.move, c.overwrite, nullptr);
        const Sizes after[2] = {ListSizes(paths[0]), ListSizes(paths[1])};

        const auto where = [&] {
            return "round " + std::to_string(round) + " of seed " + std::to_string(seed) + ": " + c.Text() +
                   "\n  before: " + Labels(before[0]) + " | other: " + Labels(before[1]);
        };
        std::set<std::wstring> replaceable;
        for (const auto& entry : before[1]) {
            const auto now = expected[1].find(entry.first);
            if (c.get && c.overwrite && (now == expected[1].end() || now->second != entry.second)) replaceable.insert(entry.first);
        }
        ASSERT_EQ(LostContent(before, after, c.move, replaceable), "") << where();
        ASSERT_EQ(result, predicted) << where();
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(after[i], SizesOf(expected[i])) << where() << "\n  after: " << Labels(ReadFolder(paths[i]));
            // The files this operation wrote hold exactly the content the model moved there.
            for (const auto& [name, content] : expected[i]) {
                const auto old = before[i].find(name);
                if (old != before[i].end() && old->second == content) continue;
                ASSERT_EQ(ReadBytes(paths[i] + L"\\" + name), content) << where();
            }
        }
        if (result >= 0 && result < 6) ++outcomes[result];
        gets += c.get;

        Empty(paths[0], expected[0]);
        Empty(paths[1], expected[1]);
    }
    std::printf("%lu operations (%d downloads): %d done, %d local target present, %d missing member, %d refused or target"
                " present, %d cancelled; %zu boxes\n",
                rounds, gets, outcomes[0], outcomes[1], outcomes[2], outcomes[4], outcomes[5], boxes.seen().size());
}

}  // namespace
