// fields, icon and preview: what the plugin answers for one entry's columns, icon and preview.
#include <iterator>
#include <string>
#include <vector>

#include "host.h"

namespace tfhost {

namespace {

using GetSupportedFieldFn = int(WINAPI*)(int, char*, char*, int);
using GetValueWFn = int(WINAPI*)(WCHAR*, int, int, void*, int, int);
using ExtractIconWFn = int(WINAPI*)(WCHAR*, int, HICON*);
using GetPreviewWFn = int(WINAPI*)(WCHAR*, int, int, HBITMAP*);

constexpr int kStringW = 11;
constexpr int kIconSmall = 1;
constexpr int kIconBackground = 2;
constexpr int kIconDelayed = 3;
// Room for the longest plugin path the host passes.
constexpr int kNameChars = 1024;

struct FieldColumn {
    std::wstring name;
    int type;
};

std::vector<FieldColumn> SupportedFields(const Plugin& plugin) {
    std::vector<FieldColumn> fields;
    auto supported = plugin.Get<GetSupportedFieldFn>("FsContentGetSupportedField");
    if (supported == nullptr) return fields;
    for (int i = 0;; ++i) {
        char name[64] = {};
        char units[256] = {};
        const int type = supported(i, name, units, static_cast<int>(sizeof name));
        if (type == 0) break;
        wchar_t wide[64] = {};
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 64);
        fields.push_back({wide, type});
    }
    return fields;
}

const wchar_t* AnswerName(int answer) {
    switch (answer) {
    case 0: return L"delayed";
    case -1: return L"no such field";
    case -2: return L"file error";
    case -3: return L"empty";
    case -4: return L"on demand";
    default: return L"?";
    }
}

// One field's value as text: the number or string, or the plugin's answer when it gave none.
std::wstring FieldText(GetValueWFn getValue, const std::wstring& path, int index) {
    std::wstring name = path;
    union {
        int number;
        WCHAR text[kNameChars];
    } value{};
    const int type = getValue(name.data(), index, 0, &value, static_cast<int>(sizeof value), 0);
    if (type == kStringW) return value.text;
    if (type > 0) return Format(L"%d", value.number);
    return Format(L"(%d %ls)", type, AnswerName(type));
}

std::wstring IconAnswerName(int answer) {
    switch (answer) {
    case 0: return L"use default";
    case 1: return L"extracted, shared";
    case 2: return L"extracted, host destroys it";
    case 3: return L"delayed";
    default: return L"?";
    }
}

bool ParseInt(const std::wstring& text, int* value) {
    wchar_t* end = nullptr;
    const long v = wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0) return false;
    *value = static_cast<int>(v);
    return true;
}

std::vector<std::wstring> FieldValues(const Plugin& plugin, const std::wstring& pluginPath) {
    std::vector<std::wstring> values;
    auto getValue = plugin.Get<GetValueWFn>("FsContentGetValueW");
    const size_t count = SupportedFields(plugin).size();
    for (size_t i = 0; i < count && getValue != nullptr; ++i) values.push_back(FieldText(getValue, pluginPath, static_cast<int>(i)));
    return values;
}

// Cells padded to one width per column, wide enough for the header.
std::wstring Columns(const std::vector<std::wstring>& cells) {
    constexpr int kWidths[] = {10, 10, 10, 6, 12};
    std::wstring text;
    for (size_t i = 0; i < cells.size(); ++i) {
        const int width = i < std::size(kWidths) ? kWidths[i] : 10;
        text += Format(L"%-*ls  ", width, cells[i].c_str());
    }
    return text;
}

}  // namespace

std::wstring FieldColumns(const Plugin& plugin) {
    std::vector<std::wstring> headers;
    for (const FieldColumn& f : SupportedFields(plugin)) headers.push_back(f.name);
    return Columns(headers);
}

std::wstring FieldColumns(const Plugin& plugin, const std::wstring& folder, const wchar_t* name) {
    const std::wstring path = folder + (!folder.empty() && folder.back() == L'\\' ? L"" : L"\\") + name;
    return Columns(FieldValues(plugin, path));
}

