#include "commands/command_template.h"

#include <shlobj.h>
#include <shellapi.h>

#include <iterator>

#include "host/file_access.h"
#include "host/text.h"
#include "listing/range_name.h"

namespace tf {

namespace {

const WCHAR* FindLastOf(const WCHAR* begin, int length, WCHAR c) {
    for (int i = length; i > 0; --i) {
        if (begin[i - 1] == c) return begin + i - 1;
    }
    return nullptr;
}

const WCHAR* FindFirstOf(const WCHAR* begin, int length, WCHAR c) {
    for (int i = 0; i < length; ++i) {
        if (begin[i] == c) return begin + i;
    }
    return nullptr;
}

// Length of a name's base: up to its first '<', else up to its last '.', else all of it.
int BaseLength(const WCHAR* name, int length) {
    if (const WCHAR* open = FindFirstOf(name, length, L'<')) return static_cast<int>(open - name);
    if (const WCHAR* dot = FindLastOf(name, length, L'.')) return static_cast<int>(dot - name);
    return length;
}

// Length of a path's folder, trailing backslash included; all of it when it has no backslash.
int FolderLength(const WCHAR* path, int length) {
    if (const WCHAR* slash = FindLastOf(path, length, L'\\')) return static_cast<int>(slash - path) + 1;
    return length;
}

const WCHAR* NamePart(const WCHAR* path) {
    const WCHAR* slash = FindLastOf(path, WideLength(path), L'\\');
    return slash != nullptr ? slash + 1 : path;
}

bool IsPlaceholder(WCHAR c) {
    switch (c) {
        case L'%': case L'F': case L'L': case L'P': case L'D': case L'B':
        case L'X': case L'S': case L'E': case L'C':
            return true;
        default:
            return false;
    }
}

// The expanded text being built. Values obey the 1022-character rule; template characters are
// held only by the caller's stop at kExpandedStop.
class ExpandedText {
public:
    ExpandedText(WCHAR* out, unsigned char* literal) : out_(out), literal_(literal) { out_[0] = 0; }

    int length() const { return length_; }
    bool complete() const { return complete_; }
    void MarkCut() { complete_ = false; }

    void PutTemplateChar(WCHAR c) {
        if (literal_ != nullptr) literal_[length_] = 1;
        out_[length_++] = c;
        out_[length_] = 0;
    }

    // Appends as much of the value as keeps the whole text within kValueTextChars characters;
    // returns how many characters went in. A text already that long gets nothing.
    int AppendCut(const WCHAR* value, int valueLength) {
        const int room = length_ < kValueTextChars ? kValueTextChars - length_ : 0;
        const int count = valueLength < room ? valueLength : room;
        for (int i = 0; i < count; ++i) out_[length_ + i] = value[i];
        if (literal_ != nullptr) {
            for (int i = 0; i < count; ++i) literal_[length_ + i] = 0;
        }
        length_ += count;
        out_[length_] = 0;
        return count;
    }

    void AppendValue(const WCHAR* value) {
        const int valueLength = WideLength(value);
        if (AppendCut(value, valueLength) != valueLength) complete_ = false;
    }

    // Appends the whole value with the cut, then keeps only the leading part that trim() measures
    // on the appended piece. The value counts as cut when the kept piece differs from the part
    // trim() measures on the whole value.
    template <typename Trim>
    void AppendTrimmed(const WCHAR* value, Trim trim) {
        const int valueLength = WideLength(value);
        const int start = length_;
        const int appended = AppendCut(value, valueLength);
        const int kept = trim(out_ + start, appended);
        length_ = start + kept;
        out_[length_] = 0;
        if (kept != trim(value, valueLength)) complete_ = false;
    }

