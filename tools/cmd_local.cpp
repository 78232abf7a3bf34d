// local PLUGINPATH [MAXLEN]: what FsGetLocalNameW answers for an entry, and the name it leaves.
#include <cwchar>
#include <string>
#include <vector>

#include "host.h"

namespace tfhost {

namespace {

using FsGetLocalNameWFn = BOOL(WINAPI*)(WCHAR*, int);

// The file manager hands the plugin a buffer for the longest plugin path it passes.
constexpr int kHostPathChars = 1024;

}  // namespace

int CmdLocal(Context& ctx) {
    if (ctx.args.empty() || ctx.args.size() > 2) {
        Err(L"usage: local PLUGINPATH [MAXLEN]\n");
        return 2;
    }
    auto getLocalName = ctx.plugin.Get<FsGetLocalNameWFn>("FsGetLocalNameW");
    if (getLocalName == nullptr) {
        Err(L"tfhost: the module lacks FsGetLocalNameW\n");
        return 1;
    }
    int maxlen = kHostPathChars;
    if (ctx.args.size() == 2) {
        wchar_t* end = nullptr;
        const long value = std::wcstol(ctx.args[1].c_str(), &end, 10);
        if (end == ctx.args[1].c_str() || *end != 0 || value < 0 || value > kHostPathChars) {
            Err(Format(L"tfhost: MAXLEN must be a number from 0 to %d\n", kHostPathChars));
            return 2;
        }
        maxlen = static_cast<int>(value);
    }
    const std::wstring& path = ctx.args[0];
    // The buffer holds the plugin path whatever maxlen says, as the file manager's does.
    std::vector<WCHAR> buffer(path.size() + 1 > static_cast<size_t>(kHostPathChars) ? path.size() + 1 : kHostPathChars,
                              L'\0');
    path.copy(buffer.data(), path.size());
    const BOOL answer = getLocalName(buffer.data(), maxlen);
    Out(Format(L"result %d: %ls\n%ls\n", answer, answer ? L"TRUE" : L"FALSE, name unchanged", buffer.data()));
    return answer ? 0 : 1;
}

}  // namespace tfhost
