// Progress reports to the host and the message pump around them.
#pragma once
#include <windows.h>

namespace tf {

// Calls the host's progress callback, the wide one when the host gave it. Nonzero: cancel.
int ReportProgress(const WCHAR* source, const WCHAR* target, int percent);

// Drains the calling thread's message queue without waiting, so the host stays responsive.
void PumpMessages();

// A series step's report: pumps messages right before and right after it. True: cancel.
bool ReportMemberProgress(const WCHAR* source, const WCHAR* target, int percent);

}  // namespace tf
