#include "support/launch.h"

#include "support/support.h"

#include <utility>

namespace tftest {

namespace {
thread_local DialogDriver* t_driver = nullptr;

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

bool ReadDefault(HKEY key, std::wstring& value) {
    wchar_t buffer[1024];
    DWORD bytes = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    value.assign(buffer, bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == 0) value.pop_back();
    return true;
}

void WriteDefault(HKEY root, const std::wstring& subKey, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
}  // namespace

std::wstring RecorderPath() { return ModuleFolder() + L"tf_record.exe"; }

RecordFile::RecordFile(std::wstring path) : path_(std::move(path)) {
    SetEnvironmentVariableW(L"TF_RECORD_FILE", path_.c_str());
}

RecordFile::~RecordFile() { SetEnvironmentVariableW(L"TF_RECORD_FILE", nullptr); }

std::string RecordFile::WaitForLine(DWORD timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::string content;
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
            CloseHandle(file);
            const size_t lineEnd = content.find('\n');
            if (lineEnd != std::string::npos) return content.substr(0, lineEnd);
        }
        if (GetTickCount64() >= end) return {};
        Sleep(50);
    }
}

bool RecordFile::StaysEmpty(DWORD waitMs) const { return WaitForLine(waitMs).empty(); }

ScopedAssociation::ScopedAssociation(const std::wstring& extension, const std::wstring& command)
    : extension_(extension), progId_(L"TallyfoldTest" + extension) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, extension_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        hadKey_ = true;
        hadValue_ = ReadDefault(key, oldValue_);
        RegCloseKey(key);
    }
    WriteDefault(HKEY_CLASSES_ROOT, progId_ + L"\\shell\\open\\command", command);
    WriteDefault(HKEY_CLASSES_ROOT, extension_, progId_);
}

ScopedAssociation::~ScopedAssociation() {
    if (hadValue_) {
        WriteDefault(HKEY_CLASSES_ROOT, extension_, oldValue_);
    } else if (hadKey_) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, extension_.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, nullptr);
            RegCloseKey(key);
        }
    } else {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, extension_.c_str());
    }
    RegDeleteTreeW(HKEY_CLASSES_ROOT, progId_.c_str());
}

DialogDriver::DialogDriver(std::function<void(HWND)> handler) : handler_(std::move(handler)) {
    t_driver = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogDriver::~DialogDriver() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    t_driver = nullptr;
}

LRESULT CALLBACK DialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
    DialogDriver* driver = t_driver;
    if (code == HCBT_ACTIVATE && driver != nullptr) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (std::wstring(className) == L"#32770" && window != driver->last_) {
            driver->last_ = window;
            ++driver->handled_;
            driver->handler_(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ClickItem(HWND list, int index) {
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 2, item.top + 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
}

OwnerWindow::OwnerWindow(int x, int y, int width, int height) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TallyfoldTestOwner";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
    if (window_ != nullptr) {
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        SetActiveWindow(window_);
    }
}

OwnerWindow::~OwnerWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

bool ContainsFoldCase(const std::string& text, const std::wstring& part) {
    std::string a = text;
    std::string b = Narrow(part);
    for (char& c : a) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (char& c : b) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return a.find(b) != std::string::npos;
}

namespace {

// A temporary file that a child process inherits as a standard handle; removed at the end.
class CaptureFile {
public:
    CaptureFile() {
        wchar_t folder[MAX_PATH];
        wchar_t name[MAX_PATH];
        if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"tfh", 0, name) == 0) return;
        path_ = name;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        handle_ = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0, nullptr);
    }
    ~CaptureFile() {
        Close();
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    HANDLE handle() const { return handle_; }
    std::string Read() {
        Close();
        return path_.empty() ? std::string() : ReadBytes(path_);
    }

private:
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    std::wstring path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

ProcessResult RunTfhost(const std::vector<std::wstring>& args) {
    ProcessResult result;
    result.exitCode = static_cast<DWORD>(-1);
    std::wstring commandLine = L"\"" + std::wstring(TF_TFHOST_PATH) + L"\"";
    for (const std::wstring& arg : args) commandLine += L" \"" + arg + L"\"";
    // The output goes to files, so a chatty host never waits on a full pipe.
    CaptureFile out;
    CaptureFile err;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = out.handle();
    startup.hStdError = err.handle();
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        // A host that hangs is ended instead of hanging the test.
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &result.exitCode);
        } else {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    result.out = out.Read();
    result.err = err.Read();
    return result;
}

std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length > 0 ? length : 0));
        items.push_back(text);
    }
    return items;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

ActivationContextSeen SeeActivationContext() {
    ActivationContextSeen seen;
    HANDLE context = nullptr;
    if (!GetCurrentActCtx(&context) || context == nullptr) return seen;
    // Assembly 1 is the one the context's own manifest describes; its identity begins with its name.
    DWORD index = 1;
    SIZE_T needed = 0;
    QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed != 0 && QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, buffer.data(),
                                    buffer.size(), &needed)) {
        const auto* assembly = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
        if (assembly->lpAssemblyEncodedAssemblyIdentity != nullptr) {
            const std::wstring identity = assembly->lpAssemblyEncodedAssemblyIdentity;
            seen.assembly = identity.substr(0, identity.find(L','));
        }
    }
    ACTCTX_SECTION_KEYED_DATA redirection{};
    redirection.cbSize = sizeof redirection;
    seen.commonControls6 = FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                                    ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                                    &redirection) &&
                           redirection.hActCtx == context;
    if (redirection.hActCtx != nullptr) ReleaseActCtx(redirection.hActCtx);
    ReleaseActCtx(context);
    return seen;
}

}  // namespace tftest
