// Resource and control ids of the Open dialog, shared by its template and its procedure.
#pragma once

#define IDD_OPEN_DIALOG 103
#define IDC_COMMAND_LIST 300
#define IDC_CONFIGURE 200
