#include "support/msgbox_hook.h"

#include <iterator>
#include <sstream>

#include "support/support.h"

namespace tftest {

namespace {

thread_local MessageBoxHook* t_active = nullptr;
constexpr wchar_t kAnsweredProp[] = L"tftest.answered";
constexpr UINT_PTR kInspectTimer = 0x7f51;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

bool Visible(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// The system's message box icons are shared icons: LoadIcon hands out the same handle that the
// box put into its icon control.
int IconStyle(HICON icon) {
    if (icon == nullptr) return 0;
    const struct {
        LPCWSTR id;
        int style;
    } kIcons[] = {{IDI_ERROR, MB_ICONERROR},
                  {IDI_WARNING, MB_ICONWARNING},
                  {IDI_QUESTION, MB_ICONQUESTION},
                  {IDI_INFORMATION, MB_ICONINFORMATION}};
    for (const auto& candidate : kIcons) {
        if (LoadIconW(nullptr, candidate.id) == icon) return candidate.style;
    }
    return -1;
}

void CALLBACK InspectLater(HWND box, UINT, UINT_PTR id, DWORD) {
    KillTimer(box, id);
    if (t_active != nullptr) t_active->Inspect(box);
    else PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_active != nullptr) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        // Message boxes are dialogs of the predefined dialog class.
        if (ClassOf(window) == L"#32770") t_active->OnActivate(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

MessageBoxHook::MessageBoxHook(int answer) : answer_(answer) {
    hook_ = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    previous_ = t_active;
    t_active = this;
}

MessageBoxHook::~MessageBoxHook() {
    t_active = previous_;
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

void MessageBoxHook::OnActivate(HWND box) {
    // A box activated again (after another window had the focus) is being answered already.
    if (GetPropW(box, kAnsweredProp) != nullptr) return;
    SetPropW(box, kAnsweredProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
    // The box chooses its default button when it takes the focus, after its activation: read it
    // once its own modal loop runs.
    SetTimer(box, kInspectTimer, USER_TIMER_MINIMUM, InspectLater);
}

void MessageBoxHook::Inspect(HWND box) {
    SeenMessageBox seen;
    seen.caption = TextOf(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.context = SeeActivationContext();
    std::wstring anyText;
    std::vector<int> styledDefaults;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring cls = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(cls.c_str(), L"Button") == 0) {
            if (!Visible(child)) continue;
            seen.buttons.push_back(GetDlgCtrlID(child));
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) styledDefaults.push_back(GetDlgCtrlID(child));
        } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                seen.icon = IconStyle(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
            } else if (GetDlgCtrlID(child) == 0xFFFF) {
                seen.text = TextOf(child);
            } else if (anyText.empty() && Visible(child)) {
                anyText = TextOf(child);
            }
        }
    }
    if (seen.text.empty()) seen.text = anyText;

    // The box marks its default button with the default push-button style; the dialog's own
    // default id may still be the template's.
    if (styledDefaults.size() == 1) {
        seen.defaultButton = styledDefaults[0];
    } else {
        const LRESULT defId = SendMessageW(box, DM_GETDEFID, 0, 0);
        if (HIWORD(defId) == DC_HASDEFID) seen.defaultButton = LOWORD(defId);
    }

    int click = 0;
    for (int id : seen.buttons) {
        if (id == answer_) click = id;
    }
    if (click == 0) click = seen.defaultButton != 0 ? seen.defaultButton : (seen.buttons.empty() ? IDCANCEL : seen.buttons[0]);
    seen.answered = click;
    // Posted, not sent: the box's own modal loop picks the command up once it runs, exactly as
    // it would a click.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(click, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, click)));
    seen_.push_back(std::move(seen));
}

std::string Describe(const SeenMessageBox& box) {
    std::ostringstream out;
    out << Narrow(box.caption) << " | " << Narrow(box.text) << " | buttons";
    for (int id : box.buttons) out << ' ' << id;
    out << " | default " << box.defaultButton << " | icon " << box.icon;
    return out.str();
}

bool IsErrorWithOkOnly(const SeenMessageBox& box) {
    return box.icon == MB_ICONERROR && box.buttons.size() == 1 && box.buttons[0] == IDOK && box.defaultButton == IDOK;
}

}  // namespace tftest
