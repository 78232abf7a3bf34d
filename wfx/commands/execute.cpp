// The "open" and "properties" verbs.
#include <atomic>
#include <string_view>

#include "commands/open_dialog.h"
#include "commands/open_dialog_ids.h"
#include "host/activation_context.h"
#include "host/exports.h"
#include "host/state.h"
#include "host/text.h"

namespace {

// The host's command message and its command to re-read the current panel.
constexpr UINT kHostCommandMessage = WM_USER + 51;
constexpr WPARAM kHostRereadPanel = 540;
constexpr int kShortestEntryPath = 3;

// Modal until the user closes it; drawn with the common controls of the module's manifest.
void ShowOpenDialog(HWND owner, const WCHAR* targetPath) {
    const tf::ModuleActivationContext themed;
    DialogBoxParamW(tf::g_state.moduleInstance, MAKEINTRESOURCEW(IDD_OPEN_DIALOG), owner, tf::OpenDialogProc,
                    reinterpret_cast<LPARAM>(targetPath));
}

void FlipGrouping() {
    std::atomic<int>& grouping = tf::g_state.grouping;
    grouping.store(grouping.load(std::memory_order_relaxed) == 0 ? 1 : 0, std::memory_order_relaxed);
}

bool ShorterThan(const WCHAR* text, int count) {
    for (int i = 0; i < count; ++i) {
        if (text[i] == 0) return true;
    }
    return false;
}

bool ShorterThan(const char* text, int count) {
    for (int i = 0; i < count; ++i) {
        if (text[i] == 0) return true;
    }
    return false;
}

bool EqualsFoldAscii(const char* text, std::string_view word) {
    size_t i = 0;
    for (; i < word.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != word[i]) return false;
    }
    return text[i] == 0;
}

}  // namespace

int WINAPI FsExecuteFileW(HWND mainWin, WCHAR* remoteName, WCHAR* verb) noexcept {
    if (remoteName == nullptr || verb == nullptr) return tf::FS_EXEC_ERROR;
    if (ShorterThan(remoteName, kShortestEntryPath)) return tf::FS_EXEC_ERROR;
    if (tf::EqualsFoldAscii(verb, L"open")) {
        ShowOpenDialog(mainWin, remoteName + 1);
        return tf::FS_EXEC_OK;
    }
    if (tf::EqualsFoldAscii(verb, L"properties")) {
        FlipGrouping();
        PostMessageA(GetActiveWindow(), kHostCommandMessage, kHostRereadPanel, 0);
        return tf::FS_EXEC_OK;
    }
    return tf::FS_EXEC_ERROR;
}

int WINAPI FsExecuteFile(HWND, char* remoteName, char* verb) noexcept {
    if (remoteName == nullptr || verb == nullptr) return tf::FS_EXEC_ERROR;
    if (ShorterThan(remoteName, kShortestEntryPath)) return tf::FS_EXEC_ERROR;
    // Hosts without wide strings open entries themselves; no dialog and no posted message here.
    if (EqualsFoldAscii(verb, "open")) return tf::FS_EXEC_YOURSELF;
    if (EqualsFoldAscii(verb, "properties")) {
        FlipGrouping();
        return tf::FS_EXEC_SYMLINK;
    }
    return tf::FS_EXEC_ERROR;
}
