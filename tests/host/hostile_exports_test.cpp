// Every export, called through the module with what a careless or hostile host might pass: null
// pointers, empty and tiny names, names around every length limit, malformed range names,
// non-ASCII and broken UTF-16, tiny and negative buffer sizes, out-of-range field indexes and
// unknown verbs. Each call must give one of its defined answers, write nothing outside the
// buffers it was given (guard bytes around each), and, when it fails, change no file.
//
// One row per export: an export the module does not carry yet is skipped with a message, so a
// later export joins by adding its row.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "listing/range_name.h"
#include "support/guarded.h"
#include "support/member_files.h"
#include "support/msgbox_hook.h"
#include "support/progress_recorder.h"
#include "support/support.h"

using namespace tftest;

namespace {

// ---- the sandbox every row works in -------------------------------------------------------

// What a folder holds, compared before and after a call that must change nothing.
using Snapshot = std::map<std::wstring, std::string>;

void SnapshotInto(const std::wstring& folder, const std::wstring& prefix, Snapshot& out) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool folderEntry = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        out[prefix + name] = std::to_string(data.dwFileAttributes) + " " + std::to_string(size) + " " +
                             std::to_string(data.ftLastWriteTime.dwLowDateTime) + " " +
                             std::to_string(data.ftLastWriteTime.dwHighDateTime) +
                             (folderEntry ? "" : " " + ReadBytes(folder + L"\\" + name));
        if (folderEntry) SnapshotInto(folder + L"\\" + name, prefix + name + L"\\", out);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

std::string Diff(const Snapshot& before, const Snapshot& after) {
    std::string out;
    for (const auto& [name, state] : before) {
        auto it = after.find(name);
        if (it == after.end()) out += " lost " + Narrow(name) + ";";
        else if (it->second != state) out += " changed " + Narrow(name) + ";";
    }
    for (const auto& [name, state] : after) {
        if (!before.count(name)) out += " new " + Narrow(name) + ";";
    }
    return out;
}

enum class Kind {
    Short,    // null, empty, the root and other names shorter than an entry: every file operation refuses
    Missing,  // names that name nothing (in a missing folder, or a malformed range beside its members)
    Entry,    // an existing plain file or series entry
};

struct HostileName {
    std::string label;
    bool null = false;
    std::wstring text;
    Kind kind = Kind::Missing;
};

std::string Label(const HostileName& name) { return name.label + " (" + std::to_string(name.text.size()) + " chars)"; }

// How the plugin reads a name: no range at all, a range with no members (last below first, or
// no last), or a series whose first member does or does not exist.
enum class Series { None, Empty, FirstMissing, FirstExists };

Series SeriesOf(const HostileName& name) {
    tf::RangeSpec range;
    if (name.null || !tf::ParseRangeName(name.text.c_str(), range)) return Series::None;
    if (static_cast<long long>(range.last) - range.first + 1 < 1) return Series::Empty;
    WCHAR member[tf::kMemberNameBuffer];
    if (!tf::BuildMemberName(member, tf::kMemberNameBuffer, name.text.c_str(), range.first, range.width)) {
        return Series::FirstMissing;
    }
    return member[0] == L'\\' && Exists(member + 1) ? Series::FirstExists : Series::FirstMissing;
}

// True when the name holds a range whose first member exists (download, icon and preview take it).
bool FirstMemberExists(const HostileName& name) {
    tf::RangeSpec range;
    WCHAR member[tf::kMemberNameBuffer];
    return !name.null && tf::ParseRangeName(name.text.c_str(), range) &&
           tf::BuildMemberName(member, tf::kMemberNameBuffer, name.text.c_str(), range.first, range.width) &&
           member[0] == L'\\' && Exists(member + 1);
}

// The delete warning names members built from the file-name part alone: a range that lies in a
// folder name gives none, and the delete is refused without a question.
bool RangeInFileName(const HostileName& name) {
    const size_t open = name.text.rfind(L'<');
    const size_t slash = name.text.rfind(L'\\');
    return open != std::wstring::npos && (slash == std::wstring::npos || slash < open);
}

std::string ToAcp(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

// A drive letter that this machine does not have, for short names that must name nothing.
wchar_t MissingDrive() {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
        if (!(drives & (1u << (letter - L'A')))) return letter;
    }
    return 0;
}

class Sandbox {
public:
    Sandbox() {
        ok_ = MakeSeries(dir_, L"img", 1, 3, 4, L".png") && WriteBytes(dir_ / L"plain.txt", "plain") &&
              WriteBytes(dir_ / L"\u00dcn\u00efc\u00f8d\u00e9\u65e5\u672c.txt", "non-ascii") &&
              CreateDirectoryW((dir_ / L"out").c_str(), nullptr) && CreateDirectoryW((dir_ / L"cwd").c_str(), nullptr);
        // Relative names (a plugin path whose local part has no drive) resolve here, not in the
        // build tree.
        GetCurrentDirectoryW(MAX_PATH, savedCwd_);
        SetCurrentDirectoryW((dir_ / L"cwd").c_str());
        BuildNames();
    }
    ~Sandbox() { SetCurrentDirectoryW(savedCwd_); }