int CmdFields(Context& ctx) {
    if (ctx.args.size() != 1) {
        Err(L"usage: fields PLUGINPATH\n");
        return 2;
    }
    const std::vector<FieldColumn> fields = SupportedFields(ctx.plugin);
    if (fields.empty()) {
        Err(L"tfhost: the plugin offers no content fields\n");
        return 1;
    }
    const std::vector<std::wstring> values = FieldValues(ctx.plugin, ctx.args[0]);
    for (size_t i = 0; i < fields.size() && i < values.size(); ++i) {
        Out(Format(L"%-12ls %ls\n", fields[i].name.c_str(), values[i].c_str()));
    }
    return 0;
}

int CmdIcon(Context& ctx) {
    bool large = false;
    std::vector<std::wstring> rest;
    for (const std::wstring& a : ctx.args) {
        if (a == L"--large") large = true;
        else rest.push_back(a);
    }
    if (rest.size() != 1) {
        Err(L"usage: icon [--large] PLUGINPATH\n");
        return 2;
    }
    auto extract = ctx.plugin.Get<ExtractIconWFn>("FsExtractCustomIconW");
    if (extract == nullptr) {
        Err(L"tfhost: the module lacks FsExtractCustomIconW\n");
        return 1;
    }
    std::vector<WCHAR> name(kNameChars + 1, 0);
    rest[0].copy(name.data(), kNameChars);
    const int flags = large ? 0 : kIconSmall;
    HICON icon = nullptr;
    int answer = extract(name.data(), flags, &icon);
    // As the file manager does: a delayed icon is asked for again from the background.
    if (answer == kIconDelayed) {
        Out(Format(L"answer %d (%ls), asking again in the background\n", answer, IconAnswerName(answer).c_str()));
        answer = extract(name.data(), flags | kIconBackground, &icon);
    }
    Out(Format(L"answer %d (%ls)\n", answer, IconAnswerName(answer).c_str()));
    if ((answer == 1 || answer == 2) && icon != nullptr) {
        ICONINFO info{};
        if (GetIconInfo(icon, &info)) {
            BITMAP mask{};
            GetObjectW(info.hbmMask, sizeof mask, &mask);
            const int height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
            Out(Format(L"icon %dx%d\n", mask.bmWidth, height));
            if (info.hbmColor) DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        if (std::wstring(name.data()) != rest[0]) Out(Format(L"cache name %ls\n", name.data()));
        if (answer == 2) DestroyIcon(icon);
    }
    return 0;
}

int CmdPreview(Context& ctx) {
    int width = 0;
    int height = 0;
    if (ctx.args.size() != 3 || !ParseInt(ctx.args[1], &width) || !ParseInt(ctx.args[2], &height)) {
        Err(L"usage: preview PLUGINPATH WIDTH HEIGHT\n");
        return 2;
    }
    auto preview = ctx.plugin.Get<GetPreviewWFn>("FsGetPreviewBitmapW");
    if (preview == nullptr) {
        Err(L"tfhost: the module lacks FsGetPreviewBitmapW\n");
        return 1;
    }
    std::vector<WCHAR> name(kNameChars + 1, 0);
    ctx.args[0].copy(name.data(), kNameChars);
    HBITMAP bitmap = nullptr;
    const int answer = preview(name.data(), width, height, &bitmap);
    const int kind = answer & 0xFF;
    Out(Format(L"answer %d (%ls%ls)\n", answer,
               kind == 0 ? L"no preview" : kind == 1 ? L"bitmap" : kind == 2 ? L"extract it yourself" : L"?",
               (answer & 256) ? L", may be cached" : L""));
    if (kind == 2) Out(Format(L"path %ls\n", name.data()));
    if (kind == 1 && bitmap != nullptr) {
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        Out(Format(L"bitmap %dx%d\n", info.bmWidth, info.bmHeight));
        DeleteObject(bitmap);
    }
    return 0;
}

}  // namespace tfhost
