// The two verbs of FsExecuteFileW and the narrow entry's own answers.
#include <gtest/gtest.h>

#include "host/exports.h"
#include "host/state.h"
#include "support/launch.h"
#include "support/support.h"

namespace {

constexpr UINT kHostCommand = WM_USER + 51;

class ExecuteVerbs : public testing::Test {
protected:
    void SetUp() override {
        savedGrouping_ = tf::g_state.grouping;
        savedInstance_ = tf::g_state.moduleInstance;
        DrainQueue();
    }
    void TearDown() override {
        tf::g_state.grouping = savedGrouping_;
        tf::g_state.moduleInstance = savedInstance_;
    }

    static void DrainQueue() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    // The host command messages waiting in this thread's queue, for any window.
    static std::vector<MSG> TakeHostCommands() {
        std::vector<MSG> found;
        MSG message;
        while (PeekMessageW(&message, nullptr, kHostCommand, kHostCommand, PM_REMOVE)) found.push_back(message);
        return found;
    }

    int Wide(const wchar_t* path, const wchar_t* verb, HWND mainWin = nullptr) {
        std::wstring p = path;
        std::wstring v = verb;
        return FsExecuteFileW(mainWin, p.data(), v.data());
    }
    int Narrow(const char* path, const char* verb) {
        std::string p = path;
        std::string v = verb;
        return FsExecuteFile(nullptr, p.data(), v.data());
    }

private:
    int savedGrouping_ = 1;
    HINSTANCE savedInstance_ = nullptr;
};

}  // namespace

TEST_F(ExecuteVerbs, PropertiesFlipsGroupingAndAsksTheHostToReread) {
    tftest::OwnerWindow host(50, 50, 400, 300);
    ASSERT_NE(host.handle(), nullptr);
    const HWND active = GetActiveWindow();
    tf::g_state.grouping = 1;
    EXPECT_EQ(Wide(L"\\C:", L"properties"), tf::FS_EXEC_OK);
    EXPECT_EQ(tf::g_state.grouping, 0);
    EXPECT_EQ(Wide(L"\\C:\\Pictures\\img<0001-100>.png", L"PROPERTIES"), tf::FS_EXEC_OK);
    EXPECT_EQ(tf::g_state.grouping, 1);
    const std::vector<MSG> posted = TakeHostCommands();
    ASSERT_EQ(posted.size(), 2u);
    for (const MSG& message : posted) {
        EXPECT_EQ(message.hwnd, active);
        EXPECT_EQ(message.wParam, 540u);
        EXPECT_EQ(message.lParam, 0);
    }
    tf::g_state.grouping = 7;
    EXPECT_EQ(Wide(L"\\C:", L"Properties"), tf::FS_EXEC_OK);
    EXPECT_EQ(tf::g_state.grouping, 0);
}

TEST_F(ExecuteVerbs, RootAndUnknownVerbsFailWithoutEffect) {
    tftest::DialogDriver driver([](HWND dialog) { tftest::PressButton(dialog, IDCANCEL); });
    tf::g_state.grouping = 1;
    EXPECT_EQ(Wide(L"\\", L"properties"), tf::FS_EXEC_ERROR);
    EXPECT_EQ(Wide(L"\\C", L"open"), tf::FS_EXEC_ERROR);
    EXPECT_EQ(Wide(L"\\C:\\x", L"open "), tf::FS_EXEC_ERROR);
    EXPECT_EQ(Wide(L"\\C:\\x", L"properties2"), tf::FS_EXEC_ERROR);
    EXPECT_EQ(Wide(L"\\C:\\x", L"print"), tf::FS_EXEC_ERROR);
    // Only A to Z fold: a dotless capital I is not an "i".
    EXPECT_EQ(Wide(L"\\C:\\x", L"PROPERT\u0130ES"), tf::FS_EXEC_ERROR);
    EXPECT_EQ(FsExecuteFileW(nullptr, nullptr, nullptr), tf::FS_EXEC_ERROR);
    std::wstring path = L"\\C:\\x";
    EXPECT_EQ(FsExecuteFileW(nullptr, path.data(), nullptr), tf::FS_EXEC_ERROR);
    EXPECT_EQ(tf::g_state.grouping, 1);
    EXPECT_TRUE(TakeHostCommands().empty());
    EXPECT_EQ(driver.handled(), 0);
}

TEST_F(ExecuteVerbs, OpenInAnyCaseShowsTheDialogAndAnswersOk) {
    tftest::TempDir dir;
    char saved[tf::kIniNameBytes];
    memcpy(saved, tf::g_state.pluginIniPath, sizeof saved);
    const std::string ini = tftest::Narrow(dir / L"fsplugin.ini");
    strcpy(tf::g_state.pluginIniPath, ini.c_str());
    tf::g_state.moduleInstance = tftest::Module::Get().handle();
    tftest::DialogDriver driver([](HWND dialog) { tftest::PressButton(dialog, IDCANCEL); });
    std::wstring path = L"\\C:\\Pictures\\photo.jpg";
    EXPECT_EQ(Wide(path.c_str(), L"open"), tf::FS_EXEC_OK);
    EXPECT_EQ(Wide(path.c_str(), L"OPEN"), tf::FS_EXEC_OK);
    EXPECT_EQ(Wide(path.c_str(), L"Open"), tf::FS_EXEC_OK);
    EXPECT_EQ(driver.handled(), 3);
    // A dialog that cannot be shown still answers 0.
    tf::g_state.moduleInstance = GetModuleHandleW(nullptr);
    EXPECT_EQ(Wide(path.c_str(), L"open"), tf::FS_EXEC_OK);
    EXPECT_EQ(driver.handled(), 3);
    memcpy(tf::g_state.pluginIniPath, saved, sizeof saved);
}

TEST_F(ExecuteVerbs, NarrowEntryOpensNothingAndPostsNothing) {
    tftest::DialogDriver driver([](HWND dialog) { tftest::PressButton(dialog, IDCANCEL); });
    tf::g_state.grouping = 1;
    EXPECT_EQ(Narrow("\\C:\\x", "OPEN"), tf::FS_EXEC_YOURSELF);
    EXPECT_EQ(Narrow("\\C:\\x", "Properties"), tf::FS_EXEC_SYMLINK);
    EXPECT_EQ(tf::g_state.grouping, 0);
    EXPECT_EQ(Narrow("\\C:\\x", "properties"), tf::FS_EXEC_SYMLINK);
    EXPECT_EQ(tf::g_state.grouping, 1);
    EXPECT_EQ(Narrow("\\", "properties"), tf::FS_EXEC_ERROR);
    EXPECT_EQ(Narrow("\\C:\\x", "copy"), tf::FS_EXEC_ERROR);
    EXPECT_EQ(Narrow("\\C:\\x", "open "), tf::FS_EXEC_ERROR);
    EXPECT_EQ(FsExecuteFile(nullptr, nullptr, nullptr), tf::FS_EXEC_ERROR);
    EXPECT_EQ(tf::g_state.grouping, 1);
    EXPECT_TRUE(TakeHostCommands().empty());
    EXPECT_EQ(driver.handled(), 0);
}
