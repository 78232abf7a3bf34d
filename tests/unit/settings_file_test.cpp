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
        const bool fits = tf::GetCommandIniPath(buffer);
        EXPECT_EQ(fits, buffer[0] != 0) << "a path that does not fit leaves nothing to use";
        return buffer;
    }

private:
    char saved_[tf::kIniNameBytes];
};

}  // namespace

TEST_F(SettingsFile, BesideTheHostsSettingsFile) {
    EXPECT_EQ(CommandIniFor("C:\\Host\\manager\\fsplugin.ini"), L"C:\\Host\\manager\\Tallyfold.ini");
    // Regression: a folder too long for the name was used with the name cut to "Tallyfold".
    const std::string fits = "C:\\" + std::string(242, 'f') + "\\";
    EXPECT_EQ(CommandIniFor(fits + "a.ini"), std::wstring(fits.begin(), fits.end()) + L"Tallyfold.ini");
    EXPECT_EQ(CommandIniFor("C:\\" + std::string(243, 'f') + "\\a.ini"), L"");
    EXPECT_EQ(CommandIniFor("C:\\" + std::string(254, 'f') + "\\"), L"");
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

TEST_F(SettingsFile, TemplateKeepsItsQuotes) {
    // Regression: a value that began and ended with a quote lost both, so a quoted program path
    // with a space ran as "C:\Program" or not at all.
    tftest::TempDir dir;
    const std::wstring quoted = L"\"C:\\Program Files\\Viewer\\view.exe\" \"%P%F\"";
    const std::wstring utf16 = dir / L"utf16.ini";
    ASSERT_TRUE(tftest::WriteIni(utf16, {L"[Other]", L"View=other", L"[Tallyfold]", L"View=" + quoted,
                                         L"  Padded  =  \"x\"  ", L"view=second of the same name"}));
    const std::wstring ansi = dir / L"ansi.ini";
    ASSERT_TRUE(tftest::WriteBytes(ansi, "[Tallyfold]\r\nView=" + tftest::Narrow(quoted) + "\r\n"));
    WCHAR value[tf::kTemplateBuffer];
    for (const std::wstring& ini : {utf16, ansi}) {
        ASSERT_TRUE(tf::ReadCommandTemplate(ini.c_str(), L"View", value));
        EXPECT_EQ(std::wstring(value), quoted);
    }
    ASSERT_TRUE(tf::ReadCommandTemplate(utf16.c_str(), L"Padded", value));
    EXPECT_EQ(std::wstring(value), L"\"x\"");
}

TEST_F(SettingsFile, CreatedOnlyWhereNoFileIs) {
    // Regression: whenever a separate existence check failed (no right to list the folder, a
    // network error), the file was created anew over the user's commands. The creation itself
    // now decides, so an existing file stays as it is whatever else fails.
    tftest::TempDir dir;
    const std::wstring ini = dir / L"Tallyfold.ini";
    ASSERT_TRUE(tftest::WriteIni(ini, {L"[Tallyfold]", L"Mine=my command"}));
    const std::string mine = tftest::ReadBytes(ini);
    EXPECT_FALSE(tf::EnsureCommandIni(ini.c_str()));
    EXPECT_EQ(tftest::ReadBytes(ini), mine);
    const std::wstring empty = dir / L"empty.ini";
    ASSERT_TRUE(tftest::WriteBytes(empty, ""));
    EXPECT_FALSE(tf::EnsureCommandIni(empty.c_str()));
    EXPECT_EQ(tftest::ReadBytes(empty), "");
    const std::wstring fresh = dir / L"fresh.ini";
    EXPECT_TRUE(tf::EnsureCommandIni(fresh.c_str()));
    EXPECT_EQ(tftest::ReadBytes(fresh).substr(0, 2), "\xFF\xFE");
}
