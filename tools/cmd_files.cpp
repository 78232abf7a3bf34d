// delete, mkdir, rmdir, get, put, attr, touch: one plugin call each, its answer printed by name.
#include <cwchar>
#include <cstdlib>
#include <string>

#include "host.h"

namespace tfhost {

namespace {

using FsPathFn = BOOL(WINAPI*)(WCHAR*);
using FsGetFileWFn = int(WINAPI*)(WCHAR*, WCHAR*, int, void*);
using FsPutFileWFn = int(WINAPI*)(WCHAR*, WCHAR*, int);
using FsSetAttrWFn = BOOL(WINAPI*)(WCHAR*, int);
using FsSetTimeWFn = BOOL(WINAPI*)(WCHAR*, FILETIME*, FILETIME*, FILETIME*);

constexpr int kCopyOverwrite = 1;
constexpr int kCopyMove = 4;
constexpr int kUserAbort = 5;

// The answer of delete, folders, attributes and times: 0 failed, nonzero done, 5 aborted.
int ReportBool(BOOL result) {
    const wchar_t* name = result == 0 ? L"failed" : (result == kUserAbort ? L"aborted (FS_FILE_USERABORT)" : L"done");
    Out(Format(L"result %d: %ls\n", result, name));
    return result != 0 && result != kUserAbort ? 0 : 1;
}

// The answer of get and put: the host interface's file codes.
int ReportFileCode(int result) {
    Out(Format(L"result %d: %ls\n", result, FileCodeName(result)));
    return result == 0 ? 0 : 1;
}

bool TakeFlag(std::vector<std::wstring>& args, const wchar_t* flag) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == flag) {
            args.erase(it);
            return true;
        }
    }
    return false;
}

template <typename F>
F Need(Context& ctx, const char* name) {
    F fn = ctx.plugin.Get<F>(name);
    if (fn == nullptr) Err(Format(L"tfhost: the module lacks %hs\n", name));
    return fn;
}

// --yes: the host answers the plugin's question with Yes as a user would, by pressing the button
// of the message box once it is active. The box's text is printed, so the log shows what was
// answered.
thread_local HHOOK t_answerHook = nullptr;

LRESULT CALLBACK AnswerYes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(box, className, 16);
        const HWND yes = GetDlgItem(box, IDYES);
        if (std::wstring(className) == L"#32770" && yes != nullptr) {
            wchar_t text[2048] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 2048);
            Out(Format(L"[message box answered Yes]\n%ls\n", text));
            PostMessageW(yes, BM_CLICK, 0, 0);
        }
    }
    return CallNextHookEx(t_answerHook, code, wParam, lParam);
}

// "2026-12-08 17:20:00", "2026-12-08T17:20", "2026-12-08" (UTC) or "now".
bool ParseTime(const std::wstring& text, FILETIME& out) {
    SYSTEMTIME st{};
    if (text == L"now") {
        GetSystemTime(&st);
    } else {
        unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        wchar_t sep = 0;
        const int n = swscanf(text.c_str(), L"%4u-%2u-%2u%lc%2u:%2u:%2u", &y, &mo, &d, &sep, &h, &mi, &s);
        if (n != 3 && n < 6) return false;
        if (n > 3 && sep != L' ' && sep != L'T') return false;
        st.wYear = static_cast<WORD>(y);
        st.wMonth = static_cast<WORD>(mo);
        st.wDay = static_cast<WORD>(d);
        st.wHour = static_cast<WORD>(h);
        st.wMinute = static_cast<WORD>(mi);
        st.wSecond = static_cast<WORD>(s);
    }
    return SystemTimeToFileTime(&st, &out) != 0;
}

// "r", "h", "s", "a" and combinations ("rh"), "-" for none, or a hex value ("0x21", "20").
bool ParseAttributes(const std::wstring& text, int& out) {
    if (text == L"-") {
        out = 0;
        return true;
    }
    if (text.find_first_not_of(L"rhsa") == std::wstring::npos && !text.empty()) {
        out = 0;
        for (wchar_t c : text) {
            out |= c == L'r' ? FILE_ATTRIBUTE_READONLY
                 : c == L'h' ? FILE_ATTRIBUTE_HIDDEN
                 : c == L's' ? FILE_ATTRIBUTE_SYSTEM
                             : FILE_ATTRIBUTE_ARCHIVE;
        }
        return true;
    }
    wchar_t* end = nullptr;
    const unsigned long value = wcstoul(text.c_str(), &end, 16);
    if (end == text.c_str() || *end != 0) return false;
    out = static_cast<int>(value);
    return true;
}

