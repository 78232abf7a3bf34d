// open PLUGINPATH: the plugin's Open dialog, owned by a window of this program.
// properties PLUGINPATH: flips grouping, then lists the folder again when the plugin asks for it.
#include "host.h"

namespace tfhost {

namespace {

using FsExecuteFileWFn = int(WINAPI*)(HWND, WCHAR*, WCHAR*);

// The file manager's command message and its command to re-read the current panel.
constexpr UINT kHostCommandMessage = WM_USER + 51;
constexpr WPARAM kHostRereadPanel = 540;

// Under Wine the first window call starts a desktop process that inherits this program's
// standard handles and outlives it; started on null handles it cannot keep a caller's pipe open.
void StartDesktopOnNullHandles() {
    const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE saved[3];
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    for (int i = 0; i < 3; ++i) {
        saved[i] = GetStdHandle(which[i]);
        SetStdHandle(which[i], nul);
    }
    GetDesktopWindow();
    for (int i = 0; i < 3; ++i) SetStdHandle(which[i], saved[i]);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
}

// The stand-in for the file manager's main window.
HWND CreateMainWindow() {
    StartDesktopOnNullHandles();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"TallyfoldHostWindow";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"tfhost", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 640, 480, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return nullptr;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    return window;
}

FsExecuteFileWFn ExecuteExport(Context& ctx, const wchar_t* usage) {
    if (ctx.args.size() != 1) {
        Err(Format(L"usage: %ls PLUGINPATH\n", usage));
        return nullptr;
    }
    auto execute = ctx.plugin.Get<FsExecuteFileWFn>("FsExecuteFileW");
    if (execute == nullptr) Err(L"tfhost: the module lacks FsExecuteFileW\n");
    return execute;
}

// What running a verb gave: whether it ran, the host's exit code when it did not, the plugin's
// answer, and whether the plugin asked for the panel to be re-read meanwhile.
struct VerbRun {
    bool ran = false;
    int exitCode = 0;
    int result = 0;
    bool reread = false;
};

// Runs a verb on the one path argument from a window of this host and prints the answer.
VerbRun RunVerb(Context& ctx, const wchar_t* verbName) {
    VerbRun run;
    const FsExecuteFileWFn execute = ExecuteExport(ctx, verbName);
    if (execute == nullptr) {
        run.exitCode = 2;
        return run;
    }
    const HWND window = CreateMainWindow();
    if (window == nullptr) {
        Err(Format(L"tfhost: cannot create a window (error %lu)\n", GetLastError()));
        run.exitCode = 1;
        return run;
    }
    std::wstring path = ctx.args[0];
    std::wstring verb = verbName;
    run.result = execute(window, path.data(), verb.data());
    Out(Format(L"FsExecuteFileW(%ls) = %d\n", verbName, run.result));
    // The plugin posts the re-read command to the active window, or to this thread when none is.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == kHostCommandMessage && message.wParam == kHostRereadPanel) {
            run.reread = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    run.ran = true;
    return run;
}

}  // namespace

int CmdOpen(Context& ctx) {
    const VerbRun run = RunVerb(ctx, L"open");
    if (!run.ran) return run.exitCode;
    return run.result == 0 ? 0 : 1;
}

int CmdProperties(Context& ctx) {
    const VerbRun run = RunVerb(ctx, L"properties");
    if (!run.ran) return run.exitCode;
    if (run.result != 0) return 1;
    if (!run.reread) {
        Err(L"tfhost: the plugin did not ask to re-read the panel\n");
        return 1;
    }
    Out(L"re-read command received (message 1075, command 540): listing again\n");
    return CmdList(ctx);
}

}  // namespace tfhost
