// The module's activation context, made from its manifest resource for each window it wraps:
// nothing is kept between calls, so nothing is left for the host to unload.
#include "host/activation_context.h"

#include "host/state.h"

namespace tf {

ModuleActivationContext::ModuleActivationContext() {
    ACTCTXW request{};
    request.cbSize = sizeof request;
    // With the module handle the system reads the manifest from the loaded image; no path needed.
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = g_state.moduleInstance;
    request.lpResourceName = MAKEINTRESOURCEW(kManifestResourceId);
    context_ = CreateActCtxW(&request);
    if (context_ == INVALID_HANDLE_VALUE) return;
    active_ = ActivateActCtx(context_, &cookie_) != FALSE;
}

ModuleActivationContext::~ModuleActivationContext() {
    if (active_) DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
}

}  // namespace tf
