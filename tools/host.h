// The command-line host: loads a plugin module the way the file manager does and runs one command.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace tfhost {

// Output as UTF-8 on the standard handles, so pipes and terminals see the same text.
void Out(const std::wstring& text);
void Err(const std::wstring& text);
std::wstring Format(const wchar_t* format, ...);

class Plugin {
public:
    bool Load(const std::wstring& path);
    // The export with the given undecorated name, as a typed function pointer; null when missing.
    template <typename F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    HMODULE module() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

struct Context {
    Plugin plugin;
    std::vector<std::wstring> args;  // the command's own arguments
    bool grouping = true;            // --no-grouping asks the plugin to list members one by one
};

using CommandFn = int (*)(Context&);
struct Command {
    const wchar_t* name;
    const wchar_t* usage;
    CommandFn run;
};

// "FS_FILE_OK" ... "FS_FILE_NOTSUPPORTED" for the file operations' answers 0 to 6.
const wchar_t* FileCodeName(int code);

// Commands, one source file each.
int CmdList(Context& ctx);
int CmdFields(Context& ctx);
int CmdIcon(Context& ctx);
int CmdPreview(Context& ctx);
int CmdDelete(Context& ctx);
int CmdMkDir(Context& ctx);
int CmdRmDir(Context& ctx);
int CmdGet(Context& ctx);
int CmdPut(Context& ctx);
int CmdAttr(Context& ctx);
int CmdTouch(Context& ctx);
int CmdOpen(Context& ctx);
int CmdProperties(Context& ctx);

// Content-field columns for `list --fields`: the header, and the cells of one entry in a folder.
std::wstring FieldColumns(const Plugin& plugin);
std::wstring FieldColumns(const Plugin& plugin, const std::wstring& folder, const wchar_t* name);
int CmdLocal(Context& ctx);
int CmdCopy(Context& ctx);
int CmdMove(Context& ctx);

// Progress callback given to FsInitW: draws a bar on stderr.
int WINAPI ProgressBar(int pluginNr, WCHAR* source, WCHAR* target, int percent);

}  // namespace tfhost
