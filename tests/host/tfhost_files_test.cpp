// The command-line host's file commands, run as their own process the way a script runs them.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/launch.h"
#include "support/member_files.h"
#include "support/support.h"

using namespace tftest;

TEST(TfhostFiles, DeleteWithYesAnswersThePluginsWarning) {
    TempDir dir;
    ASSERT_TRUE(MakeSeries(dir, L"img", 1, 3, 4, L".png"));
    const ProcessResult run = RunTfhost({L"delete", dir.Plugin(L"img<0001-3>.png"), L"--yes"});
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
    const std::wstring series = dir.Plugin(L"s<1-2>.dat");
    const std::wstring local = dir / L"first.dat";

    ProcessResult run = RunTfhost({L"get", series, local});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.out.find("result 0: FS_FILE_OK"), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(dir / L"first.dat"), MemberContent(1));
    run = RunTfhost({L"get", series, local});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.out.find("result 1: FS_FILE_EXISTS"), std::string::npos) << run.out;
    run = RunTfhost({L"put", local, dir.Plugin(L"up.dat")});
    EXPECT_NE(run.out.find("result 0: FS_FILE_OK"), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(dir / L"up.dat"), MemberContent(1));

    run = RunTfhost({L"attr", series, L"r"});
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    for (int i = 1; i <= 2; ++i) EXPECT_NE(Attributes(dir / MemberName(L"s", i, 1, L".dat")) & FILE_ATTRIBUTE_READONLY, 0u) << i;
    run = RunTfhost({L"attr", series, L"-"});
    EXPECT_EQ(Attributes(dir / L"s2.dat") & FILE_ATTRIBUTE_READONLY, 0u);

    run = RunTfhost({L"touch", series, L"--written", L"2001-02-03 04:05:00"});
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    for (int i = 1; i <= 2; ++i) {
        FILETIME c{}, a{}, w{};
        ASSERT_TRUE(ReadTimes(dir / MemberName(L"s", i, 1, L".dat"), c, a, w));
        EXPECT_TRUE(SameTime(w, MakeFileTime(2001, 2, 3, 4, 5))) << i;
    }

    run = RunTfhost({L"mkdir", dir.Plugin(L"new")});
    EXPECT_NE(run.out.find("result 1: done"), std::string::npos) << run.out;
    EXPECT_TRUE(Exists(dir / L"new"));
    run = RunTfhost({L"rmdir", dir.Plugin(L"missing")});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.out.find("result 0: failed"), std::string::npos) << run.out;
}

TEST(TfhostFiles, ASeriesGetInALogShowsOneBarLinePerTenth) {
    TempDir dir, out;
    ASSERT_TRUE(MakeSeries(dir, L"f", 1, 30, 2, L".dat"));
    const ProcessResult run = RunTfhost({L"get", dir.Plugin(L"f<01-30>.dat"), out / L"f_01-30_.dat"});
    // A cleaned name brings every member: 31 reports, one line per tenth.
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 11) << run.out << run.err;
    const std::string help = RunTfhost({}).err;
    EXPECT_NE(help.find("arrives whole"), std::string::npos) << help;
}
