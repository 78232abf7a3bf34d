// The Open dialog driven for real: its template from the built module, the procedure from the
// library, answered through a CBT hook; commands start the recording program through the shell.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/open_dialog.h"
#include "commands/open_dialog_ids.h"
#include "host/state.h"
#include "support/ini_file.h"
#include "support/launch.h"
#include "support/support.h"

using namespace tftest;

namespace {

struct Seen {
    std::wstring caption;
    std::vector<std::wstring> items;
    LRESULT caret = -2;
    RECT dialog{};
    RECT parent{};
    HWND owner = nullptr;
};

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class OpenDialog : public testing::Test {
protected:
    void SetUp() override {
        memcpy(savedIni_, tf::g_state.pluginIniPath, sizeof savedIni_);
        savedInstance_ = tf::g_state.moduleInstance;
        GetCurrentDirectoryW(MAX_PATH, savedCurrent_);
        UseIniFolder(dir_.path());
        tf::g_state.moduleInstance = Module::Get().handle();
        target_ = dir_ / L"img<0001-100>.png";
    }
    void TearDown() override {
        memcpy(tf::g_state.pluginIniPath, savedIni_, sizeof savedIni_);
        tf::g_state.moduleInstance = savedInstance_;
        SetCurrentDirectoryW(savedCurrent_);
    }

    void UseIniFolder(const std::wstring& folder) {
        strcpy(tf::g_state.pluginIniPath, Narrow(folder + L"\\fsplugin.ini").c_str());
    }
    std::wstring IniPath() const { return dir_ / L"Tallyfold.ini"; }
    std::wstring RecordPath() const { return dir_ / L"record.txt"; }
    std::wstring Recorder() const { return L"\"" + RecorderPath() + L"\""; }

    // Shows the dialog; once it is up, reads what it shows and runs the answer.
    INT_PTR Show(const std::function<void(HWND)>& answer) {
        DialogDriver driver([&](HWND dialog) {
            seen_.caption = WindowText(dialog);
            seen_.items = ListItems(GetDlgItem(dialog, IDC_COMMAND_LIST));
            seen_.caret = SendDlgItemMessageW(dialog, IDC_COMMAND_LIST, LB_GETCARETINDEX, 0, 0);
            seen_.owner = GetParent(dialog);
            GetWindowRect(dialog, &seen_.dialog);
            GetWindowRect(owner_.handle(), &seen_.parent);
            answer(dialog);
        });
        const INT_PTR result = Open();
        EXPECT_EQ(driver.handled(), 1);
        return result;
    }
    // Shows the dialog for target_, as the open verb does.
    INT_PTR Open() {
        return DialogBoxParamW(tf::g_state.moduleInstance, MAKEINTRESOURCEW(IDD_OPEN_DIALOG), owner_.handle(),
                               tf::OpenDialogProc, reinterpret_cast<LPARAM>(target_.c_str()));
    }
    static std::function<void(HWND)> Press(int id) {
        return [id](HWND dialog) { PressButton(dialog, id); };
    }
    // Picks the list's item and presses OK.
    static std::function<void(HWND)> Choose(int item) {
        return [item](HWND dialog) {
            ClickItem(GetDlgItem(dialog, IDC_COMMAND_LIST), item);
            PressButton(dialog, IDOK);
        };
    }

    TempDir dir_;
    OwnerWindow owner_{120, 80, 700, 500};
    std::wstring target_;
    Seen seen_;

private:
    char savedIni_[tf::kIniNameBytes];
    HINSTANCE savedInstance_ = nullptr;
    WCHAR savedCurrent_[MAX_PATH] = {};
};

}  // namespace

