#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "host.h"
#include "tallyfold_version.h"

namespace tfhost {

namespace {

constexpr Command kCommands[] = {
    {L"list", L"list PLUGINPATH            entries as the file manager sees them", CmdList},
    {L"fields", L"fields PLUGINPATH          the content fields of one entry", CmdFields},
    {L"icon", L"icon [--large] PLUGINPATH  the plugin's icon answer and the icon's size", CmdIcon},
    {L"preview", L"preview PLUGINPATH W H     the plugin's preview answer: a local path or a bitmap", CmdPreview},
    {L"delete", L"delete PLUGINPATH [--yes]  delete a file, or every member of a series after the plugin's warning\n"
                L"                             (--yes answers the warning with Yes)", CmdDelete},
    {L"mkdir", L"mkdir PLUGINPATH           make a folder", CmdMkDir},
    {L"rmdir", L"rmdir PLUGINPATH           remove an empty folder", CmdRmDir},
    {L"get", L"get REMOTE LOCAL [--overwrite] [--move]  download an entry; a series to a local range name\n"
              L"                             (its own, or with '<' and '>' replaced) arrives whole, to a plain\n"
              L"                             name as its first member", CmdGet},
    {L"put", L"put LOCAL REMOTE [--overwrite] [--move]  upload a local file", CmdPut},
    {L"attr", L"attr PLUGINPATH ATTRS      set attributes (r, h, s, a, - for none, or hex) on a file or every member",
     CmdAttr},
    {L"touch", L"touch PLUGINPATH [--created T] [--accessed T] [--written T]  set times (UTC, or now)", CmdTouch},
    {L"local", L"local PLUGINPATH [MAXLEN]  the local name FsGetLocalNameW gives for an entry", CmdLocal},
    {L"open", L"open PLUGINPATH            the Open dialog for an entry, owned by a window of tfhost", CmdOpen},
    {L"properties", L"properties PLUGINPATH      flip grouping, then list the folder again", CmdProperties},
    {L"copy", L"copy OLD NEW [--overwrite] copy a file or every member of a series", CmdCopy},
    {L"move", L"move OLD NEW [--overwrite] move or rename a file or a series (renumber, re-pad)", CmdMove},
};

// Ctrl+C during a series: the next progress report answers cancel, as the file manager's abort
// button does. A second Ctrl+C before that report ends the program the usual way.
volatile LONG g_cancelRequested = 0;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    return InterlockedExchange(&g_cancelRequested, 1) == 0;
}

void WriteUtf8(DWORD which, const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(which), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

int Usage() {
    Err(L"usage: tfhost [--plugin FILE] [--ini FILE] [--no-grouping] COMMAND ARGS...\n"
        L"       tfhost --version\ncommands:\n");
    for (const Command& c : kCommands) Err(Format(L"  %ls\n", c.usage));
    return 2;
}

using FsSetDefaultParamsFn = void(WINAPI*)(void*);
using FsInitWFn = int(WINAPI*)(int, void*, void*, void*);
using FsGetDefRootNameFn = void(WINAPI*)(char*, int);

// The host's default-parameters record: size, interface version, then the settings file name.
struct DefaultParams {
    int size;
    DWORD versionLow;
    DWORD versionHigh;
    char iniName[MAX_PATH];
};

bool StartPlugin(Plugin& plugin, const std::wstring& iniPath) {
    auto setParams = plugin.Get<FsSetDefaultParamsFn>("FsSetDefaultParams");
    auto init = plugin.Get<FsInitWFn>("FsInitW");
    auto rootName = plugin.Get<FsGetDefRootNameFn>("FsGetDefRootName");
    if (setParams == nullptr || init == nullptr || rootName == nullptr) {
        Err(L"tfhost: the module lacks FsSetDefaultParams, FsInitW or FsGetDefRootName\n");
        return false;
    }
    DefaultParams params{};
    params.size = sizeof params;
    params.versionLow = 0;
    params.versionHigh = 2;
    WideCharToMultiByte(CP_ACP, 0, iniPath.c_str(), -1, params.iniName, MAX_PATH - 1, nullptr, nullptr);
    setParams(&params);
    init(1, reinterpret_cast<void*>(&ProgressBar), nullptr, nullptr);
    char root[MAX_PATH] = {};
    rootName(root, MAX_PATH);
    return true;
}

}  // namespace

std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = _vsnwprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) _vsnwprintf(text.data(), static_cast<size_t>(n) + 1, format, args);
    va_end(args);
    return text;
}

void Out(const std::wstring& text) { WriteUtf8(STD_OUTPUT_HANDLE, text); }
void Err(const std::wstring& text) { WriteUtf8(STD_ERROR_HANDLE, text); }

bool Plugin::Load(const std::wstring& path) {
    module_ = LoadLibraryW(path.c_str());
    return module_ != nullptr;
}

// On a console the bar is redrawn in place at every report. Into a file or a pipe it writes one
// line per tenth, so that a log of a long series holds ten lines, not one frame per member.
bool ErrorIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int WINAPI ProgressBar(int, WCHAR* source, WCHAR* target, int percent) {
    constexpr int kWidth = 30;
    static const bool console = ErrorIsConsole();
    static int lastTenth = -1;
    const int clamped = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (clamped == 0) lastTenth = -1;
    const int tenth = clamped / 10;
    if (console || tenth != lastTenth) {
        lastTenth = tenth;
        std::wstring bar(static_cast<size_t>(clamped * kWidth / 100), L'#');
        bar.resize(kWidth, L'.');
        Err(Format(L"%ls[%ls] %3d%% %ls%ls%ls", console ? L"\r" : L"", bar.c_str(), percent, source ? source : L"",
                   target ? L" -> " : L"", target ? target : L""));
        if (percent >= 100 || !console) Err(L"\n");
    }
    if (InterlockedExchange(&g_cancelRequested, 0) == 0) return 0;
    Err(L"\ncancelled\n");
    return 1;
}

}  // namespace tfhost

int wmain(int argc, wchar_t** argv) {
    using namespace tfhost;
    Context ctx;
    std::wstring pluginPath = ModuleFolder() + TALLYFOLD_MODULE_NAME;
    std::wstring iniPath = ModuleFolder() + L"fsplugin.ini";
    if (argc == 2 && std::wstring(argv[1]) == L"--version") {
        Out(Format(L"tfhost %ls (%d-bit)\n", TALLYFOLD_VERSION_WIDE, static_cast<int>(sizeof(void*) * 8)));
        return 0;
    }
    int i = 1;
    for (; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--plugin" && i + 1 < argc) pluginPath = argv[++i];
        else if (arg == L"--ini" && i + 1 < argc) iniPath = argv[++i];
        else if (arg == L"--no-grouping") ctx.grouping = false;
        else break;
    }
    if (i >= argc) return Usage();
    const std::wstring name = argv[i];
    for (++i; i < argc; ++i) ctx.args.emplace_back(argv[i]);

    for (const Command& command : kCommands) {
        if (name != command.name) continue;
        if (!ctx.plugin.Load(pluginPath)) {
            Err(Format(L"tfhost: cannot load %ls (error %lu)\n", pluginPath.c_str(), GetLastError()));
            return 1;
        }
        if (!StartPlugin(ctx.plugin, iniPath)) return 1;
        SetConsoleCtrlHandler(OnConsoleControl, TRUE);
        return command.run(ctx);
    }
    return Usage();
}
