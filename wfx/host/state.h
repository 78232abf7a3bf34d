// Plugin-wide state: written by the start-up exports, the two verbs and the platform check.
#pragma once
#include <windows.h>

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
    volatile unsigned char platformMode = 0;
    char pluginIniPath[kIniNameBytes] = "fsplugin.ini";
    int grouping = 1;
    // The host window the Open dialog was last asked from.
    HWND openMainWindow = nullptr;
};

extern PluginState g_state;

}  // namespace tf
