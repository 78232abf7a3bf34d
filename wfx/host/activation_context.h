// The module's own activation context around the windows the plugin shows. The module's manifest
// (resource 2) names the version 6 common controls, but the loader activates a manifest only for
// the program, never for a DLL: without this, the Open dialog and the message boxes come up in
// the old unthemed look inside a themed host. Activated only around those windows, so the rest
// of the plugin runs in whatever context the host called it in.
#pragma once
#include <windows.h>

namespace tf {

// The manifest's resource number (ISOLATIONAWARE_MANIFEST_RESOURCE_ID).
constexpr WORD kManifestResourceId = 2;

// Makes the module's context the calling thread's active one for the object's lifetime, and
// restores the previous one at its end. Where the context cannot be made (no manifest, an older
// system), the window is still shown, unthemed.
class ModuleActivationContext {
public:
    ModuleActivationContext();
    ~ModuleActivationContext();
    ModuleActivationContext(const ModuleActivationContext&) = delete;
    ModuleActivationContext& operator=(const ModuleActivationContext&) = delete;

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;  // CreateActCtxW fails with INVALID_HANDLE_VALUE
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace tf
