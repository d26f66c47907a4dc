// SPDX-License-Identifier: Apache-2.0
// How outputs and their backups are written: beside the target under a hidden or time-stamped name,
// never through a link planted there nor into what is no regular file; and what merge and split do when
// writing fails: every case leaves the existing files as they were and nothing of its own behind.
#include "engine/OutputFile.h"
#include "engine/BackupFile.h"
#include "engine/SyncBatch.h"
#include "tests/engine/EngineTestRows.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>

namespace fs = std::filesystem;
using namespace testing;
using quire::JobReport;
using quire::OutputFile;
using quire::WriteFault;
using Stage = WriteFault::Stage;

namespace {

// 2027-01-02 03:04:05.007 local time: every field of a backup's stamp needs its leading zeros.
const auto kWhen = [] {
    std::tm local {};
    ::strptime("2027-01-02 03:04:05", "%F %T", &local);
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(7);
}();

using OutputFileTest = JobTest;

} // namespace

TEST(OutputNames, SitBesideTheFileWithinTheNameLimitCuttingWholeCharacters)
{
    std::string accents; // 125 times "é", two bytes each
    while (accents.size() < 250)
        accents += "\xC3\xA9";
    // The last: a 250-byte name whose backup would need 268 bytes has its title cut.
    const std::pair<std::string, std::string> backups[]
        = {{"/out/merged.pdf", "/out/merged_20270102030405007.pdf"},
           {"/out/merged.PDF", "/out/merged_20270102030405007.pdf"},
           {"/out/a.b.pdf", "/out/a.b_20270102030405007.pdf"},
           {"merged", "merged_20270102030405007.pdf"},
           {"/out/" + accents.substr(0, 246) + ".pdf", "/out/" + accents.substr(0, 232) + "_20270102030405007.pdf"}};
    for (const auto& [path, backup] : backups)
        EXPECT_EQ(quire::BackupPathFor(path, kWhen), backup);

    EXPECT_EQ(OutputFile::HiddenSibling("/out/merged.pdf", ".7.0.tmp"), "/out/.merged.pdf.7.0.tmp");
    EXPECT_EQ(OutputFile::HiddenSibling("merged.pdf", ".7.0.tmp"), ".merged.pdf.7.0.tmp");
    // 254 bytes, not 255: an "é" is not cut in two.
    EXPECT_EQ(OutputFile::HiddenSibling("/out/" + accents, ".12345.67.tmp"),
              "/out/." + accents.substr(0, 240) + ".12345.67.tmp");
}

TEST_F(OutputFileTest, NeverWritesThroughALinkPlantedUnderItsNamesNorIntoWhatIsNoRegularFile)
{
    const std::string target = m_tmp.File("merged.pdf");
    const std::string victim = m_tmp.File("victim.txt");
    WriteWholeFile(victim, "someone else's file");
    // The serial number of this process's temporary names tells the next one.
    const std::string used = OutputFile(target, target).TemporaryPath();
    const auto dot = used.rfind('.', used.size() - 5);
    const std::string next = used.substr(0, dot + 1) + std::to_string(std::stoi(used.substr(dot + 1)) + 1) + ".tmp";
    fs::create_symlink(victim, next);
    OutputFile file(target, target);
    file.Write("new", 3);
    file.Finish();
    file.Commit(false);
    EXPECT_TRUE(fs::is_symlink(next));
    fs::remove(next);

    // Links under the backup's name, and under the name the copy once went through.
    fs::create_symlink(victim, m_tmp.File("merged_20270102030405007.pdf"));
    fs::create_symlink(victim, m_tmp.File("merged_20270102030405007.pdf.part"));
    EXPECT_EQ(quire::doBackupFileAt(target, kWhen), m_tmp.File("merged_20270102030405007.pdf"));
    // The backup replaced the link; the old temporary name still leads to the victim.
    EXPECT_EQ(Snapshot(),
              (std::map<std::string, std::string> {{"merged.pdf", "new"},
                                                   {"merged_20270102030405007.pdf", "new"},
                                                   {"merged_20270102030405007.pdf.part", "someone else's file"},
                                                   {"victim.txt", "someone else's file"}}));

    // A link to a regular file is a target; a FIFO, a folder or a link to one is not. Sockets and
    // devices are refused through the jobs (tests/cli WriteSafetyTest).
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0);
    fs::create_symlink(m_tmp.File("fifo.pdf"), m_tmp.File("link-to-fifo.pdf"));
    fs::create_directory(m_tmp.File("folder.pdf"));
    for (const std::string name : {"merged.pdf", "missing.pdf", "merged_20270102030405007.pdf.part"})
        EXPECT_NO_THROW(OutputFile::CheckTarget(m_tmp.File(name))) << name;
    for (const std::string name : {"fifo.pdf", "link-to-fifo.pdf", "folder.pdf"}) {
        const std::string path = m_tmp.File(name);
        EXPECT_THAT(
            [&] { OutputFile::CheckTarget(path); },
            ThrowsMessage<pdf::PdfError>(StrEq(path + " is not a regular file; give the name of a PDF file to write")));
    }
}

