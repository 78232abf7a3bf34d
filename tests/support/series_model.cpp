#include "support/series_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "support/folder_state.h"
#include "support/msgbox_hook.h"
#include "support/progress_recorder.h"
#include "support/support.h"

namespace tftest {

namespace {

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
    bool get = false;  // a download to a local range name; overwrite lets it replace local files
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
        out << (get ? "get " : "") << (move ? "move " : "copy ") << Narrow(SourceRange()) << " -> "
            << (targetFolder ? "other\\" : "") << Narrow(TargetRange()) << (overwrite ? " overwrite" : "") << " cancelAt "
            << cancelAt;
        return out.str();
    }
};

// One directory entry: a folder of the round and a name in it.
struct Place {
    int folder = 0;
    std::wstring name;
    bool operator==(const Place& other) const { return folder == other.folder && name == other.name; }
};

// Both folders as the model sees them: files with their contents, empty folders, read-only files,
// and at most one file with two names (a hard link).
struct World {
    FolderState files[2];
    std::set<std::wstring> dirs[2];
    std::set<std::wstring> readOnly[2];
    bool linked = false;
    Place ends[2];

    bool Has(const Place& p) const { return files[p.folder].count(p.name) || dirs[p.folder].count(p.name); }
    // The other name of the linked file; empty folder -1 when the place is none of its names.
    Place OtherName(const Place& p) const {
        if (linked && ends[0] == p) return ends[1];
        if (linked && ends[1] == p) return ends[0];
        return {-1, L""};
    }
};

struct Pair {
    std::wstring source, target;
};

// A position's verdict before anything moves: 0, or the answer (2 a missing source member or a
// folder member that a copy cannot take, 4 a target that cannot be written, 1 a local file a
// download must ask about). Records which way the walk must run to read a source member before
// a target of the same file is written.
int Verdict(const Case& c, const World& w, const std::vector<Pair>& pairs, size_t k, bool (&needs)[2]) {
    const Pair& p = pairs[k];
    const Place target{c.targetFolder, p.target};
    const bool sourceDir = w.dirs[0].count(p.source) != 0;
    if (!w.Has({0, p.source}) || (sourceDir && !c.move)) return 2;
    if (!w.Has(target)) return 0;
    long long sourceAt = -1;
    bool byName = false;
    for (size_t j = 0; j < pairs.size() && c.targetFolder == 0; ++j) {
        if (pairs[j].source == p.target) sourceAt = static_cast<long long>(j), byName = true;
    }
    const Place other = w.OtherName(target);
    for (size_t j = 0; j < pairs.size() && !byName && c.get && other.folder == 0; ++j) {
        if (pairs[j].source == other.name) sourceAt = static_cast<long long>(j);
    }
    if (sourceAt == static_cast<long long>(k)) return byName && c.move && !c.get ? 0 : 4;
    if (sourceAt >= 0) {
        needs[sourceAt < static_cast<long long>(k) ? 0 : 1] = true;
        if (byName && c.move) return 0;
    }
    if (w.dirs[target.folder].count(target.name) || sourceDir || !c.get) return 4;
    if (!c.overwrite) return 1;
    return w.readOnly[target.folder].count(target.name) ? 4 : 0;
}

// One member copied or moved on the model, as the system does it: a copy writes into the file
// there (every name of it), a move replaces the entry.
void Apply(const Case& c, World& w, const Pair& p) {
    const Place from{0, p.source}, to{c.targetFolder, p.target};
    if (from == to) return;  // a move onto itself changes nothing
    if (w.dirs[0].count(p.source)) {
        w.dirs[0].erase(p.source);
        w.dirs[to.folder].insert(p.target);
        return;
    }
    const std::string content = w.files[0][p.source];
    const bool readOnly = w.readOnly[0].count(p.source) != 0;
    if (c.move) {
        if (w.linked && (w.ends[0] == to || w.ends[1] == to)) w.linked = false;
        for (Place& end : w.ends) {
            if (end == from) end = to;
        }
        w.files[0].erase(p.source);
        w.readOnly[0].erase(p.source);
    } else {
        const Place other = w.OtherName(to);
        if (other.folder >= 0) w.files[other.folder][other.name] = content;
    }
    w.files[to.folder][p.target] = content;
    if (readOnly) w.readOnly[to.folder].insert(p.target);
}

