#include "commands/settings_file.h"

#include <iterator>
#include <memory>
#include <new>
#include <string_view>

#include "commands/command_template.h"
#include "host/state.h"
#include "host/text.h"

namespace tf {

namespace {

// The first character is a filler that becomes the byte-order mark in the written copy.
constexpr WCHAR kDefaultContent[] =
    L"#[Tallyfold]\r\n"
    L"Open first=%D%F\r\n"
    L";Usage: Menu=command\r\n"
    L"; Placeholders:\r\n"
    L"; %F first file name\r\n"
    L"; %L last file name\r\n"
    L"; %P path name\r\n"
    L"; %B base name (without counter)\r\n"
    L"; %X eXtension\r\n"
    L"; %S start nr\r\n"
    L"; %E end nr\r\n"
    L"; %C file count";

WCHAR* LastBackslash(WCHAR* text) {
    WCHAR* last = nullptr;
    for (WCHAR* p = text; *p != 0; ++p) {
        if (*p == L'\\') last = p;
    }
    return last;
}

}  // namespace

bool GetCommandIniPath(WCHAR* buffer) {
    buffer[0] = 0;
    WCHAR path[kCommandIniBuffer];
    if (MultiByteToWideChar(CP_ACP, 0, g_state.pluginIniPath, -1, path, MAX_PATH) == 0) return false;
    WCHAR* slash = LastBackslash(path);
    if (slash == nullptr) {
        // A bare name would be read from the Windows folder but created in the current one;
        // the plugin's own folder is one place for both.
        const DWORD n = GetModuleFileNameW(g_state.moduleInstance, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return false;
        path[n] = 0;
        slash = LastBackslash(path);
        if (slash == nullptr) return false;
    }
    slash[1] = 0;
    if (WideLength(path) + WideLength(kCommandIniName) > kCommandIniChars) return false;
    AppendBounded(path, kCommandIniName, kCommandIniBuffer);
    CopyBounded(buffer, path, kCommandIniBuffer);
    return true;
}

bool EnsureCommandIni(const WCHAR* iniPath) {
    const HANDLE file = CreateFileW(iniPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    WCHAR content[std::size(kDefaultContent)];
    CopyPadded(content, kDefaultContent, static_cast<int>(std::size(content)));
    content[0] = 0xFEFF;
    const DWORD bytes = static_cast<DWORD>((std::size(kDefaultContent) - 1) * sizeof(WCHAR));
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, content, bytes, &written, nullptr);
    CloseHandle(file);
    return wrote != FALSE && written == bytes;
}

namespace {

bool IsBlank(WCHAR c) { return c == L' ' || c == L'\t'; }

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameKey(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

bool ReadCommandTemplate(const WCHAR* iniPath, const WCHAR* key, WCHAR* value) {
    value[0] = 0;
    // The section comes back as "key=value" lines with the value as written. Reading one key
    // would strip a pair of quotes around the whole value, and a template such as
    // "C:\Program Files\view.exe" "%P%F" would lose its first and last quote.
    // The key list is read apart from the section, so every key listed must be found here: a
    // section read that did not fit (the system then answers the room less 2) is read again
    // with twice the room.
    std::unique_ptr<WCHAR[]> section;
    bool cut = true;
    for (int room = kSectionChars; cut && room <= kSectionLimitChars; room *= 2) {
        section.reset(new (std::nothrow) WCHAR[static_cast<size_t>(room)]);
        if (section == nullptr) return false;
        const DWORD length =
            GetPrivateProfileSectionW(kCommandSection, section.get(), static_cast<DWORD>(room), iniPath);
        cut = length >= static_cast<DWORD>(room - 2);
    }
    // A section that filled even the largest buffer ends in a line that may be cut: that line
    // is not used.
    const std::wstring_view wanted = TrimBlanks(key);
    for (const WCHAR* line = section.get(); *line != 0;) {
        const std::wstring_view text(line);
        line += text.size() + 1;
        if (cut && *line == 0) break;
        const size_t equals = text.find(L'=');
        if (equals == std::wstring_view::npos || !SameKey(TrimBlanks(text.substr(0, equals)), wanted)) continue;
        // The first line of a key is the one that counts, as for the system's own lookup.
        const std::wstring_view found = TrimBlanks(text.substr(equals + 1));
        if (found.empty() || found.size() > static_cast<size_t>(kTemplateChars)) return false;
        found.copy(value, found.size());
        value[found.size()] = 0;
        return true;
    }
    return false;
}

}  // namespace tf