    // A number padded with zeros to width; the sign counts toward the width.
    void AppendNumber(int value, int width) {
        WCHAR digits[16];
        IntToText(value, digits, 10);
        const int digitCount = WideLength(digits);
        for (int i = digitCount; i < width; ++i) AppendValue(L"0");
        AppendValue(digits);
    }

private:
    WCHAR* out_;
    unsigned char* literal_;
    int length_ = 0;
    bool complete_ = true;
};

// A member's file name for the counter, or nothing (and a cut) when the member name cannot be
// built.
void AppendMemberName(ExpandedText& text, const WCHAR* targetPath, int counter, int width) {
    WCHAR member[kMemberNameBuffer];
    if (!BuildMemberName(member, kMemberNameBuffer, targetPath, counter, width)) {
        text.MarkCut();
        return;
    }
    text.AppendValue(NamePart(member));
}

bool NamesExistingFile(const WCHAR* text) {
    WCHAR prepared[kLongPathBuffer];
    if (!MakeLongPath(prepared, text)) return false;
    return GetFileAttributesW(prepared) != INVALID_FILE_ATTRIBUTES;
}

// The shell's ID list for a program part that resolves to a file, or null. The shell builds the
// list from lpFile itself on Windows; some shells refuse a null list with SEE_MASK_INVOKEIDLIST,
// and a list made from the same resolved file is valid everywhere.
PIDLIST_ABSOLUTE ResolveIdList(const WCHAR* file, bool exactOnly) {
    WCHAR name[kLongPathBuffer];
    CopyBounded(name, file, kLongPathBuffer);
    int length = WideLength(name);
    if (length >= 2 && name[0] == L'"' && name[length - 1] == L'"') {
        for (int i = 0; i + 2 < length; ++i) name[i] = name[i + 1];
        length -= 2;
        name[length] = 0;
    }
    if (length == 0) return nullptr;
    // A file or folder as named, else a program on the search path as the shell finds it.
    WCHAR full[kLongPathBuffer];
    DWORD found = 0;
    if (GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES) {
        found = GetFullPathNameW(name, kLongPathBuffer, full, nullptr);
    } else if (!exactOnly) {
        found = SearchPathW(nullptr, name, L".exe", kLongPathBuffer, full, nullptr);
    }
    if (found == 0 || found >= static_cast<DWORD>(kLongPathBuffer)) return nullptr;
    return ILCreateFromPathW(full);
}

// The shell is not asked for a name that came from the entry and names nothing, so the plugin
// says so itself, as the shell would have.
void ReportMissingFile(HWND owner, const WCHAR* file) {
    WCHAR text[kLongPathBuffer + 64];
    CopyBounded(text, L"Cannot find the file to open:\r\n", static_cast<int>(std::size(text)));
    AppendBounded(text, file, static_cast<int>(std::size(text)));
    MessageBoxW(owner, text, L"Tallyfold", MB_ICONERROR | MB_OK);
}

bool IsSeparator(WCHAR c) { return c == L'\\' || c == L'/'; }

// A drive path from its root ("C:\...") or a network path ("\\server\..."): the only names that
// mean the same file whatever the current folder is.
bool IsFullPath(const WCHAR* name) {
    if (name[0] == L'"') ++name;
    if (IsSeparator(name[0])) return IsSeparator(name[1]);
    return name[0] != 0 && name[1] == L':' && IsSeparator(name[2]);
}

// The entry's folder and then name, without the quotes around it, into joined (kLongPathBuffer
// characters). False when the entry has no folder or the path does not fit.
bool JoinEntryFolder(WCHAR* joined, const WCHAR* targetPath, const WCHAR* name) {
    const int targetLength = WideLength(targetPath);
    const WCHAR* slash = FindLastOf(targetPath, targetLength, L'\\');
    if (slash == nullptr) return false;
    int nameLength = WideLength(name);
    if (nameLength >= 2 && name[0] == L'"' && name[nameLength - 1] == L'"') {
        ++name;
        nameLength -= 2;
    }
    const int folderLength = static_cast<int>(slash - targetPath) + 1;
    if (folderLength + nameLength > kLongPathChars) return false;
    for (int i = 0; i < folderLength; ++i) joined[i] = targetPath[i];
    for (int i = 0; i < nameLength; ++i) joined[folderLength + i] = name[i];
    joined[folderLength + nameLength] = 0;
    return true;
}

}  // namespace

bool ExpandCommandTemplate(const WCHAR* commandTemplate, const WCHAR* targetPath, WCHAR* out,
                           unsigned char* literal) {
    if (out == nullptr) return false;
    ExpandedText text(out, literal);
    if (commandTemplate == nullptr) return false;
    if (targetPath == nullptr) targetPath = L"";
    const WCHAR* name = NamePart(targetPath);
    RangeSpec range;
    const bool ranged = ParseRangeName(targetPath, range);

    for (int i = 0; commandTemplate[i] != 0;) {
        if (text.length() >= kExpandedStop) {
            text.MarkCut();
            break;
        }
        const WCHAR c = commandTemplate[i];
        if (c != L'%') {
            text.PutTemplateChar(c);
            ++i;
            continue;
        }
        const WCHAR letter = commandTemplate[i + 1];
        if (!IsPlaceholder(letter)) {
            // The '%' is dropped; the next character, if any, is plain text.
            ++i;
            continue;
        }
        i += 2;
        switch (letter) {
            case L'%':
                text.AppendValue(L"%");
                break;
            case L'F':
                if (ranged) AppendMemberName(text, targetPath, range.first, range.width);
                else text.AppendValue(name);
                break;
            case L'L':
                if (ranged) AppendMemberName(text, targetPath, range.last, range.width);
                else text.AppendValue(name);
                break;
            case L'P':
            case L'D':
                text.AppendTrimmed(targetPath, FolderLength);
                break;
            case L'B':
                text.AppendTrimmed(name, BaseLength);
                break;
            case L'X':
                if (const WCHAR* dot = FindLastOf(name, WideLength(name), L'.')) text.AppendValue(dot);
                break;
            case L'S':
                if (ranged) text.AppendNumber(range.first, range.width);
                else text.AppendValue(L"1");
                break;
            case L'E':
                if (ranged) text.AppendNumber(range.last, range.width);
                else text.AppendValue(L"1");
                break;
            case L'C':
                if (ranged) {
                    // 32-bit arithmetic that wraps, as the counters are plain ints.
                    const unsigned count = static_cast<unsigned>(range.last) - static_cast<unsigned>(range.first) + 1u;
                    text.AppendNumber(static_cast<int>(count), 0);
                } else {
                    text.AppendValue(L"0");
                }
                break;
        }
    }
    return text.complete();
}

CommandLineParts SplitCommandLine(WCHAR* text, const unsigned char* literal) {
    CommandLineParts parts;
    parts.program = text;
    if (text == nullptr || text[0] == 0) return parts;
    const int length = WideLength(text);
    const auto written = [literal](int i) { return literal == nullptr || literal[i] != 0; };
    // The template's own character c at or after from; -1 when there is none.
    const auto find = [&](int from, WCHAR c) {
        for (int i = from; i < length; ++i) {
            if (text[i] == c && written(i)) return i;
        }
        return -1;
    };
    int end = length;
    if (text[0] == L'"' && written(0)) {
        const int close = find(1, L'"');
        if (close > 0 && text[close + 1] == L' ' && written(close + 1)) {
            text[close + 1] = 0;
            parts.parameters = text + close + 2;
            end = close + 1;
        }
    } else {
        const int space = find(1, L' ');
        // "C:\My Pictures\img0001.png" typed in the template is one file, not a program and
        // its parameters.
        if (space > 0 && !NamesExistingFile(text)) {
            text[space] = 0;
            parts.parameters = text + space + 1;
            end = space;
        }
    }
    for (int i = 0; i < end; ++i) {
        if (!written(i)) parts.programFromValue = true;
    }
    return parts;
}

bool ShellStart(HWND owner, const WCHAR* file, const WCHAR* parameters, bool exactOnly) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = owner;
    info.lpVerb = nullptr;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOW;
    const PIDLIST_ABSOLUTE idList = file != nullptr ? ResolveIdList(file, exactOnly) : nullptr;
    // Without its ID list the shell would look the name up itself, adding ".exe" on the way:
    // "C:\Users\Public\Public Pictures\img0001.png" must not turn into a program of that
    // folder's parent. Such a name is started only as the file it names.
    if (exactOnly && idList == nullptr) {
        ReportMissingFile(owner, file);
        return false;
    }
    info.lpIDList = idList;
    const BOOL started = ShellExecuteExW(&info);
    if (idList != nullptr) ILFree(idList);
    return started != FALSE;
}

void RunCommandTemplate(HWND owner, const WCHAR* commandTemplate, const WCHAR* targetPath) {
    if (commandTemplate == nullptr || commandTemplate[0] == 0) return;
    WCHAR text[kExpandedBuffer];
    unsigned char literal[kExpandedBuffer];
    if (!ExpandCommandTemplate(commandTemplate, targetPath, text, literal)) return;
    const CommandLineParts parts = SplitCommandLine(text, literal);
    if (!parts.programFromValue || IsFullPath(parts.program)) {
        ShellStart(owner, parts.program, parts.parameters, parts.programFromValue);
        return;
    }
    // A name that a placeholder gave without a full path ("run01.exe" from "%F") lies in the
    // entry's folder; read against the host's current folder, it would start whatever file of
    // that name lies there.
    WCHAR inFolder[kLongPathBuffer];
    if (!JoinEntryFolder(inFolder, targetPath != nullptr ? targetPath : L"", parts.program)) {
        ReportMissingFile(owner, parts.program);
        return;
    }
    ShellStart(owner, inFolder, parts.parameters, true);
}

}  // namespace tf
