// list PLUGINPATH: every entry that FsFindFirstW/FsFindNextW hand out, in order.
#include <algorithm>
#include <string>
#include <vector>

#include "host.h"

namespace tfhost {

namespace {

using FsFindFirstWFn = HANDLE(WINAPI*)(WCHAR*, WIN32_FIND_DATAW*);
using FsFindNextWFn = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*);
using FsFindCloseFn = int(WINAPI*)(HANDLE);
using FsExecuteFileWFn = int(WINAPI*)(HWND, WCHAR*, WCHAR*);

std::wstring AttributeText(DWORD attributes) {
    constexpr struct {
        DWORD bit;
        wchar_t letter;
    } kLetters[] = {{FILE_ATTRIBUTE_DIRECTORY, L'd'}, {FILE_ATTRIBUTE_READONLY, L'r'}, {FILE_ATTRIBUTE_HIDDEN, L'h'},
                    {FILE_ATTRIBUTE_SYSTEM, L's'},    {FILE_ATTRIBUTE_ARCHIVE, L'a'}};
    std::wstring text;
    for (const auto& l : kLetters) text += (attributes & l.bit) ? l.letter : L'-';
    return text;
}

std::wstring TimeText(const FILETIME& time) {
    if (time.dwHighDateTime == 0xFFFFFFFF && time.dwLowDateTime == 0xFFFFFFFE) return L"-";
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&time, &st)) return L"?";
    return Format(L"%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// Grouping is the plugin's own switch; the host only flips it the way the file manager does,
// with the "properties" verb (a freshly loaded plugin starts with grouping on).
bool TurnGroupingOff(Context& ctx, const std::wstring& path) {
    auto execute = ctx.plugin.Get<FsExecuteFileWFn>("FsExecuteFileW");
    if (execute == nullptr) {
        Err(L"tfhost: --no-grouping needs the module's FsExecuteFileW (\"properties\" verb), which it lacks\n");
        return false;
    }
    std::wstring target = path;
    wchar_t verb[] = L"properties";
    const int result = execute(nullptr, target.data(), verb);
    if (result != 0) {
        Err(Format(L"tfhost: FsExecuteFileW(\"properties\") answered %d; grouping stays on\n", result));
        return false;
    }
    return true;
}

}  // namespace

int CmdList(Context& ctx) {
    // --fields adds the plugin's content fields as columns.
    const bool fields = std::erase(ctx.args, std::wstring(L"--fields")) > 0;
    if (ctx.args.size() != 1) {
        Err(L"usage: list [--fields] PLUGINPATH\n");
        return 2;
    }
    auto findFirst = ctx.plugin.Get<FsFindFirstWFn>("FsFindFirstW");
    auto findNext = ctx.plugin.Get<FsFindNextWFn>("FsFindNextW");
    auto findClose = ctx.plugin.Get<FsFindCloseFn>("FsFindClose");
    if (findFirst == nullptr || findNext == nullptr || findClose == nullptr) {
        Err(L"tfhost: the module lacks FsFindFirstW, FsFindNextW or FsFindClose\n");
        return 1;
    }
    std::wstring path = ctx.args[0];
    // The root lists drive letters, which are never grouped (and the verb refuses the root).
    if (!ctx.grouping && path != L"\\" && !TurnGroupingOff(ctx, path)) return 1;
    WIN32_FIND_DATAW record;
    const HANDLE handle = findFirst(path.data(), &record);
    if (handle == INVALID_HANDLE_VALUE) {
        Err(Format(L"nothing to list in %ls\n", path.c_str()));
        return 1;
    }
    struct Row {
        std::wstring size, attributes, time, name, fields;
    };
    std::vector<Row> rows;
    do {
        const unsigned long long size = (static_cast<unsigned long long>(record.nFileSizeHigh) << 32) | record.nFileSizeLow;
        rows.push_back({(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? L"<dir>" : Format(L"%llu", size),
                        AttributeText(record.dwFileAttributes), TimeText(record.ftLastWriteTime), record.cFileName,
                        fields ? FieldColumns(ctx.plugin, path, record.cFileName) : L""});
    } while (findNext(handle, &record));
    findClose(handle);

    size_t sizeWidth = 4;
    size_t timeWidth = 16;
    for (const Row& r : rows) {
        sizeWidth = std::max(sizeWidth, r.size.size());
        timeWidth = std::max(timeWidth, r.time.size());
    }
    const int sw = static_cast<int>(sizeWidth);
    const int tw = static_cast<int>(timeWidth);
    const std::wstring fieldHeader = fields ? FieldColumns(ctx.plugin) : L"";
    Out(Format(L"%*ls  %-5ls  %-*ls  %ls%ls\n", sw, L"size", L"attr", tw, L"last write (UTC)", fieldHeader.c_str(), L"name"));
    for (const Row& r : rows) {
        Out(Format(L"%*ls  %-5ls  %-*ls  %ls%ls\n", sw, r.size.c_str(), r.attributes.c_str(), tw, r.time.c_str(), r.fields.c_str(),
                   r.name.c_str()));
    }
    Out(Format(L"%zu entries\n", rows.size()));
    return 0;
}

}  // namespace tfhost
