#include "commands/open_dialog.h"

#include "commands/command_template.h"
#include "commands/open_dialog_ids.h"
#include "commands/settings_file.h"

namespace tf {

namespace {

// Item texts are fetched whole: no key is longer than the list of all keys it was read from.
constexpr int kKeyBuffer = kKeyListChars;

void CentreOnParent(HWND dialog) {
    RECT own;
    RECT parent;
    if (!GetWindowRect(dialog, &own) || !GetWindowRect(GetParent(dialog), &parent)) return;
    const int x = parent.left + ((parent.right - parent.left) - (own.right - own.left)) / 2;
    const int y = parent.top + ((parent.bottom - parent.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

// Reads the caret item's command and starts it for the entry; nothing happens for an empty list,
// an item that cannot be fetched whole, or a key without a value.
void RunChosenCommand(HWND dialog, const WCHAR* iniPath, const WCHAR* targetPath) {
    const HWND list = GetDlgItem(dialog, IDC_COMMAND_LIST);
    LRESULT index = SendMessageW(list, LB_GETCARETINDEX, 0, 0);
    if (index < 0) index = 0;
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0 || length >= kKeyBuffer) return;
    WCHAR key[kKeyBuffer];
    key[0] = 0;
    if (SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(key)) <= 0) return;
    WCHAR value[kTemplateBuffer];
    if (!ReadCommandTemplate(iniPath, key, value)) return;
    RunCommandTemplate(dialog, value, targetPath);
}

}  // namespace

BOOL InitOpenDialog(HWND dialog, const WCHAR* targetPath) {
    // Kept with the dialog for OK: the host's buffer lives until the open verb returns, which is
    // after the dialog has closed.
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(targetPath));
    const HWND list = GetDlgItem(dialog, IDC_COMMAND_LIST);
    WCHAR iniPath[kCommandIniBuffer];
    WCHAR keys[kKeyListChars];
    keys[0] = 0;
    keys[1] = 0;
    // A settings path that does not fit is not used at all: the list stays empty.
    if (GetCommandIniPath(iniPath)) {
        EnsureCommandIni(iniPath);
        GetPrivateProfileStringW(kCommandSection, nullptr, L"", keys, kKeyListChars, iniPath);
    }
    for (const WCHAR* key = keys; *key != 0; key += lstrlenW(key) + 1) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key));
    }
    // The caret item is what OK runs, so OK at once runs the first command.
    SendMessageW(list, LB_SETCARETINDEX, 0, 0);
    SendMessageW(list, LB_SETSEL, static_cast<WPARAM>(-1), 0);
    CentreOnParent(dialog);
    return TRUE;
}

INT_PTR CALLBACK OpenDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitOpenDialog(dialog, reinterpret_cast<const WCHAR*>(lParam));
    if (message != WM_COMMAND) return FALSE;
    WCHAR iniPath[kCommandIniBuffer];
    const bool haveIni = GetCommandIniPath(iniPath);
    switch (LOWORD(wParam)) {
        case IDOK:
            if (haveIni) {
                RunChosenCommand(dialog, iniPath, reinterpret_cast<const WCHAR*>(GetWindowLongPtrW(dialog, DWLP_USER)));
            }
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_CONFIGURE:
            if (haveIni) ShellStart(dialog, iniPath, nullptr, true);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            // A double-click on an item does not run it.
            return FALSE;
    }
}

}  // namespace tf
