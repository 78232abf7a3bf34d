// The Open dialog (resource 103): the commands of Tallyfold.ini in a list, OK starts the chosen one.
#pragma once
#include <windows.h>

namespace tf {

// The work of WM_INITDIALOG: creates Tallyfold.ini when missing, lists its keys in file order
// with the first as caret item, centres the dialog on its parent. Returns TRUE.
BOOL InitOpenDialog(HWND dialog);

INT_PTR CALLBACK OpenDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tf
