// Tallyfold.ini: where it lies, its default content, and reading its commands.
#pragma once
#include <windows.h>

namespace tf {

// The command ini path is built in a buffer of this many characters, at most 259 of them used.
constexpr int kCommandIniBuffer = 264;
constexpr int kCommandIniChars = MAX_PATH - 1;
// The names of all keys of the section are read with room for this many characters.
constexpr int kKeyListChars = 0x8000;
constexpr WCHAR kCommandSection[] = L"Tallyfold";
constexpr WCHAR kCommandIniName[] = L"Tallyfold.ini";

// The whole section is first read with room for this many characters; the room doubles while
// the section does not fit, up to kSectionLimitChars.
constexpr int kSectionChars = 0x8000;
constexpr int kSectionLimitChars = kSectionChars << 8;

// Tallyfold.ini beside the host's plugin settings file, into a buffer of kCommandIniBuffer
// characters. When that name holds no folder (the host never told the plugin where its settings
// live), the file lies beside the plugin module. Returns false, with an empty buffer, when the
// path does not fit in kCommandIniChars: a cut path names another file.
bool GetCommandIniPath(WCHAR* buffer);

// Creates the file with the default content (byte-order mark, twelve lines, no final line end)
// only where no file of that name exists: the system decides that in the same call that creates
// it, so an existing file is never truncated, whatever else failed. True when it was written.
bool EnsureCommandIni(const WCHAR* iniPath);

// Reads the template of one command into value (kTemplateBuffer characters), exactly as written
// after its '=': quotes stay, only the blanks around it go. Returns false when the key has no
// value or its value is longer than a template may be. Only a section longer than
// kSectionLimitChars is read in part, up to its last whole line.
bool ReadCommandTemplate(const WCHAR* iniPath, const WCHAR* key, WCHAR* value);

}  // namespace tf