TEST_F(OpenDialog, FirstOpenCreatesTheDefaultFileAndListsItsCommand) {
    ASSERT_FALSE(Exists(IniPath()));
    EXPECT_EQ(Show(Press(IDCANCEL)), IDCANCEL);
    EXPECT_EQ(seen_.caption, L"Tallyfold: Open");
    EXPECT_EQ(seen_.items, std::vector<std::wstring>{L"Open first"});
    EXPECT_EQ(seen_.caret, 0);
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File({L"[Tallyfold]", L"Open first=%D%F", L";Usage: Menu=command",
                                                L"; Placeholders:", L"; %F first file name", L"; %L last file name",
                                                L"; %P path name", L"; %B base name (without counter)",
                                                L"; %X eXtension", L"; %S start nr", L"; %E end nr",
                                                L"; %C file count"}));
    // Owned by the host's window and centred on it.
    EXPECT_EQ(seen_.owner, owner_.handle());
    const RECT& d = seen_.dialog;
    const RECT& p = seen_.parent;
    EXPECT_EQ(d.left, p.left + ((p.right - p.left) - (d.right - d.left)) / 2);
    EXPECT_EQ(d.top, p.top + ((p.bottom - p.top) - (d.bottom - d.top)) / 2);
}

TEST_F(OpenDialog, ListsTheKeysInFileOrder) {
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Other]", L"Hidden=x", L"[Tallyfold]", L"Zeta=z", L";Comment=no", L"Alpha=a",
                                     L"Mid=m"}));
    EXPECT_EQ(Show(Press(IDCANCEL)), IDCANCEL);
    EXPECT_EQ(seen_.items, (std::vector<std::wstring>{L"Zeta", L"Alpha", L"Mid"}));
    EXPECT_EQ(seen_.caret, 0);
}

TEST_F(OpenDialog, EmptyOrMissingFileListsNothingAndOkStartsNothing) {
    ASSERT_TRUE(WriteBytes(IniPath(), ""));
    RecordFile record(RecordPath());
    EXPECT_EQ(Show(Press(IDOK)), IDOK);
    EXPECT_TRUE(seen_.items.empty());
    EXPECT_EQ(ReadBytes(IniPath()), "");
    // A folder where the file cannot be created.
    UseIniFolder(dir_ / L"no such folder");
    EXPECT_EQ(Show(Press(IDOK)), IDOK);
    EXPECT_TRUE(seen_.items.empty());
    EXPECT_TRUE(record.StaysEmpty());
}

TEST_F(OpenDialog, OkStartsTheCaretCommandWithItsPlaceholdersFilledIn) {
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", L"Record=" + Recorder() + L" \"%P%F\" %L %S %E %C %B %X 100%%",
                                     L"By name=tf_record by name %C", L"Bare=%F bare"}));
    {
        RecordFile record(RecordPath());
        EXPECT_EQ(Show(Press(IDOK)), IDOK);
        const std::string line = record.WaitForLine();
        EXPECT_TRUE(EndsWith(line, " \"" + Narrow(dir_ / L"img0001.png") + "\" img0100.png 0001 0100 100 img .png 100%"))
            << line;
    }
    // A program named without its folder is found beside the running program, as the shell does.
    RecordFile record(dir_ / L"record2.txt");
    EXPECT_EQ(Show(Choose(1)), IDOK);
    const std::string line = record.WaitForLine();
    EXPECT_TRUE(EndsWith(line, " by name 100")) << line;
    // Regression: a placeholder's bare name, "run01.exe", started the file of that name in the
    // host's current folder instead of the entry's own.
    ASSERT_TRUE(CreateDirectoryW((dir_ / L"current").c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(RecorderPath().c_str(), (dir_ / L"current\\run01.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(RecorderPath().c_str(), (dir_ / L"run01.exe").c_str(), FALSE));
    ASSERT_TRUE(SetCurrentDirectoryW((dir_ / L"current").c_str()));
    target_ = dir_ / L"run<01-3>.exe";
    RecordFile bare(dir_ / L"record3.txt");
    EXPECT_EQ(Show(Choose(2)), IDOK);
    const std::string started = bare.WaitForLine();
    EXPECT_TRUE(ContainsFoldCase(started, dir_ / L"run01.exe") && EndsWith(started, " bare")) << started;
}

TEST_F(OpenDialog, QuotedTemplateRunsAsWritten) {
    // Regression: a template that began and ended with a quote lost both when it was read.
    const std::wstring folder = dir_ / L"My Pictures";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(MakeFile(folder + L"\\img0001.png", 1));
    target_ = folder + L"\\img<0001-3>.png";
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", L"View=" + Recorder() + L" \"%P%F\""}));
    RecordFile record(RecordPath());
    EXPECT_EQ(Show(Press(IDOK)), IDOK);
    const std::string line = record.WaitForLine();
    EXPECT_TRUE(EndsWith(line, " \"" + Narrow(folder + L"\\img0001.png") + "\"")) << line;
}

