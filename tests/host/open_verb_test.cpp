// The verbs through the built module: dialog resource 103 as the module carries it, "open" on a
// series in a folder with a space, and the command-line host's "properties".
#include <gtest/gtest.h>

#include <string>

#include "support/ini_file.h"
#include "support/launch.h"
#include "support/support.h"

using namespace tftest;

namespace {

// Reads an extended dialog template field by field.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* start) : start_(start), at_(start) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    BYTE Byte() { return Take<BYTE>(); }
    // A name or ordinal field: "" when empty, "#n" for an ordinal, else the text.
    std::wstring NameOrOrdinal() {
        const WORD first = Word();
        if (first == 0) return L"";
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring text(1, static_cast<wchar_t>(first));
        return text + Text();
    }
    std::wstring Text() {
        std::wstring text;
        for (WORD c = Word(); c != 0; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignDword() {
        while ((at_ - start_) % 4 != 0) ++at_;
    }

private:
    template <typename T>
    T Take() {
        T value;
        memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    const BYTE* start_;
    const BYTE* at_;
};

struct Control {
    DWORD id;
    std::wstring className;
    std::wstring text;
    DWORD style;
    short x, y, width, height;
};

using FsExecuteFileWFn = int(WINAPI*)(HWND, WCHAR*, WCHAR*);
using FsSetDefaultParamsFn = void(WINAPI*)(void*);

struct DefaultParams {
    int size;
    DWORD versionLow;
    DWORD versionHigh;
    char iniName[MAX_PATH];
};

void SetPluginIni(const std::wstring& path) {
    DefaultParams params{};
    params.size = sizeof params;
    params.versionHigh = 2;
    strcpy(params.iniName, Narrow(path).c_str());
    Module::Get().Fn<FsSetDefaultParamsFn>("FsSetDefaultParams")(&params);
}

}  // namespace

TEST(OpenDialogResource, MatchesItsTemplate) {
    const HMODULE module = Module::Get().handle();
    const HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(103), 2055);
    ASSERT_NE(found, nullptr) << "dialog 103 in language 2055";
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(data, nullptr);
    TemplateReader r(data);
    EXPECT_EQ(r.Word(), 1);       // extended template
    EXPECT_EQ(r.Word(), 0xFFFF);  // signature
    EXPECT_EQ(r.Dword(), 0u);     // help id
    EXPECT_EQ(r.Dword(), 0u);     // extended style
    EXPECT_EQ(r.Dword(), 0x80C800C8u);
    const WORD count = r.Word();
    ASSERT_EQ(count, 4);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 186);
    EXPECT_EQ(r.Short(), 216);
    EXPECT_EQ(r.NameOrOrdinal(), L"");  // menu
    EXPECT_EQ(r.NameOrOrdinal(), L"");  // class
    EXPECT_EQ(r.Text(), L"Tallyfold: Open");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.Word(), 400);
    EXPECT_EQ(r.Byte(), 0);
    EXPECT_EQ(r.Byte(), 1);
    EXPECT_EQ(r.Text(), L"MS Shell Dlg");

    const Control expected[] = {
        {300, L"#131", L"", 0x50A10001, 7, 7, 172, 187},
        {200, L"#128", L"&Configure", 0x50010000, 7, 195, 50, 14},
        {1, L"#128", L"OK", 0x50010001, 73, 195, 50, 14},
        {2, L"#128", L"Cancel", 0x50010000, 129, 195, 50, 14},
    };
    for (const Control& want : expected) {
        r.AlignDword();
        EXPECT_EQ(r.Dword(), 0u) << want.id;  // help id
        EXPECT_EQ(r.Dword(), 0u) << want.id;  // extended style
        EXPECT_EQ(r.Dword(), want.style) << want.id;
        EXPECT_EQ(r.Short(), want.x) << want.id;
        EXPECT_EQ(r.Short(), want.y) << want.id;
        EXPECT_EQ(r.Short(), want.width) << want.id;
        EXPECT_EQ(r.Short(), want.height) << want.id;
        EXPECT_EQ(r.Dword(), want.id);
        EXPECT_EQ(r.NameOrOrdinal(), want.className) << want.id;
        EXPECT_EQ(r.NameOrOrdinal(), want.text) << want.id;
        EXPECT_EQ(r.Word(), 0) << want.id;  // no creation data
    }
}

