// Module entry, start-up exports and the host's fixed questions.
#include "host/exports.h"
#include "host/state.h"

namespace tf {
PluginState g_state;
}

using tf::g_state;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_state.moduleInstance = instance;
    return TRUE;
}

int WINAPI FsInit(int pluginNr, tf::ProgressProcA progress, tf::LogProcA log, tf::RequestProcA request) noexcept {
    g_state.pluginNumber = pluginNr;
    g_state.progressA = progress;
    g_state.logA = log;
    g_state.requestA = request;
    return 0;
}

int WINAPI FsInitW(int pluginNr, tf::ProgressProcW progress, tf::LogProcW log, tf::RequestProcW request) noexcept {
    g_state.pluginNumber = pluginNr;
    g_state.progressW = progress;
    g_state.logW = log;
    g_state.requestW = request;
    return 0;
}

void WINAPI FsGetDefRootName(char* defRootName, int maxlen) noexcept {
    if (defRootName == nullptr || maxlen < 1) return;
    static constexpr char kRootName[] = "Tallyfold";
    int i = 0;
    for (; i < maxlen - 1 && kRootName[i] != 0; ++i) defRootName[i] = kRootName[i];
    defRootName[i] = 0;
}

void WINAPI FsSetDefaultParams(tf::FsDefaultParamStruct* dps) noexcept {
    if (dps == nullptr) return;
    int i = 0;
    for (; i < tf::kIniNameBytes - 1 && dps->DefaultIniName[i] != 0; ++i) g_state.pluginIniPath[i] = dps->DefaultIniName[i];
    g_state.pluginIniPath[i] = 0;
}

void WINAPI FsStatusInfo(char*, int, int) noexcept {}

void WINAPI FsContentPluginUnloading() noexcept {}