// What a round's prediction went through, counted for the summary.
struct Shapes {
    int turned = 0;      // walked against the counters' direction, for the names on disk
    int lastCancel = 0;  // a download's cancel at its last report, which cannot undo it
};

// The operation as the plugin must carry it out, member by member, on the model.
int Predict(const Case& c, World& w, Shapes& shapes) {
    if (c.cancelAt == 1) return 5;
    if (c.last < c.first) return 4;
    const long long span = static_cast<long long>(c.last) - c.first;
    const long long targetLast = c.targetLast < 0 ? c.targetFirst + span : c.targetLast;
    if (targetLast - c.targetFirst != span) return 4;
    std::vector<Pair> pairs;
    for (int step = 0; step <= span; ++step) {
        pairs.push_back({MemberName(c.prefix, c.first + step, c.width, c.suffix),
                         MemberName(c.targetPrefix, c.targetFirst + step, c.targetWidth, c.targetSuffix)});
    }
    bool needs[2] = {false, false};  // forward, backward
    for (size_t k = 0; k < pairs.size(); ++k) {
        if (const int verdict = Verdict(c, w, pairs, k, needs)) return verdict;
    }
    if (needs[0] && needs[1]) return 4;
    const bool counterBackward = c.first < c.targetFirst && c.targetFirst <= c.last;
    const bool backward = needs[0] || needs[1] ? needs[1] : counterBackward;
    shapes.turned += backward != counterBackward;
    for (size_t step = 0; step < pairs.size(); ++step) {
        Apply(c, w, pairs[backward ? pairs.size() - 1 - step : step]);
        // Once the last member of a download has arrived, its last report can no longer cancel.
        const bool lastOfGet = c.get && step + 1 == pairs.size();
        if (c.cancelAt == static_cast<int>(step) + 2) {
            if (!lastOfGet) return 5;
            ++shapes.lastCancel;
        }
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
        c.prefix = OneOf({L"img", L"img0", L"p", L"scan_", L"a"});
        c.suffix = OneOf({L".png", L".png", L".tif", L""});
        c.width = Pick(0, 4);
        // Now and then counters that a target prefix ending in a digit ("p7") can take over.
        c.first = Chance(10) ? Pick(68, 80) : Pick(0, 14);
        const int count = Pick(1, 8);
        c.last = c.first + count - 1;
        // Now and then a source whose last is below its first.
        if (Chance(2) && c.first > 0) c.last = c.first - Pick(1, c.first);
        c.targetFolder = Chance(30) ? 1 : 0;
        c.targetPrefix = Chance(60) ? c.prefix : OneOf({L"img", L"img0", L"pic", L"p", L"a1", L"p7", L"p1"});
        c.targetSuffix = Chance(85) ? c.suffix : OneOf({L".png", L".jpg"});
        c.targetWidth = Chance(50) ? c.width : Pick(0, 4);
        // Mostly ranges that overlap the source from below or above, or lie right next to it.
        c.targetFirst = Chance(20) ? Pick(0, 9) : std::max(0, c.first + Pick(-count - 1, count + 1));
        // Now and then a target prefix that takes the counter's first digit: a1<1-3> names a11 … a13.
        if (Chance(8)) {
            const bool seven = Chance(50);
            c.targetPrefix = c.prefix + (seven ? L"7" : L"1");
            c.targetFirst = Pick(0, 9);
            c.width = Pick(0, 2);
            c.first = Pick(seven ? 68 : 8, seven ? 76 : 14);
            c.last = c.first + count - 1;
        }
        if (Chance(50)) c.targetLast = c.targetFirst + (c.last - c.first);
        if (Chance(3)) c.targetLast = c.targetFirst + Pick(0, 10);  // often of another length
        c.move = Chance(60);
        c.overwrite = Chance(30);
        c.get = Chance(25);
        if (Chance(8)) c.cancelAt = Pick(1, count + 1);
        return c;
    }

    // Files of the round: the source members (some missing, now and then a folder) and some targets
    // already there: files, read-only files, folders, or a second name of a source member.
    void Populate(const Case& c, World& w) {
        std::vector<std::wstring> members;
        for (int v = c.first; v <= std::max(c.first, c.last); ++v) {
            if (Chance(4)) continue;
            const std::wstring name = MemberName(c.prefix, v, c.width, c.suffix);
            if (Chance(3)) {
                w.dirs[0].insert(name);
            } else {
                w.files[0][name] = Content("source " + Narrow(name));
                members.push_back(name);
            }
        }
        const auto targetName = [&] {
            return MemberName(c.targetPrefix, c.targetFirst + Pick(0, std::max(0, c.last - c.first)), c.targetWidth,
                              c.targetSuffix);
        };
        if (Chance(35)) {
            for (int n = Pick(1, 2); n > 0; --n) {
                const Place place{c.targetFolder, targetName()};
                if (w.Has(place)) continue;
                if (Chance(10)) {
                    w.dirs[place.folder].insert(place.name);
                    continue;
                }
                w.files[place.folder][place.name] = Content("present " + Narrow(place.name));
                if (Chance(20) && !IsSourceName(c, place)) w.readOnly[place.folder].insert(place.name);
            }
        }
        if (Chance(8) && !members.empty()) {
            const Place place{c.targetFolder, targetName()};
            if (!w.Has(place)) {
                w.linked = true;
                w.ends[0] = {0, members[static_cast<size_t>(Pick(0, static_cast<int>(members.size()) - 1))]};
                w.ends[1] = place;
                w.files[place.folder][place.name] = w.files[0][w.ends[0].name];
            }
        }
    }

private:
    static bool IsSourceName(const Case& c, const Place& place) {
        for (int v = c.first; v <= c.last && place.folder == 0; ++v) {
            if (MemberName(c.prefix, v, c.width, c.suffix) == place.name) return true;
        }
        return false;
    }

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

bool Write(const std::wstring (&paths)[2], const World& w) {
    for (int i = 0; i < 2; ++i) {
        for (const auto& [name, content] : w.files[i]) {
            if (w.linked && w.ends[1] == Place{i, name}) continue;
            if (!WriteBytes(paths[i] + L"\\" + name, content)) return false;
        }
        for (const std::wstring& name : w.dirs[i]) {
            if (!CreateDirectoryW((paths[i] + L"\\" + name).c_str(), nullptr)) return false;
        }
    }
    if (w.linked && !CreateHardLinkW((paths[w.ends[1].folder] + L"\\" + w.ends[1].name).c_str(),
                                     (paths[0] + L"\\" + w.ends[0].name).c_str(), nullptr)) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        for (const std::wstring& name : w.readOnly[i]) {
            if (!SetFileAttributesW((paths[i] + L"\\" + name).c_str(), FILE_ATTRIBUTE_READONLY)) return false;
        }
    }
    return true;
}