TEST(OpenVerb, DefaultCommandOpensTheFirstMemberInAFolderWithASpace) {
    TempDir dir;
    const std::wstring folder = dir / L"My Pictures";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* name : {L"img0001.tfrec", L"img0002.tfrec", L"img0003.tfrec"}) {
        ASSERT_TRUE(MakeFile(folder + L"\\" + name, 4));
    }
    SetPluginIni(dir / L"fsplugin.ini");
    ScopedAssociation association(L".tfrec", L"\"" + RecorderPath() + L"\" \"%1\"");
    RecordFile record(dir / L"record.txt");
    OwnerWindow owner(40, 40, 640, 480);
    std::vector<std::wstring> items;
    DialogDriver driver([&items](HWND dialog) {
        items = ListItems(GetDlgItem(dialog, 300));
        PressButton(dialog, IDOK);
    });
    std::wstring path = L"\\" + folder + L"\\img<0001-3>.tfrec";
    WCHAR verb[] = L"open";
    EXPECT_EQ(Module::Get().Fn<FsExecuteFileWFn>("FsExecuteFileW")(owner.handle(), path.data(), verb), 0);
    EXPECT_EQ(driver.handled(), 1);
    EXPECT_EQ(items, std::vector<std::wstring>{L"Open first"});
    EXPECT_TRUE(Exists(dir / L"Tallyfold.ini"));
    const std::string line = record.WaitForLine();
    EXPECT_TRUE(ContainsFoldCase(line, folder + L"\\img0001.tfrec")) << line;
}

TEST(OpenVerb, TheDialogRunsInTheModulesActivationContextAndOnlyThere) {
    TempDir dir;
    ASSERT_TRUE(MakeFile(dir / L"img1.png", 1));
    SetPluginIni(dir / L"fsplugin.ini");
    OwnerWindow owner(40, 40, 640, 480);
    const ActivationContextSeen before = SeeActivationContext();
    ActivationContextSeen during;
    DialogDriver driver([&during](HWND dialog) {
        during = SeeActivationContext();
        PressButton(dialog, IDCANCEL);
    });
    std::wstring path = dir.Plugin(L"img<1-1>.png");
    WCHAR verb[] = L"open";
    EXPECT_EQ(Module::Get().Fn<FsExecuteFileWFn>("FsExecuteFileW")(owner.handle(), path.data(), verb), 0);
    ASSERT_EQ(driver.handled(), 1);
    // Themed: the module's manifest, with its common controls of version 6, is the active one.
    EXPECT_EQ(during.assembly, L"Tallyfold");
    EXPECT_TRUE(during.commonControls6);
    // And only while the dialog runs: the host's thread gets its own context back.
    const ActivationContextSeen after = SeeActivationContext();
    EXPECT_EQ(after.assembly, before.assembly);
    EXPECT_EQ(after.commonControls6, before.commonControls6);
    EXPECT_NE(before.assembly, L"Tallyfold");
}

TEST(TfhostProperties, FlipsGroupingAndListsAgain) {
    TempDir dir;
    for (const wchar_t* name : {L"notes.txt", L"shot1.png", L"shot2.png", L"shot3.png"}) {
        ASSERT_TRUE(MakeFile(dir / name, 5));
    }
    ASSERT_EQ(RunTfhost({L"list", dir.Plugin()}).out.find("shot1.png"), std::string::npos);
    // A fresh load groups; the flip turns grouping off, and the listing after it shows members.
    const ProcessResult run = RunTfhost({L"properties", dir.Plugin()});
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_NE(run.out.find("FsExecuteFileW(properties) = 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("re-read command received"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("notes.txt"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("shot2.png"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("shot<"), std::string::npos) << run.out;
    // The root is no entry: the verb fails and nothing is listed.
    const ProcessResult root = RunTfhost({L"properties", L"\\"});
    EXPECT_EQ(root.exitCode, 1u);
    EXPECT_NE(root.out.find("FsExecuteFileW(properties) = 1"), std::string::npos) << root.out;
}
