#include "host/progress.h"

#include "host/state.h"
#include "host/text.h"

namespace tf {

int ReportProgress(const WCHAR* source, const WCHAR* target, int percent) {
    if (g_state.progressW != nullptr) {
        return g_state.progressW(g_state.pluginNumber, const_cast<WCHAR*>(source), const_cast<WCHAR*>(target), percent);
    }
    if (g_state.progressA == nullptr) return 0;
    char narrowSource[kNarrowNameBytes];
    char narrowTarget[kNarrowNameBytes];
    char* a = nullptr;
    char* b = nullptr;
    if (source != nullptr) {
        ToNarrowCut(source, narrowSource, kNarrowNameBytes);
        a = narrowSource;
    }
    if (target != nullptr) {
        ToNarrowCut(target, narrowTarget, kNarrowNameBytes);
        b = narrowTarget;
    }
    return g_state.progressA(g_state.pluginNumber, a, b, percent);
}

void PumpMessages() {
    // The active window is taken once, when the first message arrives: asking for it is a round
    // trip to the window system, and most pumps between two members find the queue empty.
    bool activeTaken = false;
    HWND active = nullptr;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!activeTaken) {
            active = GetActiveWindow();
            activeTaken = true;
        }
        if (active != nullptr && IsDialogMessageA(active, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool ReportMemberProgress(const WCHAR* source, const WCHAR* target, int percent) {
    PumpMessages();
    const int answer = ReportProgress(source, target, percent);
    PumpMessages();
    return answer != 0;
}

}  // namespace tf
