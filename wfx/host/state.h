// Plugin-wide state: written by the start-up exports, the two verbs and the platform check.
// The two switches may be read on one of the host's threads while another writes them; they are
// atomics used with relaxed order, each a lone flag that orders nothing else.
#pragma once
#include <windows.h>

#include <atomic>

#include "host/interface.h"

namespace tf {

struct PluginState {
    int pluginNumber = 0;
    ProgressProcA progressA = nullptr;
    LogProcA logA = nullptr;
    RequestProcA requestA = nullptr;
    ProgressProcW progressW = nullptr;
    LogProcW logW = nullptr;
    RequestProcW requestW = nullptr;
    HINSTANCE moduleInstance = nullptr;
    // 0 = not yet determined, 1 = wide API with long paths, 2 = narrow ANSI API.
    std::atomic<unsigned char> platformMode{0};
    char pluginIniPath[kIniNameBytes] = "fsplugin.ini";
    // Series are grouped in listings while this is not 0.
    std::atomic<int> grouping{1};
};

extern PluginState g_state;

}  // namespace tf
