// SPDX-License-Identifier: Apache-2.0
// What merge and split do when writing fails: every case leaves the existing files as they were and
// nothing of its own behind.
#include "engine/MergeJob.h"
#include "engine/SplitJob.h"
#include "tests/engine/EngineTestRows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

using quire::JobReport;
using quire::WriteFault;
using Stage = quire::WriteFault::Stage;

namespace {

class JobWriteFailureTest : public JobTest
{
protected:
    // Every file in the folder with its bytes.
    std::map<std::string, std::string> Snapshot()
    {
        std::map<std::string, std::string> files;
        for (const std::string& name : Listing())
            files[name] = ReadWholeFile(m_tmp.File(name));
        return files;
    }

    JobReport Merge(const std::vector<quire::JobRow>& rows, const WriteFault& fault = {})
    {
        quire::MergeOptions options;
        options.outputPath = m_tmp.File("out.pdf");
        options.fault = fault;
        return quire::RunMerge(rows, options);
    }

    JobReport Split(const std::vector<quire::JobRow>& rows, const WriteFault& fault = {})
    {
        return quire::RunSplit(rows, quire::SplitOptions {true, fault});
    }
};

// Every way the writing of `file` can fail, by name.
std::vector<std::pair<const char*, WriteFault>> Faults(WriteFault::File file)
{
    const auto make = [file](Stage stage, std::int64_t after, int error) {
        WriteFault fault;
        fault.file = file;
        fault.stage = stage;
        fault.afterBytes = after;
        fault.error = error;
        return fault;
    };
    return {
        {"disk full at the start", make(Stage::Write, 0, ENOSPC)},
        {"disk full halfway", make(Stage::Write, 700, ENOSPC)},
        {"file size limit", make(Stage::Write, 700, EFBIG)},
        {"last bytes", make(Stage::Flush, 0, ENOSPC)},
        {"fsync", make(Stage::Sync, 0, EIO)},
        {"close", make(Stage::Close, 0, EDQUOT)},
        {"rename", make(Stage::Rename, 0, EPERM)},
    };
}

} // namespace

TEST_F(JobWriteFailureTest, AnOutputOrBackupThatCannotBeWrittenFailsTheJobAndChangesNothing)
{
    const std::string a = Make("a.pdf", 3, true);
    WriteWholeFile(m_tmp.File("out.pdf"), std::string(5000, 'm'));
    WriteWholeFile(m_tmp.File("a_p1-3.pdf"), std::string(5000, 's'));
    const auto before = Snapshot();
    for (const WriteFault::File file : {WriteFault::File::Output, WriteFault::File::Backup}) {
        for (const auto& [what, fault] : Faults(file)) {
            SCOPED_TRACE(std::string(file == WriteFault::File::Output ? "output, " : "backup, ") + what);
            const std::string reason = std::strerror(fault.error);
            const struct
            {
                JobReport report;
                std::string output;
            } runs[] = {{Merge({RowFor(a)}, fault), m_tmp.File("out.pdf")},
                        {Split({RowFor(a)}, fault), m_tmp.File("a_p1-3.pdf")}};
            for (const auto& run : runs) {
                EXPECT_FALSE(run.report.ok);
                EXPECT_TRUE(run.report.filesWritten.empty());
                ASSERT_EQ(run.report.errors.size(), 1u);
                const std::string& message = run.report.errors[0].message;
                if (file == WriteFault::File::Output) {
                    EXPECT_EQ(message, run.output + " cannot be written: " + reason);
                    continue;
                }
                // The backup's name holds the time it was made.
                const std::string stem = run.output.substr(0, run.output.size() - 4) + "_";
                EXPECT_TRUE(message.starts_with("The backup copy " + stem)) << message;
                EXPECT_TRUE(message.ends_with(" cannot be made: " + reason + "; " + run.output + " was not replaced."))
                    << message;
            }
            EXPECT_EQ(Snapshot(), before);
        }
    }
}

// That a replaced output and its backup keep the permission bits is checked through the quire tool
// (tests/cli WriteSafetyTest).
TEST_F(JobWriteFailureTest, AReplacedOutputOfTheLongestNameGetsItsBackup)
{
    const std::string a = Make("a.pdf", 2);
    // 250 bytes: the temporary file and the backup need longer names than the file system allows.
    const std::string name = std::string(246, 'n') + ".pdf";
    const std::string out = m_tmp.File(name);
    WriteWholeFile(out, "old");
    quire::MergeOptions options;
    options.outputPath = out;
    const JobReport report = quire::RunMerge({RowFor(a)}, options);
    ASSERT_TRUE(report.ok) << Errors(report);
    ASSERT_EQ(report.backupsMade.size(), 1u);
    const std::string backup = report.backupsMade[0];
    EXPECT_EQ(backup.rfind(m_tmp.File(std::string(233, 'n') + "_"), 0), 0u) << backup;
    EXPECT_EQ(ReadWholeFile(backup), "old");
    ExpectSound(out, Pages("a", 1, 2));
    EXPECT_EQ(Listing().size(), 3u);
}

// The refusals of rows that would write one file are checked with their sentences through the quire
// tool (tests/cli WriteSafetyTest); these rows only look alike.
TEST_F(JobWriteFailureTest, SplitTellsRowsThatOnlyLookAlikeFromOnesThatWriteOneFileAndWritesThatOnce)
{
    const std::string a = Make("a.pdf", 4);
    const std::string b = Make("sub/b.pdf", 4);
    const std::string bAlias = m_tmp.File("sub/../sub/./b.pdf");
    // Two spellings of one folder with other ranges, and another source: three files.
    JobReport report = Split({RowFor(b, "1", "2"), RowFor(bAlias, "1", "3"), RowFor(a, "3", "3")});
    ASSERT_TRUE(report.ok) << Errors(report);
    EXPECT_EQ(report.filesWritten.size(), 3u);
    // One source and range twice under two spellings: the file is replaced once, so backed up once.
    report = Split({RowFor(b, "1", "2"), RowFor(bAlias, "1", "2")});
    ASSERT_TRUE(report.ok) << Errors(report);
    EXPECT_EQ(report.filesWritten, std::vector<std::string> {m_tmp.File("sub/b_p1-2.pdf")});
    EXPECT_EQ(report.backupsMade.size(), 1u);
}
