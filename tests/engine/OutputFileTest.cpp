// SPDX-License-Identifier: Apache-2.0
// How outputs and their backups are written: beside the target under a hidden or time-stamped name,
// never through a link planted there nor into what is no regular file, and nothing left behind when a
// stage fails.
#include "engine/OutputFile.h"
#include "engine/BackupFile.h"
#include "tests/engine/EngineTestRows.h"

#include <sys/stat.h>

#include <ctime>

namespace fs = std::filesystem;
using quire::OutputFile;
using testing::StrEq;
using testing::ThrowsMessage;

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
    std::string next;
    {
        OutputFile probe(target, target);
        const std::string used = probe.TemporaryPath();
        const auto dot = used.rfind('.', used.size() - 5);
        next = used.substr(0, dot + 1) + std::to_string(std::stoi(used.substr(dot + 1)) + 1) + ".tmp";
    }
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
    using Stage = quire::WriteFault::Stage;
    const std::string target = m_tmp.File("out.pdf");
    WriteWholeFile(target, "old");
    // A missing file has no backup; each failing write below then shows nothing of it was left.
    EXPECT_THROW(quire::doBackupFileAt(m_tmp.File("missing.pdf"), kWhen), pdf::PdfError);
    for (const Stage stage : {Stage::Write, Stage::Flush, Stage::Sync, Stage::Close, Stage::Rename}) {
        SCOPED_TRACE(static_cast<int>(stage));
        const auto write = [&] {
            OutputFile file(target, target, quire::WriteFault {stage, quire::WriteFault::File::Output, 3, ENOSPC});
            const std::string content(5000000, 'x');
            file.Write(content.data(), content.size());
            file.Finish();
            file.Commit(false);
        };
        EXPECT_THAT(write, ThrowsMessage<pdf::PdfError>(StrEq(target + " cannot be written: No space left on device")));
        EXPECT_EQ(Snapshot(), (std::map<std::string, std::string> {{"out.pdf", "old"}}));
    }
}
