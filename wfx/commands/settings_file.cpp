#include "commands/settings_file.h"

#include <iterator>

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

void GetCommandIniPath(WCHAR* buffer) {
    if (MultiByteToWideChar(CP_ACP, 0, g_state.pluginIniPath, -1, buffer, MAX_PATH) == 0) buffer[0] = 0;
    buffer[MAX_PATH] = 0;
    WCHAR* slash = LastBackslash(buffer);
    if (slash == nullptr) {
        // A bare name would be read from the Windows folder but created in the current one;
        // the plugin's own folder is one place for both.
        WCHAR module[kCommandIniBuffer];
        const DWORD n = GetModuleFileNameW(g_state.moduleInstance, module, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        module[n] = 0;
        CopyBounded(buffer, module, MAX_PATH);
        slash = LastBackslash(buffer);
        if (slash == nullptr) return;
    }
    slash[1] = 0;
    AppendBounded(buffer, kCommandIniName, MAX_PATH);
}

void EnsureCommandIni(const WCHAR* iniPath) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(iniPath, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return;
    }
    const HANDLE file = CreateFileW(iniPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    WCHAR content[std::size(kDefaultContent)];
    CopyPadded(content, kDefaultContent, static_cast<int>(std::size(content)));
    content[0] = 0xFEFF;
    const DWORD bytes = static_cast<DWORD>((std::size(kDefaultContent) - 1) * sizeof(WCHAR));
    DWORD written = 0;
    WriteFile(file, content, bytes, &written, nullptr);
    CloseHandle(file);
}

bool ReadCommandTemplate(const WCHAR* iniPath, const WCHAR* key, WCHAR* value) {
    const DWORD length = GetPrivateProfileStringW(kCommandSection, key, L"", value, kTemplateBuffer, iniPath);
    if (length == 0) return false;
    if (length < static_cast<DWORD>(kTemplateChars)) return true;
    // A value that filled the buffer may have been cut; a cut command line names something else.
    WCHAR probe[kTemplateBuffer + 1];
    return GetPrivateProfileStringW(kCommandSection, key, L"", probe, kTemplateBuffer + 1, iniPath) <=
           static_cast<DWORD>(kTemplateChars);
}

}  // namespace tf
