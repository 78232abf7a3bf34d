// The command-line host's file commands, run as their own process the way a script runs them.
#include <gtest/gtest.h>

#include "support/member_files.h"
#include "support/support.h"

using namespace tftest;

namespace {

struct HostRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition, 0, nullptr);
}

// Runs tfhost with the arguments; its output goes to files in the folder, read back after.
HostRun Tfhost(const TempDir& dir, const std::wstring& args) {
    HostRun run;
    const std::wstring outPath = dir / L"tfhost.out";
    const std::wstring errPath = dir / L"tfhost.err";
    const HANDLE out = InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = InheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    std::wstring commandLine = L"\"" + std::wstring(TF_TFHOST_PATH) + L"\" " + args;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    for (HANDLE h : {out, err, in}) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    run.out = ReadBytes(outPath);
    run.err = ReadBytes(errPath);
    return run;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

TEST(TfhostFiles, DeleteWithYesAnswersThePluginsWarning) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 4, L".png"));
    const HostRun run = Tfhost(dir, L"delete " + Quoted(dir.Plugin(L"img<0001-3>.png")) + L" --yes");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("WARNING: This will delete 3 files DIRECTLY (no recycle bin)!\n\nimg0001.png\n...\nimg0003.png"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("100%"), std::string::npos) << "the progress bar shows the series: " << run.err;
    EXPECT_TRUE(IntactMembers(dir, L"img", 1, 3, 4, L".png").empty());
}

TEST(TfhostFiles, TransferAttributesTimesAndFoldersPrintThePluginsAnswer) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"s", 1, 2, 1, L".dat"));
    const std::wstring series = Quoted(dir.Plugin(L"s<1-2>.dat"));
    const std::wstring local = Quoted(dir / L"first.dat");

    HostRun run = Tfhost(dir, L"get " + series + L" " + local);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.out.find("result 0: FS_FILE_OK"), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(dir / L"first.dat"), MemberContent(1));
    run = Tfhost(dir, L"get " + series + L" " + local);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.out.find("result 1: FS_FILE_EXISTS"), std::string::npos) << run.out;
    run = Tfhost(dir, L"put " + local + L" " + Quoted(dir.Plugin(L"up.dat")));
    EXPECT_NE(run.out.find("result 0: FS_FILE_OK"), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(dir / L"up.dat"), MemberContent(1));

    run = Tfhost(dir, L"attr " + series + L" r");
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    for (int i = 1; i <= 2; ++i) EXPECT_NE(Attributes(dir / MemberName(L"s", i, 1, L".dat")) & FILE_ATTRIBUTE_READONLY, 0u) << i;
    run = Tfhost(dir, L"attr " + series + L" -");
    EXPECT_EQ(Attributes(dir / L"s2.dat") & FILE_ATTRIBUTE_READONLY, 0u);

    run = Tfhost(dir, L"touch " + series + L" --written \"2001-02-03 04:05:00\"");
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    for (int i = 1; i <= 2; ++i) {
        FILETIME c{}, a{}, w{};
        ASSERT_TRUE(ReadTimes(dir / MemberName(L"s", i, 1, L".dat"), c, a, w));
        EXPECT_TRUE(SameTime(w, MakeFileTime(2001, 2, 3, 4, 5))) << i;
    }

    run = Tfhost(dir, L"mkdir " + Quoted(dir.Plugin(L"new")));
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    EXPECT_TRUE(Exists(dir / L"new"));
    run = Tfhost(dir, L"rmdir " + Quoted(dir.Plugin(L"missing")));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.out.find("result 0: failed"), std::string::npos) << run.out;
}
