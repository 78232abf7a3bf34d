#include "support/support.h"

#include <gtest/gtest.h>

#include <atomic>

namespace tftest {

namespace {
std::atomic<unsigned> g_counter{0};

// Under Wine the first window call starts a desktop process that inherits the caller's standard
// handles; started on null handles, it leaves the test runner's pipes free to close.
struct DesktopOnNullHandles {
    DesktopOnNullHandles() {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
        const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
        const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
        SetStdHandle(STD_OUTPUT_HANDLE, nul);
        SetStdHandle(STD_ERROR_HANDLE, nul);
        SetStdHandle(STD_INPUT_HANDLE, nul);
        GetDesktopWindow();
        SetStdHandle(STD_OUTPUT_HANDLE, out);
        SetStdHandle(STD_ERROR_HANDLE, err);
        SetStdHandle(STD_INPUT_HANDLE, in);
        if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    }
};
const DesktopOnNullHandles g_desktop;
}

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring root = base;
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    for (;;) {
        path_ = root + L"\\tftest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(g_counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create a temp folder";
            break;
        }
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring TempDir::Plugin(const std::wstring& name) const {
    return L"\\" + (name.empty() ? path_ : path_ + L"\\" + name);
}

static std::wstring Long(const std::wstring& path) {
    return path.size() >= MAX_PATH && path.rfind(L"\\\\?\\", 0) != 0 ? L"\\\\?\\" + path : path;
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW record;
    const HANDLE search = FindFirstFileW(Long(path + L"\\*").c_str(), &record);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = record.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(Long(child).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(Long(child).c_str());
            }
        } while (FindNextFileW(search, &record));
        FindClose(search);
    }
    SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Long(path).c_str());
}

bool WriteBytes(const std::wstring& path, const std::string& content) {
    const HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = content.empty() || WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

bool MakeFile(const std::wstring& path, unsigned long long size) {
    const HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    if (size > 0) {
        LARGE_INTEGER distance;
        distance.QuadPart = static_cast<LONGLONG>(size);
        ok = SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    }
    CloseHandle(file);
    return ok;
}

std::string ReadBytes(const std::wstring& path) {
    const HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

Module& Module::Get() {
    static Module module;
    return module;
}

Module::Module() : module_(LoadLibraryW(TF_MODULE_PATH)) {
    if (module_ == nullptr) ADD_FAILURE() << "cannot load the plugin module, error " << GetLastError();
}

std::vector<WIN32_FIND_DATAW> ListRecords(const std::wstring& pluginPath) {
    auto first = Module::Get().Fn<HANDLE(WINAPI*)(WCHAR*, WIN32_FIND_DATAW*)>("FsFindFirstW");
    auto next = Module::Get().Fn<BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*)>("FsFindNextW");
    auto close = Module::Get().Fn<int(WINAPI*)(HANDLE)>("FsFindClose");
    std::vector<WIN32_FIND_DATAW> records;
    std::wstring path = pluginPath;
    WIN32_FIND_DATAW record;
    const HANDLE handle = first(path.data(), &record);
    if (handle == INVALID_HANDLE_VALUE) return records;
    do records.push_back(record);
    while (next(handle, &record));
    close(handle);
    return records;
}

std::vector<std::wstring> ListNames(const std::wstring& pluginPath) {
    std::vector<std::wstring> names;
    for (const auto& record : ListRecords(pluginPath)) names.emplace_back(record.cFileName);
    return names;
}

std::string Narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace tftest