TEST_F(OpenDialog, AMissingMemberStartsNothingElse) {
    // Regression: with the first member gone, "%D%F" in "...\Public Pictures" split at the
    // folder's space, and "...\Public" was found as "...\Public.exe" and started.
    const std::wstring folder = dir_ / L"Public Pictures";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(RecorderPath().c_str(), (dir_ / L"Public.exe").c_str(), FALSE));
    // Nor is ".exe" added to a name from the entry: "img0001.exe" is not the missing "img0001".
    ASSERT_TRUE(CopyFileW(RecorderPath().c_str(), (folder + L"\\img0001.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", L"Open first=%D%F", L"Quoted=\"%D%F\"", L"Name=%F"}));
    const struct {
        const wchar_t* entry;
        int item;
        const wchar_t* missing;
    } kRows[] = {
        {L"img<0001-3>.png", 0, L"\\img0001.png"},
        {L"img<0001-3>.png", 1, L"\\img0001.png"},
        {L"img<0001-3>.png", 2, L"\\img0001.png"},
        {L"img<0001-3>", 0, L"\\img0001"},
    };
    RecordFile record(RecordPath());
    for (const auto& row : kRows) {
        SCOPED_TRACE(Narrow(row.entry) + " item " + std::to_string(row.item));
        target_ = folder + L"\\" + row.entry;
        std::vector<std::wstring> messages;
        bool chosen = false;
        DialogDriver driver([&](HWND window) {
            if (GetDlgItem(window, IDC_COMMAND_LIST) == nullptr) {
                messages.push_back(WindowText(GetDlgItem(window, 0xFFFF)));
                PressButton(window, IDOK);
            } else if (!chosen) {
                chosen = true;
                ClickItem(GetDlgItem(window, IDC_COMMAND_LIST), row.item);
                PressButton(window, IDOK);
            }
        });
        EXPECT_EQ(Open(), IDOK);
        // The user is told which file is missing, as the shell would tell.
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(row.missing), std::wstring::npos) << Narrow(messages[0]);
    }
    EXPECT_TRUE(record.StaysEmpty());
}

