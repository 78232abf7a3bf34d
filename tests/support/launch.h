// Support for tests that start programs and drive dialogs: the recording program, a scoped file
// association, and a thread-local CBT hook that answers dialogs.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tftest {

// tf_record.exe, beside the running test program.
std::wstring RecorderPath();

// Points TF_RECORD_FILE at a file for as long as it lives; programs started meanwhile inherit it.
class RecordFile {
public:
    explicit RecordFile(std::wstring path);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    // The first recorded command line (UTF-8, without its line end), or "" when none came
    // within the timeout.
    std::string WaitForLine(DWORD timeoutMs = 10000) const;
    // True when nothing was recorded within the wait.
    bool StaysEmpty(DWORD waitMs = 700) const;

private:
    std::wstring path_;
};

// Opens files of one extension with command under HKEY_CLASSES_ROOT (the per-user classes are not
// seen by every shell); the previous association is restored at the end.
class ScopedAssociation {
public:
    ScopedAssociation(const std::wstring& extension, const std::wstring& command);
    ~ScopedAssociation();
    ScopedAssociation(const ScopedAssociation&) = delete;
    ScopedAssociation& operator=(const ScopedAssociation&) = delete;

private:
    std::wstring extension_;
    std::wstring progId_;
    bool hadKey_ = false;
    bool hadValue_ = false;
    std::wstring oldValue_;
};

// While it lives, every dialog (class #32770) that the calling thread activates is handed once
// to the handler, which reads it and posts its answer.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> handler);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    int handled() const { return handled_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::function<void(HWND)> handler_;
    HWND last_ = nullptr;
    int handled_ = 0;
};

// The calling thread's active activation context, as a window created now sees it: the name of
// the assembly its manifest describes ("Tallyfold" for the module's own, empty when no context is
// active) and whether that context itself maps the common controls to version 6, the themed ones.
struct ActivationContextSeen {
    std::wstring assembly;
    bool commonControls6 = false;
};
ActivationContextSeen SeeActivationContext();

// Posts a button's WM_COMMAND to a dialog, as a click does.
void PressButton(HWND dialog, int id);

// Clicks a list box item with the mouse, which makes it the selected and the caret item.
void ClickItem(HWND list, int index);

// A visible top-level window at a known place, destroyed at the end.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height);
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Case-insensitive search of a recorded UTF-8 line for a path (the shell may change its case).
bool ContainsFoldCase(const std::string& text, const std::wstring& part);

struct ProcessResult {
    DWORD exitCode = 0;
    std::string out;  // standard output, UTF-8
    std::string err;  // standard error
};
// Runs the command-line host of this build with the arguments (each quoted), waits up to 60 s.
ProcessResult RunTfhost(const std::vector<std::wstring>& args);

// The items of a list box, in order.
std::vector<std::wstring> ListItems(HWND list);
std::wstring WindowText(HWND window);

}  // namespace tftest
