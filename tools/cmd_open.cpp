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

}  // namespace

int CmdOpen(Context& ctx) {
    const FsExecuteFileWFn execute = ExecuteExport(ctx, L"open");
    if (execute == nullptr) return 2;
    const HWND window = CreateMainWindow();
    if (window == nullptr) {
        Err(Format(L"tfhost: cannot create a window (error %lu)\n", GetLastError()));
        return 1;
    }
    std::wstring path = ctx.args[0];
    WCHAR verb[] = L"open";
    const int result = execute(window, path.data(), verb);
    Out(Format(L"FsExecuteFileW(open) = %d\n", result));
    DestroyWindow(window);
    return result == 0 ? 0 : 1;
}

int CmdProperties(Context& ctx) {
    const FsExecuteFileWFn execute = ExecuteExport(ctx, L"properties");
    if (execute == nullptr) return 2;
    const HWND window = CreateMainWindow();
    if (window == nullptr) {
        Err(Format(L"tfhost: cannot create a window (error %lu)\n", GetLastError()));
        return 1;
    }
    std::wstring path = ctx.args[0];
    WCHAR verb[] = L"properties";
    const int result = execute(window, path.data(), verb);
    Out(Format(L"FsExecuteFileW(properties) = %d\n", result));
    // The plugin posts the re-read command to the active window, or to this thread when none is.
    bool reread = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == kHostCommandMessage && message.wParam == kHostRereadPanel) {
            reread = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    if (result != 0) return 1;
    if (!reread) {
        Err(L"tfhost: the plugin did not ask to re-read the panel\n");
        return 1;
    }
    Out(L"re-read command received (message 1075, command 540): listing again\n");
    return CmdList(ctx);
}

}  // namespace tfhost
