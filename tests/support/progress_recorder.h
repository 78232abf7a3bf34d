// A progress callback for the plugin that records every report, can answer cancel at a chosen
// report, and notes whether the thread's message queue was drained around each report.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tftest {

struct ProgressReport {
    int pluginNr = 0;
    std::wstring source;  // empty when the pointer was null (see sourceNull)
    std::wstring target;
    bool sourceNull = false;
    bool targetNull = false;
    int percent = 0;
    // A probe message (see ProgressRecorder::PostProbes) was still queued when the report came:
    // nobody drained the queue since the previous report.
    bool probePending = false;
};

// While it lives, the recorder receives every report that reaches CallbackW or CallbackA on any
// thread of the process (the plugin keeps the callback it was given; reports that arrive while no
// recorder lives are answered with 0).
class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    // Answers cancel (1) at the n-th report, counting from 1, and 0 at every other; 0: never.
    void CancelAt(int n) { cancelAt_ = n; }
    // Posts a probe thread message at each report, so the next report (or the test after the
    // call) can tell whether the queue was drained in between.
    void PostProbes(bool on) { postProbes_ = on; }

    // Runs at each report, after it is recorded (for example to look at the files right then).
    void OnReport(std::function<void(const ProgressReport&)> action) { onReport_ = std::move(action); }

    // Gives the loaded module's FsInitW (or FsInit for narrow) this recorder's callback.
    void InitModule(int pluginNr = 7);
    void InitModuleNarrow(int pluginNr = 7);

    const std::vector<ProgressReport>& reports() const { return reports_; }
    std::vector<int> percents() const;
    void Clear() { reports_.clear(); }

    // Posts one probe message to the calling thread now; the next report shows it pending unless
    // the queue was drained before it.
    static void PostProbe();
    // True when a probe message is queued for the calling thread; removes every probe.
    static bool TakeProbes();

    static int WINAPI CallbackW(int pluginNr, WCHAR* source, WCHAR* target, int percent);
    static int WINAPI CallbackA(int pluginNr, char* source, char* target, int percent);

private:
    int Record(ProgressReport report);

    int cancelAt_ = 0;
    bool postProbes_ = false;
    std::vector<ProgressReport> reports_;
    std::function<void(const ProgressReport&)> onReport_;
    ProgressRecorder* previous_ = nullptr;
};

// "0 14 28 42" for failure messages.
std::string PercentText(const std::vector<int>& percents);

}  // namespace tftest
