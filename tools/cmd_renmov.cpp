// copy OLD NEW [--overwrite], move OLD NEW [--overwrite]: FsRenMovFileW on two plugin paths, a
// plain file or a whole series; the progress bar shows the series' progress.
#include <string>

#include "host.h"

namespace tfhost {

namespace {

using FsRenMovFileWFn = int(WINAPI*)(WCHAR*, WCHAR*, BOOL, BOOL, void*);

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// The plugin's only boxes here are its range errors, which offer nothing but OK: the host shows
// their text on stderr and closes them as a user would, so a script never waits on a window that
// nobody sees.
LRESULT CALLBACK CloseErrorBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            Err(Format(L"\n%ls: %ls\n", WindowText(box).c_str(), WindowText(GetDlgItem(box, 0xFFFF)).c_str()));
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int RenMov(Context& ctx, bool move) {
    const wchar_t* usage = move ? L"usage: move OLD NEW [--overwrite]\n" : L"usage: copy OLD NEW [--overwrite]\n";
    std::wstring names[2];
    int count = 0;
    bool overwrite = false;
    for (const std::wstring& arg : ctx.args) {
        if (arg == L"--overwrite") overwrite = true;
        else if (count < 2) names[count++] = arg;
        else count = 3;
    }
    if (count != 2) {
        Err(usage);
        return 2;
    }
    auto renMov = ctx.plugin.Get<FsRenMovFileWFn>("FsRenMovFileW");
    if (renMov == nullptr) {
        Err(L"tfhost: the module lacks FsRenMovFileW\n");
        return 1;
    }
    const HHOOK hook = SetWindowsHookExW(WH_CBT, CloseErrorBox, nullptr, GetCurrentThreadId());
    const int result = renMov(names[0].data(), names[1].data(), move ? TRUE : FALSE, overwrite ? TRUE : FALSE, nullptr);
    if (hook != nullptr) UnhookWindowsHookEx(hook);
    Out(Format(L"result %d: %ls\n", result, FileCodeName(result)));
    return result == 0 ? 0 : 1;
}

}  // namespace

int CmdCopy(Context& ctx) { return RenMov(ctx, false); }
int CmdMove(Context& ctx) { return RenMov(ctx, true); }

}  // namespace tfhost
