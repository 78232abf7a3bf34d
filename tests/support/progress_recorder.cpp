#include "support/progress_recorder.h"

#include "support/support.h"

namespace tftest {

namespace {

ProgressRecorder* g_active = nullptr;
constexpr UINT kProbeMessage = WM_APP + 0x2F1;

std::wstring FromCodePage(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    return out;
}

bool ProbeQueued() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, kProbeMessage, kProbeMessage, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

}  // namespace

ProgressRecorder::ProgressRecorder() : previous_(g_active) { g_active = this; }

ProgressRecorder::~ProgressRecorder() { g_active = previous_; }

void ProgressRecorder::InitModule(int pluginNr) {
    auto init = Module::Get().Fn<int(WINAPI*)(int, void*, void*, void*)>("FsInitW");
    if (init != nullptr) init(pluginNr, reinterpret_cast<void*>(&CallbackW), nullptr, nullptr);
}

void ProgressRecorder::InitModuleNarrow(int pluginNr) {
    auto init = Module::Get().Fn<int(WINAPI*)(int, void*, void*, void*)>("FsInit");
    if (init != nullptr) init(pluginNr, reinterpret_cast<void*>(&CallbackA), nullptr, nullptr);
}

std::vector<int> ProgressRecorder::percents() const {
    std::vector<int> out;
    for (const ProgressReport& r : reports_) out.push_back(r.percent);
    return out;
}

void ProgressRecorder::PostProbe() { PostThreadMessageW(GetCurrentThreadId(), kProbeMessage, 0, 0); }

bool ProgressRecorder::TakeProbes() {
    MSG msg;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, kProbeMessage, kProbeMessage, PM_REMOVE)) any = true;
    return any;
}

int ProgressRecorder::Record(ProgressReport report) {
    report.probePending = ProbeQueued();
    reports_.push_back(std::move(report));
    if (onReport_) onReport_(reports_.back());
    if (postProbes_) PostProbe();
    return cancelAt_ > 0 && static_cast<int>(reports_.size()) == cancelAt_ ? 1 : 0;
}

namespace {

// A report as the recorder keeps it, from either character width; toWide converts a name.
template <typename Char, typename ToWide>
ProgressReport MakeReport(int pluginNr, const Char* source, const Char* target, int percent, ToWide toWide) {
    ProgressReport r;
    r.pluginNr = pluginNr;
    r.percent = percent;
    r.sourceNull = source == nullptr;
    r.targetNull = target == nullptr;
    if (source != nullptr) r.source = toWide(source);
    if (target != nullptr) r.target = toWide(target);
    return r;
}

}  // namespace

int WINAPI ProgressRecorder::CallbackW(int pluginNr, WCHAR* source, WCHAR* target, int percent) {
    if (g_active == nullptr) return 0;
    return g_active->Record(MakeReport(pluginNr, source, target, percent, [](const WCHAR* text) { return std::wstring(text); }));
}

int WINAPI ProgressRecorder::CallbackA(int pluginNr, char* source, char* target, int percent) {
    if (g_active == nullptr) return 0;
    return g_active->Record(MakeReport(pluginNr, source, target, percent, [](const char* text) { return FromCodePage(text); }));
}

std::string PercentText(const std::vector<int>& percents) {
    std::string out;
    for (int p : percents) {
        if (!out.empty()) out += ' ';
        out += std::to_string(p);
    }
    return out;
}

}  // namespace tftest