int RunPathCommand(Context& ctx, const char* exportName, const wchar_t* usage) {
    if (ctx.args.size() != 1) {
        Err(Format(L"usage: %ls\n", usage));
        return 2;
    }
    auto fn = Need<FsPathFn>(ctx, exportName);
    if (fn == nullptr) return 1;
    std::wstring path = ctx.args[0];
    return ReportBool(fn(path.data()));
}

int RunTransfer(Context& ctx, bool get) {
    const int flags = (TakeFlag(ctx.args, L"--overwrite") ? kCopyOverwrite : 0) | (TakeFlag(ctx.args, L"--move") ? kCopyMove : 0);
    if (ctx.args.size() != 2) {
        Err(get ? L"usage: get REMOTE LOCAL [--overwrite] [--move]\n" : L"usage: put LOCAL REMOTE [--overwrite] [--move]\n");
        return 2;
    }
    std::wstring from = ctx.args[0];
    std::wstring to = ctx.args[1];
    if (get) {
        auto fn = Need<FsGetFileWFn>(ctx, "FsGetFileW");
        return fn == nullptr ? 1 : ReportFileCode(fn(from.data(), to.data(), flags, nullptr));
    }
    auto fn = Need<FsPutFileWFn>(ctx, "FsPutFileW");
    return fn == nullptr ? 1 : ReportFileCode(fn(from.data(), to.data(), flags));
}

}  // namespace

int CmdDelete(Context& ctx) {
    const bool yes = TakeFlag(ctx.args, L"--yes");
    if (ctx.args.size() != 1) {
        Err(L"usage: delete PLUGINPATH [--yes]\n");
        return 2;
    }
    auto fn = Need<FsPathFn>(ctx, "FsDeleteFileW");
    if (fn == nullptr) return 1;
    if (yes) t_answerHook = SetWindowsHookExW(WH_CBT, AnswerYes, nullptr, GetCurrentThreadId());
    std::wstring path = ctx.args[0];
    const BOOL result = fn(path.data());
    if (t_answerHook != nullptr) UnhookWindowsHookEx(t_answerHook);
    t_answerHook = nullptr;
    return ReportBool(result);
}

int CmdMkDir(Context& ctx) { return RunPathCommand(ctx, "FsMkDirW", L"mkdir PLUGINPATH"); }

int CmdRmDir(Context& ctx) { return RunPathCommand(ctx, "FsRemoveDirW", L"rmdir PLUGINPATH"); }

int CmdGet(Context& ctx) { return RunTransfer(ctx, true); }

int CmdPut(Context& ctx) { return RunTransfer(ctx, false); }

int CmdAttr(Context& ctx) {
    int attributes = 0;
    if (ctx.args.size() != 2 || !ParseAttributes(ctx.args[1], attributes)) {
        Err(L"usage: attr PLUGINPATH ATTRS   (r, h, s, a combined, - for none, or a hex value)\n");
        return 2;
    }
    auto fn = Need<FsSetAttrWFn>(ctx, "FsSetAttrW");
    if (fn == nullptr) return 1;
    std::wstring path = ctx.args[0];
    return ReportBool(fn(path.data(), attributes));
}

int CmdTouch(Context& ctx) {
    FILETIME times[3]{};
    bool given[3] = {false, false, false};
    static const wchar_t* const kOptions[] = {L"--created", L"--accessed", L"--written"};
    std::vector<std::wstring> rest;
    for (size_t i = 0; i < ctx.args.size(); ++i) {
        int which = -1;
        for (int o = 0; o < 3; ++o) {
            if (ctx.args[i] == kOptions[o]) which = o;
        }
        if (which < 0) {
            rest.push_back(ctx.args[i]);
            continue;
        }
        if (i + 1 >= ctx.args.size() || !ParseTime(ctx.args[i + 1], times[which])) {
            Err(Format(L"touch: %ls needs a time: YYYY-MM-DD[ HH:MM:SS] (UTC) or now\n", kOptions[which]));
            return 2;
        }
        given[which] = true;
        ++i;
    }
    if (rest.size() != 1) {
        Err(L"usage: touch PLUGINPATH [--created T] [--accessed T] [--written T]   (none given: --written now)\n");
        return 2;
    }
    if (!given[0] && !given[1] && !given[2]) given[2] = ParseTime(L"now", times[2]);
    auto fn = Need<FsSetTimeWFn>(ctx, "FsSetTimeW");
    if (fn == nullptr) return 1;
    std::wstring path = rest[0];
    return ReportBool(fn(path.data(), given[0] ? &times[0] : nullptr, given[1] ? &times[1] : nullptr,
                         given[2] ? &times[2] : nullptr));
}

}  // namespace tfhost