// What a folder holds: the sizes of its files (contents are told apart by their sizes), and its
// folders.
struct Listing {
    std::map<std::wstring, unsigned long long> sizes;
    std::set<std::wstring> dirs;
    bool operator==(const Listing& other) const { return sizes == other.sizes && dirs == other.dirs; }
};

Listing List(const std::wstring& folder) {
    Listing listing;
    WIN32_FIND_DATAW record;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &record);
    if (search == INVALID_HANDLE_VALUE) return listing;
    do {
        const std::wstring name = record.cFileName;
        if (name == L"." || name == L"..") continue;
        if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) listing.dirs.insert(name);
        else listing.sizes[name] = record.nFileSizeLow;
    } while (FindNextFileW(search, &record));
    FindClose(search);
    return listing;
}

Listing Expected(const World& w, int i) {
    Listing listing;
    for (const auto& [name, content] : w.files[i]) listing.sizes[name] = content.size();
    listing.dirs = w.dirs[i];
    return listing;
}

// Removes everything the round left in a folder, read-only files too.
void Clear(const std::wstring& folder) {
    const Listing listing = List(folder);
    for (const auto& entry : listing.sizes) {
        const std::wstring path = folder + L"\\" + entry.first;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
    for (const std::wstring& name : listing.dirs) RemoveDirectoryW((folder + L"\\" + name).c_str());
}

// A content without its padding: what the file was created as.
std::string Label(const std::string& content) { return content.substr(0, content.find_last_not_of('.') + 1); }

std::string Labels(const World& w, int i) {
    std::string out;
    for (const auto& [name, content] : w.files[i]) {
        out += (out.empty() ? "" : ", ") + Narrow(name) + "=" + Label(content) + (w.readOnly[i].count(name) ? " (r)" : "");
    }
    for (const std::wstring& name : w.dirs[i]) out += (out.empty() ? "" : ", ") + Narrow(name) + "\\";
    if (w.linked && w.ends[1].folder == i) out += ", " + Narrow(w.ends[1].name) + " = link of " + Narrow(w.ends[0].name);
    return out;
}

// Every content that existed before is somewhere after (contents are told apart by their sizes),
// but for the local files a download was allowed to replace.
std::string LostContent(const World& before, const World& expected, const Listing (&after)[2], const Case& c) {
    std::multiset<unsigned long long> present;
    for (const Listing& f : after) {
        for (const auto& entry : f.sizes) present.insert(entry.second);
    }
    for (int i = 0; i < 2; ++i) {
        for (const auto& [name, content] : before.files[i]) {
            const auto now = expected.files[i].find(name);
            const bool replaced = now == expected.files[i].end() || now->second != content;
            if (c.get && c.overwrite && replaced) continue;
            if (present.count(content.size()) == 0) return Narrow(name) + " (" + Label(content) + ")";
        }
    }
    return {};
}

}  // namespace

