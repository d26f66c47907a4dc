// SPDX-License-Identifier: Apache-2.0
// What merge and split do when writing fails: every case leaves the existing files as they were and
// nothing of its own behind.
#include "tests/engine/EngineTestRows.h"

#include <cstring>
#include <tuple>

using quire::JobReport;
using quire::WriteFault;
using testing::EndsWith;
using testing::StartsWith;
using Stage = quire::WriteFault::Stage;

using JobWriteFailureTest = JobTest;

TEST_F(JobWriteFailureTest, AnOutputOrBackupThatCannotBeWrittenFailsTheJobAndChangesNothing)
{
    const std::string a = Make("a.pdf", 3, true);
    WriteWholeFile(m_tmp.File("out.pdf"), std::string(5000, 'm'));
    WriteWholeFile(m_tmp.File("a_p1-3.pdf"), std::string(5000, 's'));
    const auto before = Snapshot();
    // Every way the writing of either file can fail.
    const std::tuple<const char*, Stage, std::int64_t, int> faults[]
        = {{"disk full at the start", Stage::Write, 0, ENOSPC},
           {"disk full halfway", Stage::Write, 700, ENOSPC},
           {"file size limit", Stage::Write, 700, EFBIG},
           {"last bytes", Stage::Flush, 0, ENOSPC},
           {"fsync", Stage::Sync, 0, EIO},
           {"close", Stage::Close, 0, EDQUOT},
           {"rename", Stage::Rename, 0, EPERM}};
    for (const WriteFault::File file : {WriteFault::File::Output, WriteFault::File::Backup}) {
        for (const auto& [what, stage, after, error] : faults) {
            SCOPED_TRACE(std::string(file == WriteFault::File::Output ? "output, " : "backup, ") + what);
            const WriteFault fault {stage, file, after, error};
            const std::string reason = std::strerror(error);
            const std::pair<JobReport, std::string> runs[]
                = {{quire::RunMerge({RowFor(a)}, Options("out.pdf", fault)), m_tmp.File("out.pdf")},
                   {quire::RunSplit({RowFor(a)}, {true, fault}), m_tmp.File("a_p1-3.pdf")}};
            for (const auto& [report, output] : runs) {
                EXPECT_FALSE(report.ok);
                EXPECT_TRUE(report.filesWritten.empty());
                ASSERT_EQ(report.errors.size(), 1u);
                const std::string& message = report.errors[0].message;
                if (file == WriteFault::File::Output) {
                    EXPECT_EQ(message, output + " cannot be written: " + reason);
                    continue;
                }
                // The backup's name holds the time it was made.
                EXPECT_THAT(
                    message,
                    testing::AllOf(StartsWith("The backup copy " + output.substr(0, output.size() - 4) + "_"),
                                   EndsWith(" cannot be made: " + reason + "; " + output + " was not replaced.")));
            }
            EXPECT_EQ(Snapshot(), before);
        }
    }
}

// That a replaced output and its backup keep the permission bits is checked through the quire tool
// (tests/cli WriteSafetyTest).
TEST_F(JobWriteFailureTest, AReplacedOutputOfTheLongestNameGetsItsBackup)
{
    // 250 bytes: the temporary file and the backup need longer names than the file system allows.
    const std::string name = std::string(246, 'n') + ".pdf";
    const std::string out = m_tmp.File(name);
    WriteWholeFile(out, "old");
    const JobReport report = quire::RunMerge({RowFor(Make("a.pdf", 2))}, Options(name));
    ASSERT_TRUE(report.ok) << Errors(report);
    ASSERT_EQ(report.backupsMade.size(), 1u);
    EXPECT_THAT(report.backupsMade[0], StartsWith(m_tmp.File(std::string(233, 'n') + "_")));
    EXPECT_EQ(ReadWholeFile(report.backupsMade[0]), "old");
    ExpectSound(out, Pages({{"a", 1, 2}}));
    EXPECT_EQ(Snapshot().size(), 3u);
}

// The refusals of rows that would write one file are checked with their sentences through the quire
// tool (tests/cli WriteSafetyTest); these rows only look alike.
TEST_F(JobWriteFailureTest, SplitTellsRowsThatOnlyLookAlikeFromOnesThatWriteOneFileAndWritesThatOnce)
{
    const std::string a = Make("a.pdf", 4);
    const std::string b = Make("sub/b.pdf", 4);
    const std::string bAlias = m_tmp.File("sub/../sub/./b.pdf");
    // Two spellings of one folder with other ranges, and another source: three files.
    JobReport report = quire::RunSplit({RowFor(b, "1", "2"), RowFor(bAlias, "1", "3"), RowFor(a, "3", "3")}, {});
    ASSERT_TRUE(report.ok) << Errors(report);
    EXPECT_EQ(report.filesWritten.size(), 3u);
    // One source and range twice under two spellings: the file is replaced once, so backed up once.
    report = quire::RunSplit({RowFor(b, "1", "2"), RowFor(bAlias, "1", "2")}, {});
    ASSERT_TRUE(report.ok) << Errors(report);
    EXPECT_EQ(report.filesWritten, std::vector<std::string> {m_tmp.File("sub/b_p1-2.pdf")});
    EXPECT_EQ(report.backupsMade.size(), 1u);
}