    bool ok() const { return ok_; }
    const TempDir& dir() const { return dir_; }
    const std::vector<HostileName>& names() const { return names_; }
    // Puts the sandbox's root files back as they were made, after an operation that may move
    // or copy members around.
    void Restore() const {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((dir_.path() + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir_ / data.cFileName).c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        MakeSeries(dir_, L"img", 1, 3, 4, L".png");
        WriteBytes(dir_ / L"plain.txt", "plain");
        WriteBytes(dir_ / L"\u00dcn\u00efc\u00f8d\u00e9\u65e5\u672c.txt", "non-ascii");
    }
    Snapshot Take() const {
        Snapshot s;
        SnapshotInto(dir_.path(), L"", s);
        return s;
    }
    std::wstring OutTarget(const std::wstring& name) const { return dir_.Plugin(L"out\\" + name); }
    std::wstring PlainFile() const { return dir_.Plugin(L"plain.txt"); }
    std::wstring SeriesEntry() const { return dir_.Plugin(L"img<0001-3>.png"); }

private:
    void Add(std::string label, std::wstring text, Kind kind) { names_.push_back({std::move(label), false, std::move(text), kind}); }

    // A name of exactly `length` characters that names nothing: a file in a missing folder.
    std::wstring LongMissing(size_t length) const {
        std::wstring base = dir_.Plugin(L"missing\\");
        if (base.size() + 1 > length) return base.substr(0, length);
        return base + std::wstring(length - base.size(), L'a');
    }

    void BuildNames() {
        names_.push_back({"null", true, L"", Kind::Short});
        Add("empty", L"", Kind::Short);
        Add("root", L"\\", Kind::Short);
        Add("2 chars", L"\\Q", Kind::Short);
        const wchar_t drive = MissingDrive();
        if (drive != 0) {
            Add("3 chars", std::wstring(L"\\") + drive + L":", Kind::Missing);
            Add("4 chars", std::wstring(L"\\") + drive + L":x", Kind::Missing);
        }
        for (size_t length : {259u, 260u, 1023u, 1024u, 1025u, 2000u}) {
            Add("long " + std::to_string(length), LongMissing(length), Kind::Missing);
        }
        // Malformed ranges beside the members img0001.png ... img0003.png.
        const std::wstring tooLongInside(130, L'7');
        const std::vector<std::pair<std::string, std::wstring>> ranges = {
            {"'>' missing", L"img<0001-3.png"},
            {"'<' missing", L"img0001-3>.png"},
            {"reversed", L"img<0003-1>.png"},
            {"reversed brackets", L"img>0001-3<.png"},
            {"nested", L"img<0001-<0002-3>>.png"},
            {"several '<'", L"img<<0001-3>.png"},
            {"past 2147483647", L"img<0001-2147483648>.png"},
            {"both past 2147483647", L"img<2147483648-2147483650>.png"},
            {"20 digits", L"img<99999999999999999999-3>.png"},
            {"'-' alone", L"img<->.png"},
            {"'-' without first", L"img<-3>.png"},
            {"'-' without last", L"img<0001->.png"},
            {"no '-'", L"img<0001>.png"},
            {"empty range", L"img<>.png"},
            {"sign", L"img<+1-3>.png"},
            {"127+ after '<'", L"img<" + tooLongInside + L"-3>.png"},
            {"127+ after '<' digits only", L"img<0001-" + tooLongInside + L">.png"},
            {"range in folder", L"im<1-3>g\\img0001.png"},
        };
        for (const auto& [label, name] : ranges) Add("range " + label, dir_.Plugin(name), Kind::Missing);
        // Non-ASCII names, and UTF-16 that is not well formed.
        Add("non-ASCII missing", dir_.Plugin(L"missing\\\u00e9\u4e2d\u0416.png"), Kind::Missing);
        Add("lone high surrogate", dir_.Plugin(L"missing\\a\xD83D" L"b.png"), Kind::Missing);
        Add("lone low surrogate", dir_.Plugin(L"missing\\\xDC00.png"), Kind::Missing);
        Add("high surrogate at end", dir_.Plugin(L"missing\\x\xD83D"), Kind::Missing);
        Add("surrogate in range", dir_.Plugin(L"img<0001-\xD800>.png"), Kind::Missing);
        // Existing entries, so the answers that succeed are exercised with the same buffers.
        Add("plain file", PlainFile(), Kind::Entry);
        Add("series entry", SeriesEntry(), Kind::Entry);
        Add("non-ASCII file", dir_.Plugin(L"\u00dcn\u00efc\u00f8d\u00e9\u65e5\u672c.txt"), Kind::Entry);
        Add("folder", dir_.Plugin(L"out"), Kind::Entry);
    }

    TempDir dir_;
    bool ok_ = false;
    WCHAR savedCwd_[MAX_PATH] = {};
    std::vector<HostileName> names_;
};

// The text a row passes for a name, wide or narrow, kept alive for the call.
struct WideArg {
    explicit WideArg(const HostileName& name) : text(name.text), null(name.null) {}
    WCHAR* get() { return null ? nullptr : text.data(); }
    std::wstring text;
    bool null;
};
struct NarrowArg {
    explicit NarrowArg(const HostileName& name) : text(ToAcp(name.text)), null(name.null) {}
    char* get() { return null ? nullptr : text.data(); }
    std::string text;
    bool null;
};

// Counts for the closing summary.
int g_calls = 0;

// ---- the table -------------------------------------------------------------------------------

struct Row {
    const char* exportName;
    std::function<void(Sandbox&, FARPROC)> run;
};

template <typename F>
F As(FARPROC proc) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}

// A failing file operation leaves the sandbox as it was.
#define EXPECT_UNCHANGED(before, sandbox, what) \
    do {                                        \
        const std::string diff = Diff(before, (sandbox).Take()); \
        EXPECT_TRUE(diff.empty()) << what << ":" << diff;        \
    } while (0)

// The host's remote-info record: the plugin never reads or writes it.
struct RemoteInfo {
    DWORD sizeLow, sizeHigh;
    FILETIME lastWrite;
    int attr;
};

template <typename Char>
void CheckFindRecord(Guarded& record, const std::string& what) {
    EXPECT_TRUE(record.Intact()) << what << ": " << record.Describe();
    if constexpr (sizeof(Char) == 2) {
        const auto* data = static_cast<WIN32_FIND_DATAW*>(record.data());
        EXPECT_LT(std::find(data->cFileName, data->cFileName + MAX_PATH, L'\0'), data->cFileName + MAX_PATH) << what;
    } else {
        const auto* data = static_cast<WIN32_FIND_DATAA*>(record.data());
        EXPECT_LT(std::find(data->cFileName, data->cFileName + MAX_PATH, '\0'), data->cFileName + MAX_PATH) << what;
    }
}

template <typename Char, typename Record, typename First, typename Next>
void RunFind(Sandbox& box, FARPROC firstProc, const char* nextName) {
    auto first = As<First>(firstProc);
    auto next = Module::Get().Fn<Next>(nextName);
    auto close = Module::Get().Fn<int(WINAPI*)(HANDLE)>("FsFindClose");
    ASSERT_NE(next, nullptr);
    ASSERT_NE(close, nullptr);
    for (const HostileName& name : box.names()) {
        const std::string what = Label(name);
        const Snapshot before = box.Take();
        for (bool nullRecord : {false, true}) {
            Guarded record(sizeof(Record));
            HANDLE handle;
            if constexpr (sizeof(Char) == 2) {
                WideArg arg(name);
                handle = first(arg.get(), nullRecord ? nullptr : static_cast<Record*>(record.data()));
            } else {
                NarrowArg arg(name);
                handle = first(arg.get(), nullRecord ? nullptr : static_cast<Record*>(record.data()));
            }
            ++g_calls;
            EXPECT_TRUE(record.Intact()) << what << ": " << record.Describe();
            if (nullRecord) {
                EXPECT_EQ(handle, INVALID_HANDLE_VALUE) << what << ": no record to fill";
                if (handle != INVALID_HANDLE_VALUE) close(handle);
                continue;
            }
            if (name.kind == Kind::Missing || (name.kind == Kind::Short && name.label != "root")) {
                EXPECT_EQ(handle, INVALID_HANDLE_VALUE) << what;
            }
            if (name.label == "root") {
                EXPECT_NE(handle, INVALID_HANDLE_VALUE) << what;
            }
            if (handle == INVALID_HANDLE_VALUE) continue;
            CheckFindRecord<Char>(record, what);
            int more = 0;
            for (; more < 100000; ++more) {
                Guarded nextRecord(sizeof(Record));
                const BOOL got = next(handle, static_cast<Record*>(nextRecord.data()));
                ++g_calls;
                EXPECT_TRUE(nextRecord.Intact()) << what << ": " << nextRecord.Describe();
                if (!got) break;
                CheckFindRecord<Char>(nextRecord, what);
            }
            EXPECT_FALSE(next(handle, nullptr)) << what << ": no record to fill";
            EXPECT_EQ(close(handle), 0) << what;
            g_calls += 2;
        }
        EXPECT_UNCHANGED(before, box, what);
    }
}

// The operations that answer 1 (done) or 0 (failed): make and remove a folder, delete, set
// attributes and times. `call` runs the export on one name.
enum class BoolOp { MakeFolder, RemoveFolder, Delete, SeriesWalk };

template <typename Arg>
void RunBoolOp(Sandbox& box, const std::function<BOOL(Arg&)>& call, BoolOp op) {
    MessageBoxHook hook(IDNO);
    for (const HostileName& name : box.names()) {
        if (name.kind == Kind::Entry) continue;  // the successful cases live in their own tests
        const std::string what = Label(name);
        const Series series = op == BoolOp::Delete || op == BoolOp::SeriesWalk ? SeriesOf(name) : Series::None;
        const Snapshot before = box.Take();
        const size_t boxesBefore = hook.seen().size();
        Arg arg(name);
        const BOOL result = call(arg);
        ++g_calls;
        const size_t boxes = hook.seen().size() - boxesBefore;
        if (op == BoolOp::MakeFolder && name.kind == Kind::Missing && name.label.rfind("range", 0) == 0) {
            // Folders never look for a range; the system decides whether the name is legal.
            if (result != 0 && !name.null) RemoveDirectoryW(name.text.substr(1).c_str());
            else EXPECT_UNCHANGED(before, box, what);
            continue;
        }
        if (op == BoolOp::Delete) {
            // Only a series with members is worth the warning; the answer No keeps everything.
            const bool warns = (series == Series::FirstExists || series == Series::FirstMissing) && RangeInFileName(name);
            EXPECT_EQ(boxes, warns ? 1u : 0u) << what;
            EXPECT_EQ(result, 0) << what;
            EXPECT_UNCHANGED(before, box, what);
            continue;
        }
        if (op == BoolOp::SeriesWalk && series == Series::FirstExists) {
            // An absurd range over real members (a counter past 2147483647 reads as 2147483647):
            // the walk changes the members there are and stops at the first missing one.
            EXPECT_EQ(result, 0) << what;
            continue;
        }
        if (op == BoolOp::SeriesWalk && series == Series::Empty) {
            // A range without members: nothing to do, nothing done.
            EXPECT_TRUE(result == 0 || result == 1) << what << ": answered " << result;
            EXPECT_UNCHANGED(before, box, what);
            continue;
        }
        EXPECT_EQ(result, 0) << what;
        EXPECT_UNCHANGED(before, box, what);
        EXPECT_EQ(boxes, 0u) << what;
    }
}

// Transfer operations answer a file code; every hostile case must fail with one of 1 to 4 or 6
// (never 0, never the abort code 5 without a cancel) and change nothing.
void ExpectTransferFailure(int result, const std::string& what) {
    EXPECT_TRUE(result >= 1 && result <= 6 && result != 5) << what << ": answered " << result;
}

template <typename Char>
void RunRenMov(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(Char*, Char*, BOOL, BOOL, RemoteInfo*);
    auto renMov = As<Fn>(proc);
    MessageBoxHook hook(IDOK);
    using Arg = std::conditional_t<sizeof(Char) == 2, WideArg, NarrowArg>;
    const HostileName plain{"plain", false, box.PlainFile(), Kind::Entry};
    const HostileName series{"series", false, box.SeriesEntry(), Kind::Entry};
    const HostileName outPlain{"out", false, box.OutTarget(L"ren.txt"), Kind::Missing};
    for (const HostileName& name : box.names()) {
        if (name.kind == Kind::Entry) continue;
        for (BOOL move : {FALSE, TRUE}) {
            for (BOOL overwrite : {FALSE, TRUE}) {
                Guarded info(sizeof(RemoteInfo));
                const std::string what = Label(name) + (move ? " move" : " copy") + (overwrite ? " overwrite" : "");
                // Hostile source to a fine target; a fine plain file and a series to a hostile target.
                const std::pair<const HostileName*, const HostileName*> pairs[] = {
                    {&name, &outPlain}, {&plain, &name}, {&series, &name}};
                for (const auto& [from, to] : pairs) {
                    const Snapshot before = box.Take();
                    Arg a(*from), b(*to);
                    const int result = renMov(a.get(), b.get(), move, overwrite, static_cast<RemoteInfo*>(info.data()));
                    ++g_calls;
                    if (from == &series && SeriesOf(*to) != Series::None) {
                        // A target range of the same length, however odd ("img<>.png" counts from 0,
                        // a missing last takes the source's length), is a rename the user may ask
                        // for: any defined answer, and no member's content lost.
                        EXPECT_TRUE(result >= 0 && result <= 6 && result != 5) << what << ": answered " << result;
                        const Snapshot after = box.Take();
                        for (int k = 1; k <= 3; ++k) {
                            const std::string content = " " + MemberContent(k);
                            bool found = false;
                            for (const auto& [file, state] : after) {
                                found |= state.size() >= content.size() &&
                                         state.compare(state.size() - content.size(), content.size(), content) == 0;
                            }
                            EXPECT_TRUE(found) << what << " -> " << to->label << ": member " << k << " lost";
                        }
                        box.Restore();
                        continue;
                    }
                    ExpectTransferFailure(result, what + " " + from->label + " -> " + to->label);
                    EXPECT_UNCHANGED(before, box, what + " " + from->label + " -> " + to->label);
                    EXPECT_TRUE(info.Untouched()) << what;
                }
            }
        }
    }
    EXPECT_TRUE(hook.installed());
}

template <typename Char>
void RunGet(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(Char*, Char*, int, RemoteInfo*);
    auto get = As<Fn>(proc);
    using Arg = std::conditional_t<sizeof(Char) == 2, WideArg, NarrowArg>;
    const std::wstring localOut = box.dir() / L"out\\got.bin";
    for (const HostileName& name : box.names()) {
        if (name.kind == Kind::Entry) continue;
        for (int flags : {0, 1, 2, 4, 1 | 4, -1}) {
            const std::string what = Label(name) + " flags " + std::to_string(flags);
            Guarded info(sizeof(RemoteInfo));
            // Hostile remote name into a fine local file, a fine remote file into a hostile local
            // name (the local name is a plain local path, without the leading backslash).
            HostileName local{"local", false, localOut, Kind::Missing};
            HostileName hostileLocal = name;
            if (!hostileLocal.null && !hostileLocal.text.empty() && hostileLocal.text[0] == L'\\') {
                hostileLocal.text.erase(0, 1);
            }
            const HostileName plain{"plain", false, box.PlainFile(), Kind::Entry};
            const std::pair<const HostileName*, const HostileName*> pairs[] = {{&name, &local}, {&plain, &hostileLocal}};
            for (const auto& [from, to] : pairs) {
                // A local path holds no range, and "\\Q" without its backslash is a fine relative name.
                if (to == &hostileLocal && (name.label.rfind("range", 0) == 0 || name.label == "2 chars")) continue;
                const Snapshot before = box.Take();
                Arg a(*from), b(*to);
                const bool firstExists = from == &name && FirstMemberExists(name);
                const int result = get(a.get(), b.get(), flags, static_cast<RemoteInfo*>(info.data()));
                ++g_calls;
                if (firstExists) {
                    // Download takes the first member, whatever the rest of the range says.
                    EXPECT_TRUE(result >= 0 && result <= 6 && result != 5) << what << ": answered " << result;
                    DeleteFileW(localOut.c_str());
                    continue;
                }
                ExpectTransferFailure(result, what + " " + from->label + " -> " + to->label);
                EXPECT_UNCHANGED(before, box, what + " " + from->label + " -> " + to->label);
                EXPECT_TRUE(info.Untouched()) << what;
            }
        }
    }
}

template <typename Char>
void RunPut(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(Char*, Char*, int);
    auto put = As<Fn>(proc);
    using Arg = std::conditional_t<sizeof(Char) == 2, WideArg, NarrowArg>;
    for (const HostileName& name : box.names()) {
        if (name.kind == Kind::Entry) continue;
        for (int flags : {0, 1, 2, 4, -1}) {
            const std::string what = Label(name) + " flags " + std::to_string(flags);
            HostileName hostileLocal = name;
            if (!hostileLocal.null && !hostileLocal.text.empty() && hostileLocal.text[0] == L'\\') {
                hostileLocal.text.erase(0, 1);
            }
            const HostileName remoteOut{"remote", false, box.OutTarget(L"put.bin"), Kind::Missing};
            const HostileName localPlain{"local plain", false, box.dir() / L"plain.txt", Kind::Entry};
            const std::pair<const HostileName*, const HostileName*> pairs[] = {{&hostileLocal, &remoteOut},
                                                                               {&localPlain, &name}};
            for (const auto& [from, to] : pairs) {
                if (from == &hostileLocal && (name.label.rfind("range", 0) == 0 || name.label == "2 chars")) continue;
                const Snapshot before = box.Take();
                Arg a(*from), b(*to);
                const int result = put(a.get(), b.get(), flags);
                ++g_calls;
                ExpectTransferFailure(result, what + " " + from->label + " -> " + to->label);
                EXPECT_UNCHANGED(before, box, what + " " + from->label + " -> " + to->label);
            }
        }
    }
}

template <typename Char>
void RunExecute(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(HWND, Char*, Char*);
    auto execute = As<Fn>(proc);
    using Arg = std::conditional_t<sizeof(Char) == 2, WideArg, NarrowArg>;
    MessageBoxHook hook(IDCANCEL);
    // Verbs the plugin does not know: each answers 1 and does nothing. (No case variant of
    // "open" or "properties": those are the plugin's own verbs.)
    const std::vector<HostileName> verbs = {
        {"null verb", true, L"", Kind::Short},
        {"empty verb", false, L"", Kind::Short},
        {"unknown verb", false, L"frobnicate", Kind::Short},
        {"open with space", false, L"open ", Kind::Short},
        {"prefix of open", false, L"ope", Kind::Short},
        {"properties plus", false, L"propertiesX", Kind::Short},
        {"chmod", false, L"chmod 777", Kind::Short},
        {"quote", false, L"quote SITE", Kind::Short},
        {"non-ASCII verb", false, L"\u00f6ffnen", Kind::Short},
        {"surrogate verb", false, L"o\xD800pen", Kind::Short},
        {"long verb", false, std::wstring(2000, L'v'), Kind::Short},
    };
    for (const HostileName& name : box.names()) {
        for (const HostileName& verb : verbs) {
            const Snapshot before = box.Take();
            Arg a(name), v(verb);
            const int result = execute(nullptr, a.get(), v.get());
            ++g_calls;
            EXPECT_EQ(result, 1) << Label(name) << " verb " << verb.label;
            EXPECT_UNCHANGED(before, box, Label(name) + " verb " + verb.label);
        }
    }
    for (const SeenMessageBox& seen : hook.seen()) ADD_FAILURE() << "unexpected message box: " << Describe(seen);
}

template <typename Char>
void RunIcon(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(Char*, int, HICON*);
    auto extract = As<Fn>(proc);
    for (const HostileName& name : box.names()) {
        for (int flags : {0, 1, 2, 3, -1}) {
            for (bool nullIcon : {false, true}) {
                const std::string what = Label(name) + " flags " + std::to_string(flags) + (nullIcon ? " null icon" : "");
                // The host's name buffer holds MAX_PATH characters (more for a longer name).
                const size_t chars = std::max<size_t>(name.text.size() + 1, MAX_PATH);
                Guarded buffer = sizeof(Char) == 2 ? Guarded::Wide(name.text, chars) : Guarded::Narrow(ToAcp(name.text), chars);
                Guarded icon(sizeof(HICON));
                Char* arg = name.null ? nullptr : static_cast<Char*>(buffer.data());
                const int result = extract(arg, flags, nullIcon ? nullptr : static_cast<HICON*>(icon.data()));
                ++g_calls;
                EXPECT_TRUE(buffer.Intact()) << what << ": " << buffer.Describe();
                EXPECT_TRUE(icon.Intact()) << what << ": " << icon.Describe();
                EXPECT_TRUE(result >= 0 && result <= 3) << what << ": answered " << result;
                if (name.kind != Kind::Entry && name.label != "root") {
                    EXPECT_NE(result, 1) << what << ": an icon for nothing";
                }
                if (nullIcon) {
                    EXPECT_EQ(result, 0) << what << ": no place for the icon";
                }
                if (result == 2 && !nullIcon) DestroyIcon(*static_cast<HICON*>(icon.data()));
            }
        }
    }
}

template <typename Char>
void RunPreview(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(Char*, int, int, HBITMAP*);
    auto preview = As<Fn>(proc);
    using Arg = std::conditional_t<sizeof(Char) == 2, WideArg, NarrowArg>;
    const std::pair<int, int> sizes[] = {{0, 0}, {-5, 32}, {32, -5}, {1, 1}, {64, 48}, {INT_MIN, INT_MAX}};
    for (const HostileName& name : box.names()) {
        for (const auto& [width, height] : sizes) {
            for (bool nullPlace : {false, true}) {
                const std::string what = Label(name) + " " + std::to_string(width) + "x" + std::to_string(height) +
                                         (nullPlace ? " null place" : "");
                Guarded place(sizeof(HBITMAP));
                Arg arg(name);
                const int result = preview(arg.get(), width, height, nullPlace ? nullptr : static_cast<HBITMAP*>(place.data()));
                ++g_calls;
                EXPECT_TRUE(place.Intact()) << what << ": " << place.Describe();
                const int kind = result & ~256;
                EXPECT_TRUE(result >= 0 && kind <= 3) << what << ": answered " << result;
                if (nullPlace || width < 1 || height < 1) {
                    EXPECT_NE(kind, 1) << what << ": a bitmap with nowhere to go";
                }
                if (kind == 1 && !nullPlace) DeleteObject(*static_cast<HBITMAP*>(place.data()));
            }
        }
    }
}

template <typename Char>
void RunLocalName(Sandbox& box, FARPROC proc) {
    using Fn = BOOL(WINAPI*)(Char*, int);
    auto localName = As<Fn>(proc);
    for (const HostileName& name : box.names()) {
        for (int maxlen : {INT_MIN, -1, 0, 1, 2, 3, 10, MAX_PATH, 1024, 4096}) {
            const std::string what = Label(name) + " maxlen " + std::to_string(maxlen);
            const std::string narrowText = ToAcp(name.text);
            const size_t length = sizeof(Char) == 2 ? name.text.size() : narrowText.size();
            const size_t chars = std::max<size_t>(length + 1, maxlen > 0 ? static_cast<size_t>(maxlen) : 0);
            Guarded buffer = sizeof(Char) == 2 ? Guarded::Wide(name.text, chars) : Guarded::Narrow(narrowText, chars);
            Guarded copy = buffer;
            const BOOL result = localName(name.null ? nullptr : static_cast<Char*>(buffer.data()), maxlen);
            ++g_calls;
            EXPECT_TRUE(buffer.Intact()) << what << ": " << buffer.Describe();
            if (name.kind == Kind::Short) {
                EXPECT_FALSE(result) << what;
            }
            if (!result) {
                EXPECT_EQ(std::memcmp(buffer.data(), copy.data(), buffer.size()), 0) << what << ": changed the name on failure";
                continue;
            }
            // A name handed back lies within maxlen, with its terminator.
            if (sizeof(Char) == 2) {
                EXPECT_LT(buffer.WideText().size(), static_cast<size_t>(std::max(maxlen, 0))) << what;
            } else if (maxlen > 0) {
                // The narrow form hands back the host's own name, one character shorter.
                EXPECT_EQ(buffer.NarrowText(), narrowText.substr(1)) << what;
            }
        }
    }
}

template <typename Char>
void RunContentValue(Sandbox& box, FARPROC proc) {
    using Fn = int(WINAPI*)(Char*, int, int, void*, int, int);
    auto value = As<Fn>(proc);
    using Arg = std::conditional_t<sizeof(Char) == 2, WideArg, NarrowArg>;
    const std::set<int> answers = {-4, -2, -1, 0, 1, 11};
    for (const HostileName& name : box.names()) {
        for (int field = -2; field <= 6; ++field) {
            for (int maxlen : {INT_MIN, -1, 0, 1, 2, 3, 4, 8, 520}) {
                for (int flags : {0, 1}) {
                    const std::string what = Label(name) + " field " + std::to_string(field) + " maxlen " +
                                             std::to_string(maxlen) + " flags " + std::to_string(flags);
                    Guarded out(maxlen > 0 ? static_cast<size_t>(maxlen) : 0);
                    Arg arg(name);
                    const int result = value(arg.get(), field, 0, out.data(), maxlen, flags);
                    ++g_calls;
                    EXPECT_TRUE(out.Intact()) << what << ": " << out.Describe();
                    EXPECT_TRUE(answers.count(result)) << what << ": answered " << result;
                    // The narrow form refuses names past 1023 characters as it would a missing file.
                    const bool overlong = sizeof(Char) == 1 && ToAcp(name.text).size() > 1023;
                    if (name.null || name.text.size() <= 4 || overlong) {
                        EXPECT_EQ(result, -2) << what << ": no entry";
                    } else if ((flags & 1) && field == 4) {
                        EXPECT_EQ(result, 0) << what << ": asks to be asked again";
                    } else if ((flags & 1) && field == 5) {
                        EXPECT_EQ(result, -4) << what;
                    } else if (field < 0 || field > 4) {
                        EXPECT_EQ(result, -1) << what;
                    }
                    if (result <= 0) {
                        EXPECT_TRUE(out.Untouched()) << what << ": wrote a value it did not answer";
                    }
                    if (result == 11) {
                        EXPECT_LT(out.WideText().size(), out.size() / 2) << what << ": unterminated";
                    }
                }
            }
            // The host always passes a value buffer; a null one still must not be written.
            Arg arg(name);
            const int result = value(arg.get(), field, 0, nullptr, 520, 0);
            ++g_calls;
            EXPECT_TRUE(result < 0) << Label(name) << " field " << field << " null value: answered " << result;
            (void)answers;
        }
    }
}

// ---- rows ----------------------------------------------------------------------------------

using WideBool = BOOL(WINAPI*)(WCHAR*);
using NarrowBool = BOOL(WINAPI*)(char*);

template <typename Arg, typename Fn>
Row BoolRow(const char* exportName, BoolOp op) {
    return {exportName, [op](Sandbox& box, FARPROC proc) {
                auto fn = As<Fn>(proc);
                RunBoolOp<Arg>(box, [fn](Arg& a) { return fn(a.get()); }, op);
            }};
}

template <typename Arg, typename Char>
Row SetAttrRow(const char* exportName) {
    return {exportName, [](Sandbox& box, FARPROC proc) {
                auto fn = As<BOOL(WINAPI*)(Char*, int)>(proc);
                for (int attr : {0, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, -1}) {
                    RunBoolOp<Arg>(box, [fn, attr](Arg& a) { return fn(a.get(), attr); }, BoolOp::SeriesWalk);
                }
            }};
}

template <typename Arg, typename Char>
Row SetTimeRow(const char* exportName) {
    return {exportName, [](Sandbox& box, FARPROC proc) {
                auto fn = As<BOOL(WINAPI*)(Char*, FILETIME*, FILETIME*, FILETIME*)>(proc);
                FILETIME zero{}, max{0xFFFFFFFFu, 0x7FFFFFFFu}, some{0x12345678u, 0x01D00000u};
                RunBoolOp<Arg>(box, [fn](Arg& a) { return fn(a.get(), nullptr, nullptr, nullptr); }, BoolOp::SeriesWalk);
                RunBoolOp<Arg>(box, [&](Arg& a) { return fn(a.get(), &zero, &max, &some); }, BoolOp::SeriesWalk);
            }};
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"FsFindFirstW", [](Sandbox& b, FARPROC p) {
             RunFind<WCHAR, WIN32_FIND_DATAW, HANDLE(WINAPI*)(WCHAR*, WIN32_FIND_DATAW*), BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*)>(
                 b, p, "FsFindNextW");
         }},
        {"FsFindFirst", [](Sandbox& b, FARPROC p) {
             RunFind<char, WIN32_FIND_DATAA, HANDLE(WINAPI*)(char*, WIN32_FIND_DATAA*), BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAA*)>(
                 b, p, "FsFindNext");
         }},
        BoolRow<WideArg, WideBool>("FsMkDirW", BoolOp::MakeFolder),
        BoolRow<NarrowArg, NarrowBool>("FsMkDir", BoolOp::MakeFolder),
        BoolRow<WideArg, WideBool>("FsRemoveDirW", BoolOp::RemoveFolder),
        BoolRow<NarrowArg, NarrowBool>("FsRemoveDir", BoolOp::RemoveFolder),
        BoolRow<WideArg, WideBool>("FsDeleteFileW", BoolOp::Delete),
        BoolRow<NarrowArg, NarrowBool>("FsDeleteFile", BoolOp::Delete),
        SetAttrRow<WideArg, WCHAR>("FsSetAttrW"),
        SetAttrRow<NarrowArg, char>("FsSetAttr"),
        SetTimeRow<WideArg, WCHAR>("FsSetTimeW"),
        SetTimeRow<NarrowArg, char>("FsSetTime"),
        {"FsRenMovFileW", [](Sandbox& b, FARPROC p) { RunRenMov<WCHAR>(b, p); }},
        {"FsRenMovFile", [](Sandbox& b, FARPROC p) { RunRenMov<char>(b, p); }},
        {"FsGetFileW", [](Sandbox& b, FARPROC p) { RunGet<WCHAR>(b, p); }},
        {"FsGetFile", [](Sandbox& b, FARPROC p) { RunGet<char>(b, p); }},
        {"FsPutFileW", [](Sandbox& b, FARPROC p) { RunPut<WCHAR>(b, p); }},
        {"FsPutFile", [](Sandbox& b, FARPROC p) { RunPut<char>(b, p); }},
        {"FsExecuteFileW", [](Sandbox& b, FARPROC p) { RunExecute<WCHAR>(b, p); }},
        {"FsExecuteFile", [](Sandbox& b, FARPROC p) { RunExecute<char>(b, p); }},
        {"FsExtractCustomIconW", [](Sandbox& b, FARPROC p) { RunIcon<WCHAR>(b, p); }},
        {"FsExtractCustomIcon", [](Sandbox& b, FARPROC p) { RunIcon<char>(b, p); }},
        {"FsGetPreviewBitmapW", [](Sandbox& b, FARPROC p) { RunPreview<WCHAR>(b, p); }},
        {"FsGetPreviewBitmap", [](Sandbox& b, FARPROC p) { RunPreview<char>(b, p); }},
        {"FsGetLocalNameW", [](Sandbox& b, FARPROC p) { RunLocalName<WCHAR>(b, p); }},
        {"FsGetLocalName", [](Sandbox& b, FARPROC p) { RunLocalName<char>(b, p); }},
        {"FsContentGetValueW", [](Sandbox& b, FARPROC p) { RunContentValue<WCHAR>(b, p); }},
        {"FsContentGetValue", [](Sandbox& b, FARPROC p) { RunContentValue<char>(b, p); }},
        {"FsStatusInfo", [](Sandbox& b, FARPROC p) {
             auto fn = As<void(WINAPI*)(char*, int, int)>(p);
             for (const HostileName& name : b.names()) {
                 NarrowArg arg(name);
                 for (int start : {-1, 0, 1, INT_MAX}) {
                     for (int op : {-1, 0, 1, 12, INT_MIN}) {
                         const Snapshot before = b.Take();
                         fn(arg.get(), start, op);
                         ++g_calls;
                         EXPECT_UNCHANGED(before, b, Label(name));
                     }
                 }
             }
         }},
    };
    return rows;
}

