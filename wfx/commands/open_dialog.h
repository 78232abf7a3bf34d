// The Open dialog (resource 103): the commands of Tallyfold.ini in a list, OK starts the chosen one.
#pragma once
#include <windows.h>

namespace tf {

// The work of WM_INITDIALOG: keeps the entry's local path (the one a command's placeholders
// describe) with the dialog, creates Tallyfold.ini when missing, lists its keys in file order
// with the first as caret item, centres the dialog on its parent. Returns TRUE.
BOOL InitOpenDialog(HWND dialog, const WCHAR* targetPath);

// Shown with DialogBoxParamW, whose creation parameter is the entry's local path.
INT_PTR CALLBACK OpenDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tf