TEST_F(OpenDialog, CancelAndDoubleClickStartNothing) {
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", L"Record=" + Recorder() + L" %F"}));
    RecordFile record(RecordPath());
    EXPECT_EQ(Show(Press(IDCANCEL)), IDCANCEL);
    // A double-click on the item neither runs it nor closes the dialog: Cancel still closes it.
    EXPECT_EQ(Show([](HWND dialog) {
                  const HWND list = GetDlgItem(dialog, IDC_COMMAND_LIST);
                  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMMAND_LIST, LBN_DBLCLK),
                               reinterpret_cast<LPARAM>(list));
                  PressButton(dialog, IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_TRUE(record.StaysEmpty());
}

TEST_F(OpenDialog, ConfigureOpensTheFileThroughTheShell) {
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", L"Record=" + Recorder() + L" %F"}));
    ScopedAssociation association(L".ini", Recorder() + L" \"%1\"");
    RecordFile record(RecordPath());
    EXPECT_EQ(Show(Press(IDC_CONFIGURE)), IDCANCEL);
    const std::string line = record.WaitForLine();
    EXPECT_TRUE(ContainsFoldCase(line, IniPath())) << line;
    EXPECT_FALSE(ContainsFoldCase(line, L"img0001")) << line;
}

TEST_F(OpenDialog, SettingsPathThatDoesNotFitIsNotUsed) {
    // Regression: a folder too long for "\\Tallyfold.ini" got a file named "Tallyfold" or shorter.
    const int room = MAX_PATH - 1 - static_cast<int>(dir_.path().size()) - 1 - 13;
    const std::wstring folder = dir_ / std::wstring(static_cast<size_t>(room + 2), L'f');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    UseIniFolder(folder);
    EXPECT_EQ(Show(Press(IDOK)), IDOK);
    EXPECT_TRUE(seen_.items.empty());
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int names = 0;
    do {
        ++names;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(names, 2) << "only . and .. in the folder";
}

TEST_F(OpenDialog, LongKeysAndLongSectionsRunWhole) {
    // Regression: a key of more than 263 characters overran the fixed item buffer.
    const std::wstring longKey(400, L'k');
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", longKey + L"=" + Recorder() + L" long %S",
                                     longKey.substr(0, 263) + L"=" + Recorder() + L" short"}));
    RecordFile record(RecordPath());
    EXPECT_EQ(Show(Press(IDOK)), IDOK);
    ASSERT_EQ(seen_.items.size(), 2u);
    EXPECT_EQ(seen_.items[0], longKey);
    EXPECT_TRUE(EndsWith(record.WaitForLine(), " long 0001"));
    // Regression: the section was read into 32,768 characters, so commands past them were listed
    // but started nothing.
    std::vector<std::wstring> lines{L"[Tallyfold]"};
    const std::wstring padding(1000 - Recorder().size(), L'p');
    for (int i = 0; i < 34; ++i) {
        lines.push_back(L"C" + std::to_wstring(i) + L"=" + Recorder() + L" " + padding + L" " + std::to_wstring(i));
    }
    ASSERT_TRUE(WriteIni(IniPath(), lines));
    RecordFile last(dir_ / L"record2.txt");
    EXPECT_EQ(Show([](HWND dialog) {
                  const HWND list = GetDlgItem(dialog, IDC_COMMAND_LIST);
                  SendMessageW(list, LB_SETTOPINDEX, 33, 0);
                  ClickItem(list, 33);
                  PressButton(dialog, IDOK);
              }),
              IDOK);
    EXPECT_EQ(seen_.items.size(), 34u);
    EXPECT_TRUE(EndsWith(last.WaitForLine(), "p 33"));
}

TEST_F(OpenDialog, CutCommandsAreNotStarted) {
    // Regression: a command cut at 1022 characters was started, naming another file.
    std::wstring manyPaths;  // 150 template characters that expand past 1022
    for (int i = 0; i < 30; ++i) manyPaths += L" %P%F";
    std::wstring longTemplate = Recorder() + L" ";
    longTemplate += std::wstring(1100 - longTemplate.size(), L'x');
    ASSERT_TRUE(WriteIni(IniPath(), {L"[Tallyfold]", L"Paths=" + Recorder() + manyPaths, L"Long=" + longTemplate,
                                     L"Fits=" + Recorder() + L" fits"}));
    RecordFile record(RecordPath());
    LRESULT caret = -1;
    const auto choose = [&caret](int index) {
        return [&caret, index](HWND dialog) {
            ClickItem(GetDlgItem(dialog, IDC_COMMAND_LIST), index);
            caret = SendDlgItemMessageW(dialog, IDC_COMMAND_LIST, LB_GETCARETINDEX, 0, 0);
            PressButton(dialog, IDOK);
        };
    };
    EXPECT_EQ(Show(Press(IDOK)), IDOK);
    EXPECT_EQ(Show(choose(1)), IDOK);
    EXPECT_EQ(caret, 1);
    EXPECT_TRUE(record.StaysEmpty());
    EXPECT_EQ(Show(choose(2)), IDOK);
    EXPECT_EQ(caret, 2);
    EXPECT_TRUE(EndsWith(record.WaitForLine(), " fits"));
}
