// Shared test support: temporary folders of real files, and the plugin module loaded as the
// file manager loads it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace tftest {

// A fresh folder under the temp folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    // Local path of a name inside the folder.
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Plugin path (leading backslash) of a name inside the folder, or of the folder itself.
    std::wstring Plugin(const std::wstring& name = L"") const;

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& content);
bool MakeFile(const std::wstring& path, unsigned long long size = 0);
std::string ReadBytes(const std::wstring& path);
bool Exists(const std::wstring& path);

// True when this process runs under Wine (ntdll exports wine_get_version).
bool UnderWine();

// The finished module, loaded once per test program.
class Module {
public:
    static Module& Get();
    HMODULE handle() const { return module_; }
    template <typename F>
    F Fn(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    Module();
    HMODULE module_;
};

// Names that FsFindFirstW/FsFindNextW hand out for a plugin path, in order (empty when -1).
std::vector<std::wstring> ListNames(const std::wstring& pluginPath);
std::vector<WIN32_FIND_DATAW> ListRecords(const std::wstring& pluginPath);

std::string Narrow(const std::wstring& text);

}  // namespace tftest