void RunSeriesModel(const SeriesOperations& operations, unsigned long defaultRounds) {
    const unsigned long rounds = EnvNumber("TF_RANDOM_ROUNDS", defaultRounds);
    const unsigned long seed = EnvNumber("TF_RANDOM_SEED", 20261208);
    TempDir dirs[2];
    const std::wstring paths[2] = {dirs[0].path(), dirs[1].path()};
    ProgressRecorder progress;
    operations.init(7, reinterpret_cast<void*>(&ProgressRecorder::CallbackW), nullptr, nullptr);
    MessageBoxHook boxes(IDOK);

    RandomRenames gen(seed);
    int outcomes[6] = {};
    int gets = 0, links = 0, readOnly = 0, folders = 0;
    Shapes shapes;
    for (unsigned long round = 0; round < rounds; ++round) {
        const Case c = gen.Next();
        World before;
        gen.Populate(c, before);
        ASSERT_TRUE(Write(paths, before)) << "cannot create the round's files";

        World expected = before;
        const int predicted = Predict(c, expected, shapes);
        progress.Clear();
        progress.CancelAt(c.cancelAt);
        std::wstring from = dirs[0].Plugin(c.SourceRange());
        std::wstring to = c.get ? dirs[c.targetFolder] / c.TargetRange() : dirs[c.targetFolder].Plugin(c.TargetRange());
        const int result = c.get ? operations.get(from.data(), to.data(), (c.overwrite ? 1 : 0) | (c.move ? 4 : 0), nullptr)
                                 : operations.renMov(from.data(), to.data(), c.move, c.overwrite, nullptr);
        const Listing after[2] = {List(paths[0]), List(paths[1])};

        const auto where = [&] {
            return "round " + std::to_string(round) + " of seed " + std::to_string(seed) + ": " + c.Text() +
                   "\n  before: " + Labels(before, 0) + " | other: " + Labels(before, 1) +
                   "\n  model:  " + Labels(expected, 0) + " | other: " + Labels(expected, 1);
        };
        ASSERT_EQ(LostContent(before, expected, after, c), "") << where();
        ASSERT_EQ(result, predicted) << where();
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(after[i], Expected(expected, i)) << where() << "\n  after: " << Describe(ReadFolder(paths[i]));
            // The files this operation wrote hold exactly the content the model put there.
            for (const auto& [name, content] : expected.files[i]) {
                const auto old = before.files[i].find(name);
                if (old != before.files[i].end() && old->second == content) continue;
                ASSERT_EQ(ReadBytes(paths[i] + L"\\" + name), content) << where();
            }
        }
        if (result >= 0 && result < 6) ++outcomes[result];
        gets += c.get;
        links += before.linked;
        readOnly += !before.readOnly[0].empty() || !before.readOnly[1].empty();
        folders += !before.dirs[0].empty() || !before.dirs[1].empty();
        Clear(paths[0]);
        Clear(paths[1]);
    }
    std::printf("%lu operations (%d downloads): %d done, %d local target present, %d missing member, %d refused or target"
                " present, %d cancelled; %zu boxes; rounds with a hard link %d, a read-only file %d, a folder %d;"
                " %d walks turned for the names, %d last-report cancels of a download\n",
                rounds, gets, outcomes[0], outcomes[1], outcomes[2], outcomes[4], outcomes[5], boxes.seen().size(), links,
                readOnly, folders, shapes.turned, shapes.lastCancel);
}

}  // namespace tftest
