// SPDX-License-Identifier: Apache-2.0
#include "engine/BackupFile.h"
#include "engine/PdfError.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace {

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second,
                                                int millis)
{
    std::tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(millis);
}

const auto kWhen = LocalTime(2026, 12, 6, 2, 46, 17, 123);

} // namespace

TEST(BackupName, SitsBesideTheFileWithASeventeenDigitStampAndAlwaysEndsInPdf)
{
    EXPECT_EQ(quire::BackupStamp(LocalTime(2027, 1, 2, 3, 4, 5, 7)), "20270102030405007");
    EXPECT_EQ(quire::BackupPathFor("/out/merged.pdf", kWhen), "/out/merged_20261206024617123.pdf");
    EXPECT_EQ(quire::BackupPathFor("/out/merged.PDF", kWhen), "/out/merged_20261206024617123.pdf");
    EXPECT_EQ(quire::BackupPathFor("/out/a.b.pdf", kWhen), "/out/a.b_20261206024617123.pdf");
    EXPECT_EQ(quire::BackupPathFor("merged", kWhen), "merged_20261206024617123.pdf");
}

TEST(BackupName, ALongTitleIsCutAtACharacterSoTheNameFitsTheFileSystem)
{
    // 246 bytes of title ("é" is two bytes) + ".pdf": a valid 250-byte name whose backup would need 268.
    std::string name;
    for (int i = 0; i < 123; ++i)
        name += "\xC3\xA9";
    const std::string backup = quire::BackupPathFor("/out/" + name + ".pdf", kWhen);
    const std::string file = backup.substr(5);
    EXPECT_LE(file.size(), 255u);
    EXPECT_EQ(file.substr(file.size() - 22), "_20261206024617123.pdf");
    // Whole characters only: the title part is an even number of bytes.
    EXPECT_EQ((file.size() - 22) % 2, 0u);
}

class BackupCopy : public TempDirTest
{
protected:
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_tmp.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(BackupCopy, ReplacesWhatHasTheBackupsNameWithoutFollowingALink)
{
    const std::string source = m_tmp.File("merged.pdf");
    WriteWholeFile(source, "current output");
    ::chmod(source.c_str(), 0640);
    const std::string victim = m_tmp.File("victim.txt");
    WriteWholeFile(victim, "someone else's file");
    // A link planted under the backup's name, and under the name the copy once went through.
    std::filesystem::create_symlink(victim, m_tmp.File("merged_20261206024617123.pdf"));
    std::filesystem::create_symlink(victim, m_tmp.File("merged_20261206024617123.pdf.part"));

    const std::string backup = quire::doBackupFileAt(source, kWhen);

    EXPECT_EQ(backup, m_tmp.File("merged_20261206024617123.pdf"));
    EXPECT_FALSE(std::filesystem::is_symlink(backup));
    EXPECT_EQ(ReadWholeFile(backup), "current output");
    EXPECT_EQ(ReadWholeFile(victim), "someone else's file");
    struct stat st
    {
    };
    ASSERT_EQ(::stat(backup.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the copy is no more readable than the file it copies";
    EXPECT_EQ(Listing(),
              (std::vector<std::string> {"merged.pdf", "merged_20261206024617123.pdf",
                                         "merged_20261206024617123.pdf.part", "victim.txt"}));
}

TEST_F(BackupCopy, AFailedCopySaysWhyAndLeavesNothingBehind)
{
    using Stage = quire::WriteFault::Stage;
    const std::string source = m_tmp.File("merged.pdf");
    const std::string backup = m_tmp.File("merged_20261206024617123.pdf");
    WriteWholeFile(source, std::string(300000, 'x'));
    const struct
    {
        const char* what;
        Stage stage;
        std::int64_t afterBytes;
        int error;
    } cases[] = {
        {"disk full at once", Stage::Write, 0, ENOSPC},
        {"disk full halfway", Stage::Write, 100000, ENOSPC},
        {"size limit", Stage::Write, 65536, EFBIG},
        {"last bytes", Stage::Flush, 0, ENOSPC},
        {"fsync", Stage::Sync, 0, EIO},
        {"close", Stage::Close, 0, EIO},
        {"rename", Stage::Rename, 0, EACCES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        quire::WriteFault fault;
        fault.file = quire::WriteFault::File::Backup;
        fault.stage = c.stage;
        fault.afterBytes = c.afterBytes;
        fault.error = c.error;
        try {
            quire::doBackupFileAt(source, kWhen, fault);
            ADD_FAILURE() << "the copy reported success";
        } catch (const pdf::PdfError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "The backup copy " + backup + " cannot be made: " + std::strerror(c.error) + "; " + source
                          + " was not replaced.");
        }
        EXPECT_EQ(ReadWholeFile(source), std::string(300000, 'x'));
        EXPECT_EQ(Listing(), std::vector<std::string> {"merged.pdf"});
    }
}

TEST_F(BackupCopy, AMissingFileCannotBeCopied)
{
    EXPECT_THROW(quire::doBackupFileAt(m_tmp.File("missing.pdf"), kWhen), pdf::PdfError);
    EXPECT_TRUE(std::filesystem::is_empty(m_tmp.Path()));
}
