// Command line templates of Tallyfold.ini: placeholder expansion, the split into program and
// parameters, and the start through the shell.
#pragma once
#include <windows.h>

namespace tf {

// A template is read from the settings file with room for this many characters.
constexpr int kTemplateChars = 1022;
constexpr int kTemplateBuffer = kTemplateChars + 1;
// Placeholder values are appended only while the whole text stays within kTemplateChars.
constexpr int kValueTextChars = kTemplateChars;
// The expanded text: template characters stop at kExpandedStop.
constexpr int kExpandedBuffer = 8192;
constexpr int kExpandedStop = kExpandedBuffer - 2;

// Expands every placeholder of commandTemplate for the entry at targetPath (a local path, usually
// ending in a range name) into out, which holds kExpandedBuffer characters. Returns false when
// the text was cut: a value stopped at kValueTextChars, or template characters at kExpandedStop.
// The text written is the same either way. When literal is given (kExpandedBuffer bytes), it
// marks each character of out: 1 where the template wrote it, 0 where a placeholder's value did.
bool ExpandCommandTemplate(const WCHAR* commandTemplate, const WCHAR* targetPath, WCHAR* out,
                           unsigned char* literal = nullptr);

struct CommandLineParts {
    const WCHAR* program = nullptr;
    const WCHAR* parameters = nullptr;  // null when there are none
    // Some of the program's characters came from a placeholder's value: it is started only as
    // the file it names, never looked up on the search path or with ".exe" added; a name that is
    // no full path names a file in the entry's folder.
    bool programFromValue = false;
};

// Splits an expanded text in place. Only spaces and quotes that the template itself wrote split
// it (literal as ExpandCommandTemplate marks it; null: every character is the template's), so
// a folder name with a space never splits off a program. A leading quoted program ends at its
// closing quote when a space follows it; an unquoted text ends at its first space, unless the
// whole text names an existing file, which is then started whole.
CommandLineParts SplitCommandLine(WCHAR* text, const unsigned char* literal = nullptr);

// Starts file with the shell's default action (parameters may be null). A file named by the
// template's own text may be a program found on the search path; with exactOnly it must be a
// file or folder that exists as named. The result is not looked at by any caller: the shell
// shows its own message when it cannot start the file.
bool ShellStart(HWND owner, const WCHAR* file, const WCHAR* parameters, bool exactOnly = false);

// Expands the template for the entry at targetPath (a local path), splits it and starts it; a
// cut text is not started, since it would name another file.
void RunCommandTemplate(HWND owner, const WCHAR* commandTemplate, const WCHAR* targetPath);

}  // namespace tf
