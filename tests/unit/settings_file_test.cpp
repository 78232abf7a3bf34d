// Where Tallyfold.ini lies, and reading a command's template from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "commands/command_template.h"
#include "commands/settings_file.h"
#include "host/state.h"
#include "support/ini_file.h"
#include "support/support.h"

namespace {

class SettingsFile : public testing::Test {
protected:
    void SetUp() override { memcpy(saved_, tf::g_state.pluginIniPath, sizeof saved_); }
    void TearDown() override { memcpy(tf::g_state.pluginIniPath, saved_, sizeof saved_); }
    static std::wstring CommandIniFor(const std::string& pluginIni) {
        EXPECT_LT(pluginIni.size(), sizeof tf::g_state.pluginIniPath);
        pluginIni.copy(tf::g_state.pluginIniPath, sizeof tf::g_state.pluginIniPath - 1);
        tf::g_state.pluginIniPath[std::min(pluginIni.size(), sizeof tf::g_state.pluginIniPath - 1)] = 0;
        WCHAR buffer[tf::kCommandIniBuffer];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        tf::GetCommandIniPath(buffer);
        return buffer;
    }

private:
    char saved_[tf::kIniNameBytes];
};

}  // namespace

TEST_F(SettingsFile, BesideTheHostsSettingsFile) {
    EXPECT_EQ(CommandIniFor("C:\\Host\\manager\\fsplugin.ini"), L"C:\\Host\\manager\\Tallyfold.ini");
    // A long folder keeps the path within 259 characters.
    const std::string folder = "C:\\" + std::string(246, 'f') + "\\";
    EXPECT_EQ(CommandIniFor(folder + "a.ini"), std::wstring(folder.begin(), folder.end()) + L"Tallyfold");
}

TEST_F(SettingsFile, BareNameMeansThePluginsOwnFolder) {
    // A bare name would be read from the Windows folder and created in the current one.
    WCHAR module[MAX_PATH];
    const DWORD n = GetModuleFileNameW(tf::g_state.moduleInstance, module, MAX_PATH);
    std::wstring expected(module, n);
    expected = expected.substr(0, expected.find_last_of(L'\\') + 1) + L"Tallyfold.ini";
    EXPECT_EQ(CommandIniFor("fsplugin.ini"), expected);
}

TEST_F(SettingsFile, TemplateLongerThanItsBufferIsNotRead) {
    // Regression: a value longer than 1022 characters was read cut and started.
    tftest::TempDir dir;
    const std::wstring ini = dir / L"Tallyfold.ini";
    const std::wstring exact(tf::kTemplateChars, L'e');
    ASSERT_TRUE(tftest::WriteIni(ini, {L"[Tallyfold]", L"Exact=" + exact, L"Over=" + exact + L"o", L"Empty="}));
    WCHAR value[tf::kTemplateBuffer];
    EXPECT_TRUE(tf::ReadCommandTemplate(ini.c_str(), L"Exact", value));
    EXPECT_EQ(std::wstring(value), exact);
    EXPECT_FALSE(tf::ReadCommandTemplate(ini.c_str(), L"Over", value));
    EXPECT_FALSE(tf::ReadCommandTemplate(ini.c_str(), L"Empty", value));
    EXPECT_FALSE(tf::ReadCommandTemplate(ini.c_str(), L"Missing", value));
}
