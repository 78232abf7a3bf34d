// Answers the message boxes that the code under test shows, the way a user would, and records
// what each box showed. A thread-local WH_CBT hook sees the box when it is activated; once the
// box runs its modal loop, the caption, text, buttons, default button and icon are read from the
// window and its child controls, and the chosen button is clicked by posting its command.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/launch.h"

namespace tftest {

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons;  // command ids of the visible buttons (IDOK, IDCANCEL, IDYES, IDNO ...)
    int defaultButton = 0;     // command id of the default button, 0 when the box has none
    // MB_ICONERROR, MB_ICONWARNING, MB_ICONQUESTION or MB_ICONINFORMATION; 0 without an icon,
    // -1 when the box shows an icon that is none of the system's four.
    int icon = 0;
    HWND owner = nullptr;
    ActivationContextSeen context;  // the thread's activation context while the box ran
    int answered = 0;               // the button the hook clicked
};

// Installs the hook on the calling thread for its lifetime. Hooks nest: an inner guard answers
// while it lives, the outer one again after it is gone.
class MessageBoxHook {
public:
    // answer: the button to click (IDOK, IDCANCEL, IDYES, IDNO). A box without that button is
    // answered with its default button, so a test that expected another box never hangs.
    explicit MessageBoxHook(int answer = IDOK);
    ~MessageBoxHook();
    MessageBoxHook(const MessageBoxHook&) = delete;
    MessageBoxHook& operator=(const MessageBoxHook&) = delete;

    bool installed() const { return hook_ != nullptr; }
    void SetAnswer(int answer) { answer_ = answer; }
    const std::vector<SeenMessageBox>& seen() const { return seen_; }
    void Clear() { seen_.clear(); }

    // Called by the hook procedure for each message box activated on this thread; Inspect then
    // reads and answers the box from within its modal loop.
    void OnActivate(HWND box);
    void Inspect(HWND box);

private:
    HHOOK hook_ = nullptr;
    int answer_;
    std::vector<SeenMessageBox> seen_;
    MessageBoxHook* previous_ = nullptr;
};

// "caption | text | buttons 1 | default 1 | icon 16" for test failure messages.
std::string Describe(const SeenMessageBox& box);

// True when the box is an error box with exactly one OK button, which is also its default.
bool IsErrorWithOkOnly(const SeenMessageBox& box);

}  // namespace tftest