TEST_F(OutputFileTest, AFailureAtAnyStageOrAMissingSourceLeavesTheFolderAsItWas)
{
    const std::string target = m_tmp.File("out.pdf");
    const std::string fresh = m_tmp.File("new.pdf");
    WriteWholeFile(target, "old");
    // A missing file has no backup; each failing write below then shows nothing of it was left.
    EXPECT_THROW(quire::doBackupFileAt(m_tmp.File("missing.pdf"), kWhen), pdf::PdfError);
    quire::SyncBatch batch;
    // An existing file, replaced through a temporary file; a new one, written in place for a batch.
    for (const auto& [path, inBatch] : {std::pair(target, false), std::pair(target, true), std::pair(fresh, true)}) {
        for (const Stage stage : {Stage::Write, Stage::Flush, Stage::Sync, Stage::Close, Stage::Rename}) {
            SCOPED_TRACE(path + (inBatch ? " in a batch, stage " : ", stage ")
                         + std::to_string(static_cast<int>(stage)));
            const auto write = [&] {
                OutputFile file(path, path, WriteFault {stage, WriteFault::File::Output, 3, ENOSPC},
                                WriteFault::File::Output, inBatch ? &batch : nullptr);
                EXPECT_EQ(file.CreatedInPlace(), path == fresh);
                const std::string content(5000000, 'x');
                file.Write(content.data(), content.size());
                file.Finish();
                file.Commit(false);
            };
            EXPECT_THAT(write,
                        ThrowsMessage<pdf::PdfError>(StrEq(path + " cannot be written: No space left on device")));
            EXPECT_EQ(Snapshot(), (std::map<std::string, std::string> {{"out.pdf", "old"}}));
        }
    }
    std::vector<std::string> failed;
    EXPECT_EQ(std::tuple(batch.Flush(failed), failed), std::tuple(std::string(), std::vector<std::string> {}));

    // A new file is written under its own name; a file that took that name meanwhile is not removed.
    {
        OutputFile file(fresh, fresh, {}, WriteFault::File::Output, &batch);
        file.Write("mine", 4);
        ASSERT_EQ(file.TemporaryPath(), fresh);
        fs::remove(fresh);
        WriteWholeFile(fresh, "someone else's");
    }
    EXPECT_EQ(Snapshot(), (std::map<std::string, std::string> {{"new.pdf", "someone else's"}, {"out.pdf", "old"}}));
}

TEST_F(OutputFileTest, AnOutputOrBackupThatCannotBeWrittenFailsTheJobAndChangesNothing)
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
                EXPECT_EQ(std::tuple(report.ok, report.filesWritten.size()), std::tuple(false, 0u));
                // The backup's name holds the time it was made.
                const Matcher<const std::string&> message = file == WriteFault::File::Output
                    ? Matcher<const std::string&>(output + " cannot be written: " + reason)
                    : AllOf(StartsWith("The backup copy " + output.substr(0, output.size() - 4) + "_"),
                            EndsWith(" cannot be made: " + reason + "; " + output + " was not replaced."));
                EXPECT_THAT(report.errors, ElementsAre(Field(&quire::RowError::message, message)));
            }
            EXPECT_EQ(Snapshot(), before);
        }
    }
}

// That a replaced output and its backup keep the permission bits is checked through the quire tool
// (tests/cli WriteSafetyTest).
TEST_F(OutputFileTest, AReplacedOutputOfTheLongestNameGetsItsBackup)
{
    // 250 bytes: the temporary file and the backup need longer names than the file system allows.
    const std::string name = std::string(246, 'n') + ".pdf";
    const std::string out = m_tmp.File(name);
    WriteWholeFile(out, "old");
    const JobReport report = quire::RunMerge({RowFor(Make("a.pdf", 2))}, Options(name));
    ASSERT_TRUE(report.ok) << Errors(report);
    ASSERT_THAT(report.backupsMade, ElementsAre(StartsWith(m_tmp.File(std::string(233, 'n') + "_"))));
    EXPECT_EQ(ReadWholeFile(report.backupsMade[0]), "old");
    ExpectSound(out, Pages({{"a", 1, 2}}));
    EXPECT_EQ(Snapshot().size(), 3u);
}

// The refusals of rows that would write one file are checked with their sentences through the quire
// tool (tests/cli WriteSafetyTest); these rows only look alike.
TEST_F(OutputFileTest, SplitTellsRowsThatOnlyLookAlikeFromOnesThatWriteOneFileAndWritesThatOnce)
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
    EXPECT_EQ(std::tuple(report.filesWritten, report.backupsMade.size()),
              std::tuple(std::vector<std::string> {m_tmp.File("sub/b_p1-2.pdf")}, 1u));
}

// The batch syncs early on a thread of its own while files keep coming; Flush still waits for all.
TEST_F(OutputFileTest, ABatchOfNewFilesIsWrittenInPlaceAndFlushedWhileMoreCome)
{
    quire::SyncBatch batch;
    batch.Watch(m_tmp.Path().string());
    const std::size_t count = 2 * quire::SyncBatch::kStartEvery + 1;
    std::map<std::string, std::string> expected;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "part" + std::to_string(i) + ".pdf";
        OutputFile file(m_tmp.File(name), m_tmp.File(name), {}, WriteFault::File::Output, &batch);
        file.Write(name.data(), name.size());
        file.Finish();
        file.Commit(false);
        expected[name] = name;
    }
    std::vector<std::string> failed;
    EXPECT_EQ(std::tuple(batch.Flush(failed), failed.size()), std::tuple(std::string(), 0u));
    EXPECT_EQ(Snapshot(), expected);
}
