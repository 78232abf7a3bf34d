#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/exports.h"
#include "host/progress.h"
#include "host/state.h"

using namespace tf;

namespace {

struct Seen {
    std::vector<std::string> narrow;
    std::vector<std::wstring> wide;
    bool nullTarget = false;
};
Seen g_seen;

int WINAPI NarrowProgress(int, char* source, char* target, int) {
    g_seen.narrow.emplace_back(source ? source : "(null)");
    g_seen.nullTarget = target == nullptr;
    return 7;
}
int WINAPI WideProgress(int, WCHAR* source, WCHAR*, int) {
    g_seen.wide.emplace_back(source ? source : L"(null)");
    return 0;
}

// What the start-up exports write (the state as a whole holds atomics, which do not copy).
void CopyHostGiven(const PluginState& from, PluginState& to) {
    to.pluginNumber = from.pluginNumber;
    to.progressA = from.progressA;
    to.logA = from.logA;
    to.requestA = from.requestA;
    to.progressW = from.progressW;
    to.logW = from.logW;
    to.requestW = from.requestW;
    std::memcpy(to.pluginIniPath, from.pluginIniPath, sizeof to.pluginIniPath);
}

class HostEntry : public ::testing::Test {
protected:
    void SetUp() override {
        CopyHostGiven(g_state, saved_);
        g_seen = {};
        g_state.progressA = nullptr;
        g_state.progressW = nullptr;
    }
    void TearDown() override { CopyHostGiven(saved_, g_state); }
    PluginState saved_;
};

}  // namespace

TEST_F(HostEntry, WideCallbackWinsOnceGiven) {
    EXPECT_EQ(ReportProgress(L"a", L"b", 0), 0) << "no callback: carry on";
    EXPECT_EQ(FsInit(3, NarrowProgress, nullptr, nullptr), 0);
    EXPECT_EQ(ReportProgress(L"src", nullptr, 10), 7);
    EXPECT_TRUE(g_seen.nullTarget) << "a null name must reach the callback as null";
    EXPECT_EQ(FsInitW(4, WideProgress, nullptr, nullptr), 0);
    EXPECT_EQ(ReportProgress(L"wide", L"t", 20), 0);
    EXPECT_EQ(g_seen.narrow, std::vector<std::string>{"src"});
    EXPECT_EQ(g_seen.wide, std::vector<std::wstring>{L"wide"});
    EXPECT_EQ(g_state.pluginNumber, 4);
}

TEST_F(HostEntry, NarrowProgressNamesAreCutTo259Bytes) {
    FsInit(1, NarrowProgress, nullptr, nullptr);
    const std::wstring longName(600, L'n');
    ReportProgress(longName.c_str(), L"t", 50);
    ASSERT_EQ(g_seen.narrow.size(), 1u);
    EXPECT_EQ(g_seen.narrow[0], std::string(259, 'n'));
}

TEST_F(HostEntry, DefaultParamsCopyTheIniNameUpTo259Characters) {
    EXPECT_STREQ(g_state.pluginIniPath, "fsplugin.ini");
    FsDefaultParamStruct params{};
    for (const size_t length : {258u, 259u}) {
        std::memset(params.DefaultIniName, 0, sizeof params.DefaultIniName);
        std::memset(params.DefaultIniName, 'i', length);
        FsSetDefaultParams(&params);
        EXPECT_EQ(std::string(g_state.pluginIniPath), std::string(length, 'i'));
    }
    std::memset(params.DefaultIniName, 'u', sizeof params.DefaultIniName);  // unterminated
    FsSetDefaultParams(&params);
    EXPECT_EQ(std::string(g_state.pluginIniPath), std::string(259, 'u'));
    FsSetDefaultParams(nullptr);
}

TEST_F(HostEntry, PumpMessagesDrainsWithoutWaiting) {
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 5, 0, 0);
    PumpMessages();
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    PumpMessages();  // an empty queue returns at once
}

namespace {

int g_dialogCommand = 0;

INT_PTR CALLBACK RecordingDialog(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) g_dialogCommand = LOWORD(wParam);
    return message == WM_INITDIALOG;
}

}  // namespace

// Keys for the active dialog go through the dialog manager: Enter in it becomes its OK command.
TEST_F(HostEntry, PumpMessagesRoutesKeysToTheActiveDialog) {
    struct alignas(4) Template {
        DLGTEMPLATE dialog;
        WORD menu, windowClass, title;
    } form{};
    form.dialog.style = WS_POPUP | WS_VISIBLE | DS_MODALFRAME;
    form.dialog.cx = 100;
    form.dialog.cy = 50;
    const HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &form.dialog, nullptr, RecordingDialog, 0);
    ASSERT_NE(dialog, nullptr);
    SetActiveWindow(dialog);
    if (GetActiveWindow() != dialog) {
        DestroyWindow(dialog);
        GTEST_SKIP() << "the window system did not activate the dialog";
    }
    MSG drain;
    while (PeekMessageW(&drain, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&drain);
    g_dialogCommand = 0;
    PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 1);
    PumpMessages();
    EXPECT_EQ(g_dialogCommand, IDOK);
    DestroyWindow(dialog);
}