class HostileExport : public testing::TestWithParam<size_t> {};

TEST_P(HostileExport, DefinedAnswerNoStrayWriteNoChange) {
    const Row& row = Rows()[GetParam()];
    const FARPROC proc = GetProcAddress(Module::Get().handle(), row.exportName);
    if (proc == nullptr) GTEST_SKIP() << "the module does not export " << row.exportName << " yet";
    // No progress callback: a series operation could otherwise be steered by a recorder.
    ProgressRecorder progress;
    progress.InitModule();
    Sandbox box;
    ASSERT_TRUE(box.ok());
    const int before = g_calls;
    row.run(box, proc);
    RecordProperty("calls", g_calls - before);
    std::printf("%s: %d hostile calls\n", row.exportName, g_calls - before);
    // Transfers report their progress, and the absurd ranges over real members walk a series;
    // nothing else reports.
    const std::string exportName = row.exportName;
    const bool reports = exportName.rfind("FsSetAttr", 0) == 0 || exportName.rfind("FsSetTime", 0) == 0 ||
                         exportName.rfind("FsRenMov", 0) == 0 || exportName.rfind("FsGetFile", 0) == 0 ||
                         exportName.rfind("FsPutFile", 0) == 0;
    if (!reports) {
        EXPECT_TRUE(progress.reports().empty()) << row.exportName << " reported progress for a call that did nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, HostileExport, testing::Range<size_t>(0, Rows().size()),
                         [](const testing::TestParamInfo<size_t>& info) { return std::string(Rows()[info.param].exportName); });

// ---- the exports without names ---------------------------------------------------------------

TEST(HostileSmallExports, RootNameWithinEveryBufferSize) {
    auto root = Module::Get().Fn<void(WINAPI*)(char*, int)>("FsGetDefRootName");
    ASSERT_NE(root, nullptr);
    for (int maxlen : {INT_MIN, -1, 0, 1, 2, 5, 9, 10, 11, 260}) {
        Guarded buffer(maxlen > 0 ? static_cast<size_t>(maxlen) : 0);
        root(buffer.narrow(), maxlen);
        EXPECT_TRUE(buffer.Intact()) << "maxlen " << maxlen << ": " << buffer.Describe();
        if (maxlen < 1) {
            EXPECT_TRUE(buffer.Untouched()) << "maxlen " << maxlen;
        } else {
            EXPECT_EQ(buffer.NarrowText(), std::string("Tallyfold").substr(0, static_cast<size_t>(maxlen - 1)))
                << "maxlen " << maxlen;
        }
    }
    root(nullptr, 260);  // must not crash
    root(nullptr, 0);
}

TEST(HostileSmallExports, SupportedFieldsWithinEveryBufferSize) {
    auto field = Module::Get().Fn<int(WINAPI*)(int, char*, char*, int)>("FsContentGetSupportedField");
    auto flags = Module::Get().Fn<int(WINAPI*)(int)>("FsContentGetSupportedFieldFlags");
    auto sort = Module::Get().Fn<int(WINAPI*)(int)>("FsContentGetDefaultSortOrder");
    ASSERT_NE(field, nullptr);
    ASSERT_NE(flags, nullptr);
    ASSERT_NE(sort, nullptr);
    for (int index : {INT_MIN, -2, -1, 0, 1, 2, 3, 4, 5, 6, INT_MAX}) {
        const bool known = index >= 0 && index <= 4;
        for (int maxlen : {INT_MIN, -1, 0, 1, 2, 3, 5, 11, 260}) {
            const std::string what = "field " + std::to_string(index) + " maxlen " + std::to_string(maxlen);
            Guarded name(maxlen > 0 ? static_cast<size_t>(maxlen) : 0), units(maxlen > 0 ? static_cast<size_t>(maxlen) : 0);
            const int type = field(index, name.narrow(), units.narrow(), maxlen);
            EXPECT_TRUE(name.Intact()) << what << ": " << name.Describe();
            EXPECT_TRUE(units.Intact()) << what << ": " << units.Describe();
            if (!known || maxlen < 1) {
                EXPECT_EQ(type, 0) << what;
            } else {
                EXPECT_TRUE(type == 1 || type == 11) << what << ": answered " << type;
                EXPECT_LT(name.NarrowText().size(), static_cast<size_t>(maxlen)) << what;
            }
            if (type == 0) {
                EXPECT_TRUE(name.Untouched() && units.Untouched()) << what;
            }
        }
        EXPECT_EQ(field(index, nullptr, nullptr, 260), 0) << index;
        if (!known) {
            // -1 asks for the flags of all fields together.
            EXPECT_EQ(flags(index), index == -1 ? 15 : 0) << index;
            EXPECT_EQ(sort(index), 1) << index;
        }
    }
}

// The settings record the host hands over, placed so that its name field ends the readable
// memory: reading one byte past the 260 bytes of the field faults.
TEST(HostileSmallExports, DefaultParamsNeverReadPastTheirRecord) {
    auto setParams = Module::Get().Fn<void(WINAPI*)(void*)>("FsSetDefaultParams");
    ASSERT_NE(setParams, nullptr);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    auto* base = static_cast<unsigned char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(base, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
    const size_t recordSize = 12 + 260;
    unsigned char* record = base + page - recordSize;
    std::memset(record, 0, 12);
    std::memset(record + 12, 'n', 260);  // no terminator anywhere in the field
    setParams(record);
    setParams(nullptr);
    // Restore a usable name for the rest of the run.
    std::memcpy(record + 12, "fsplugin.ini", 13);
    setParams(record);
    VirtualFree(base, 0, MEM_RELEASE);
    SUCCEED() << "no fault";
}

TEST(HostileSmallExports, InitWithoutCallbacks) {
    auto init = Module::Get().Fn<int(WINAPI*)(int, void*, void*, void*)>("FsInit");
    auto initW = Module::Get().Fn<int(WINAPI*)(int, void*, void*, void*)>("FsInitW");
    ASSERT_NE(init, nullptr);
    ASSERT_NE(initW, nullptr);
    EXPECT_EQ(init(INT_MIN, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(initW(-1, nullptr, nullptr, nullptr), 0);
    // With neither progress callback set, a series operation runs without reports.
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"s", 1, 3, 0, L".txt"));
    auto setAttr = Module::Get().Fn<BOOL(WINAPI*)(WCHAR*, int)>("FsSetAttrW");
    std::wstring entry = dir.Plugin(L"s<1-3>.txt");
    EXPECT_EQ(setAttr(entry.data(), FILE_ATTRIBUTE_ARCHIVE), 1);
    auto unloading = Module::Get().Fn<void(WINAPI*)()>("FsContentPluginUnloading");
    auto links = Module::Get().Fn<BOOL(WINAPI*)()>("FsLinksToLocalFiles");
    ASSERT_NE(unloading, nullptr);
    ASSERT_NE(links, nullptr);
    unloading();
    unloading();
    EXPECT_EQ(links(), TRUE);
}

// ---- find handles used side by side ----------------------------------------------------------

TEST(HostileFind, InterleavedHandlesEachListTheirOwnFolder) {
    using FirstW = HANDLE(WINAPI*)(WCHAR*, WIN32_FIND_DATAW*);
    using NextW = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*);
    using FirstA = HANDLE(WINAPI*)(char*, WIN32_FIND_DATAA*);
    using NextA = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAA*);
    auto firstW = Module::Get().Fn<FirstW>("FsFindFirstW");
    auto nextW = Module::Get().Fn<NextW>("FsFindNextW");
    auto firstA = Module::Get().Fn<FirstA>("FsFindFirst");
    auto nextA = Module::Get().Fn<NextA>("FsFindNext");
    auto close = Module::Get().Fn<int(WINAPI*)(HANDLE)>("FsFindClose");

    TempDir a, b, c;
    ASSERT_TRUE(MakeSeries(a, L"a", 1, 40, 3, L".png"));
    ASSERT_TRUE(MakeSeries(a, L"x", 7, 9, 0, L".txt"));
    ASSERT_TRUE(MakeSeries(b, L"frame", 1, 5, 0, L".jpg"));
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(WriteBytes(b / (L"plain" + std::wstring(1, wchar_t(L'a' + i))), "x"));
    ASSERT_TRUE(MakeSeries(c, L"c", 10, 12, 2, L""));
    const std::vector<std::wstring> expectedA = ListNames(a.Plugin()), expectedB = ListNames(b.Plugin()),
                                    expectedC = ListNames(c.Plugin()), expectedRoot = ListNames(L"\\");
    ASSERT_FALSE(expectedA.empty());

    // Open every handle first (wide and narrow mixed, the root among them), then take one entry
    // from each in turn until all are done.
    struct Open {
        HANDLE handle;
        bool narrow;
        std::vector<std::wstring> got;
        const std::vector<std::wstring>* expected;
        bool done = false;
    };
    std::vector<Open> open;
    auto openWide = [&](std::wstring path, const std::vector<std::wstring>* expected) {
        WIN32_FIND_DATAW data{};
        HANDLE h = firstW(path.data(), &data);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        open.push_back({h, false, {data.cFileName}, expected});
    };
    auto openNarrow = [&](std::wstring path, const std::vector<std::wstring>* expected) {
        std::string text = ToAcp(path);
        WIN32_FIND_DATAA data{};
        HANDLE h = firstA(text.data(), &data);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::wstring name(data.cFileName, data.cFileName + std::strlen(data.cFileName));
        open.push_back({h, true, {name}, expected});
    };
    openWide(a.Plugin(), &expectedA);
    openNarrow(b.Plugin(), &expectedB);
    openWide(L"\\", &expectedRoot);
    openNarrow(a.Plugin(), &expectedA);
    openWide(c.Plugin(), &expectedC);
    openWide(b.Plugin(), &expectedB);
    for (bool any = true; any;) {
        any = false;
        for (Open& o : open) {
            if (o.done) continue;
            any = true;
            if (o.narrow) {
                WIN32_FIND_DATAA data{};
                if (nextA(o.handle, &data)) o.got.emplace_back(data.cFileName, data.cFileName + std::strlen(data.cFileName));
                else o.done = true;
            } else {
                WIN32_FIND_DATAW data{};
                if (nextW(o.handle, &data)) o.got.push_back(data.cFileName);
                else o.done = true;
            }
        }
    }
    // Close in another order than opened.
    for (size_t i : {3u, 0u, 5u, 1u, 4u, 2u}) EXPECT_EQ(close(open[i].handle), 0);
    for (size_t i = 0; i < open.size(); ++i) EXPECT_EQ(open[i].got, *open[i].expected) << "handle " << i;
}

}  // namespace
