// SPDX-License-Identifier: Apache-2.0
// What merge and split do when writing fails: every case leaves the existing files as they were and
// nothing of its own behind.
#include "engine/MergeJob.h"
#include "engine/SplitJob.h"
#include "tests/engine/EngineTestRows.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

    JobReport Merge(const std::vector<quire::JobRow>& rows, const WriteFault& fault, bool backup = true)
    {
        quire::MergeOptions options;
        options.outputPath = m_tmp.File("out.pdf");
        options.autoBackup = backup;
        options.fault = fault;
        return quire::RunMerge(rows, options);
    }

    JobReport Split(const std::vector<quire::JobRow>& rows, const WriteFault& fault, bool backup = true)
    {
        return quire::RunSplit(rows, quire::SplitOptions {backup, fault});
    }

    unsigned Mode(const std::string& path)
    {
        struct stat st
        {
        };
        ::stat(path.c_str(), &st);
        return st.st_mode & 0777;
    }
};

struct FaultCase
{
    const char* what;
    WriteFault fault;
    std::string reason; // the end of the error sentence
};

std::vector<FaultCase> Faults(WriteFault::File file)
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
        {"disk full at the start", make(Stage::Write, 0, ENOSPC), std::strerror(ENOSPC)},
        {"disk full halfway", make(Stage::Write, 700, ENOSPC), std::strerror(ENOSPC)},
        {"file size limit", make(Stage::Write, 700, EFBIG), std::strerror(EFBIG)},
        {"last bytes", make(Stage::Flush, 0, ENOSPC), std::strerror(ENOSPC)},
        {"fsync", make(Stage::Sync, 0, EIO), std::strerror(EIO)},
        {"close", make(Stage::Close, 0, EDQUOT), std::strerror(EDQUOT)},
        {"rename", make(Stage::Rename, 0, EPERM), std::strerror(EPERM)},
    };
}

} // namespace

TEST_F(JobWriteFailureTest, AnOutputThatCannotBeWrittenFailsTheJobAndChangesNothing)
{
    const std::string a = Make("a.pdf", 3, true);
    WriteWholeFile(m_tmp.File("out.pdf"), std::string(5000, 'm'));
    WriteWholeFile(m_tmp.File("a_p1-3.pdf"), std::string(5000, 's'));
    const auto before = Snapshot();
    for (const FaultCase& c : Faults(WriteFault::File::Output)) {
        SCOPED_TRACE(c.what);
        const JobReport merged = Merge({RowFor(a)}, c.fault);
        EXPECT_FALSE(merged.ok);
        EXPECT_EQ(Errors(merged), m_tmp.File("out.pdf") + " cannot be written: " + c.reason + "\n");
        EXPECT_TRUE(merged.filesWritten.empty());
        const JobReport split = Split({RowFor(a)}, c.fault);
        EXPECT_FALSE(split.ok);
        EXPECT_EQ(Errors(split), m_tmp.File("a_p1-3.pdf") + " cannot be written: " + c.reason + "\n");
        EXPECT_TRUE(split.backupsMade.empty());
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(JobWriteFailureTest, ABackupThatCannotBeMadeFailsTheJobBeforeTheOutputIsReplaced)
{
    const std::string a = Make("a.pdf", 3, true);
    WriteWholeFile(m_tmp.File("out.pdf"), std::string(5000, 'm'));
    WriteWholeFile(m_tmp.File("a_p1-3.pdf"), std::string(5000, 's'));
    const auto before = Snapshot();
    for (const FaultCase& c : Faults(WriteFault::File::Backup)) {
        SCOPED_TRACE(c.what);
        const struct
        {
            JobReport report;
            std::string output;
            std::string backupStem;
        } runs[] = {{Merge({RowFor(a)}, c.fault), m_tmp.File("out.pdf"), m_tmp.File("out_")},
                    {Split({RowFor(a)}, c.fault), m_tmp.File("a_p1-3.pdf"), m_tmp.File("a_p1-3_")}};
        for (const auto& run : runs) {
            EXPECT_FALSE(run.report.ok);
            ASSERT_EQ(run.report.errors.size(), 1u);
            const std::string& message = run.report.errors[0].message;
            const std::string tail = " cannot be made: " + c.reason + "; " + run.output + " was not replaced.";
            EXPECT_EQ(message.rfind("The backup copy " + run.backupStem, 0), 0u) << message;
            EXPECT_TRUE(message.ends_with(tail)) << message;
        }
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(JobWriteFailureTest, AReplacedOutputOfTheLongestNameGetsItsBackupAndBothKeepThePermissionBits)
{
    const std::string a = Make("a.pdf", 2);
    // 250 bytes: the temporary file and the backup need longer names than the file system allows.
    const std::string name = std::string(246, 'n') + ".pdf";
    const std::string out = m_tmp.File(name);
    WriteWholeFile(out, "old");
    ::chmod(out.c_str(), 0600);
    quire::MergeOptions options;
    options.outputPath = out;
    const JobReport report = quire::RunMerge({RowFor(a)}, options);
    ASSERT_TRUE(report.ok) << Errors(report);
    ASSERT_EQ(report.backupsMade.size(), 1u);
    const std::string backup = report.backupsMade[0];
    EXPECT_EQ(backup.rfind(m_tmp.File(std::string(233, 'n') + "_"), 0), 0u) << backup;
    EXPECT_EQ(ReadWholeFile(backup), "old");
    EXPECT_EQ(Mode(backup), 0600u);
    EXPECT_EQ(Mode(out), 0600u);
    ExpectSound(out, Pages("a", 1, 2));
    EXPECT_EQ(Listing().size(), 3u);
}

TEST_F(JobWriteFailureTest, SplitRefusesRowsThatWouldWriteOneFileOrOverASourceBeforeWritingAny)
{
    const std::string a = Make("a.pdf", 4);
    Make("sub/b.pdf", 4);
    const std::string b = m_tmp.File("sub/b.pdf");
    const std::string bAlias = m_tmp.File("sub/../sub/./b.pdf");
    const std::string target = Make("a_p1-2.pdf", 4);
    const std::string upper = Make("a.PDF", 4);
    const auto before = Snapshot();
    const struct
    {
        const char* what;
        std::vector<quire::JobRow> rows;
        std::string refusal; // empty: the job runs
    } cases[] = {
        {"two sources, one file",
         {RowFor(a, "1", "2"), RowFor(upper, "1", "2")},
         "Rows 1 and 2 (" + a + " and " + upper + ") would both be split into " + target + "; nothing was written."},
        {"a file is another row's source",
         {RowFor(a, "1", "2"), RowFor(target, "3", "4")},
         target + ", the file row 1 would be split into, is " + target + ", the source of row 2; nothing was written."},
        {"two spellings of one folder, other ranges of another source",
         {RowFor(b, "1", "2"), RowFor(bAlias, "1", "3"), RowFor(a, "3", "3")},
         ""},
        {"one source and range twice under two spellings: written once",
         {RowFor(b, "1", "2"), RowFor(bAlias, "1", "2")},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const JobReport report = Split(c.rows, WriteFault {}, false);
        if (c.refusal.empty()) {
            EXPECT_TRUE(report.ok) << Errors(report);
            continue;
        }
        EXPECT_FALSE(report.ok);
        EXPECT_EQ(Errors(report), c.refusal + "\n");
        EXPECT_EQ(Snapshot(), before);
    }
    EXPECT_TRUE(std::filesystem::exists(m_tmp.File("sub/b_p1-2.pdf")));
}
