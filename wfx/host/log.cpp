#include "host/log.h"

#include <iterator>

#include "host/interface.h"
#include "host/state.h"
#include "host/text.h"

namespace tf {

void LogError(const WCHAR* text) {
    if (g_state.logW != nullptr) {
        g_state.logW(g_state.pluginNumber, kLogImportantError, const_cast<WCHAR*>(text));
        return;
    }
    if (g_state.logA == nullptr) return;
    // Three bytes hold any UTF-16 unit in any code page, UTF-8 included: no message is cut.
    char narrow[3 * kLogMessageBuffer];
    ToNarrowCut(text, narrow, static_cast<int>(std::size(narrow)));
    g_state.logA(g_state.pluginNumber, kLogImportantError, narrow);
}

}  // namespace tf
