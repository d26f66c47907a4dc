// SPDX-License-Identifier: Apache-2.0
#include "BackupFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(BackupName, SitsBesideTheFileWithASeventeenDigitStampAndAlwaysEndsInPdf)
{
    const auto when = LocalTime(2026, 12, 6, 2, 46, 17, 123);
    EXPECT_EQ(quire::BackupStamp(LocalTime(2027, 1, 2, 3, 4, 5, 7)), "20270102030405007");
    EXPECT_EQ(quire::BackupPathFor("/out/merged.pdf", when), "/out/merged_20261206024617123.pdf");
    EXPECT_EQ(quire::BackupPathFor("/out/merged.PDF", when), "/out/merged_20261206024617123.pdf");
    EXPECT_EQ(quire::BackupPathFor("/out/a.b.pdf", when), "/out/a.b_20261206024617123.pdf");
    EXPECT_EQ(quire::BackupPathFor("merged", when), "merged_20261206024617123.pdf");
}

// Copying the bytes is checked where the jobs make their backups (tests/cli).
class BackupCopy : public TempDirTest
{
};

TEST_F(BackupCopy, ReplacesAnEarlierBackupOfTheSameName)
{
    const std::string source = m_tmp.File("merged.pdf");
    WriteWholeFile(source, "current output");
    // Two backups within one millisecond share a name: the later copy must replace the earlier one.
    WriteWholeFile(m_tmp.File("merged_20261206024617123.pdf"), "stale");
    bool ok = false;
    const std::string backup = quire::doBackupFileAt(source, LocalTime(2026, 12, 6, 2, 46, 17, 123), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(backup, m_tmp.File("merged_20261206024617123.pdf"));
    EXPECT_EQ(ReadWholeFile(backup), "current output");
}

TEST_F(BackupCopy, AMissingSourceReportsFailureAndLeavesNoPartialFile)
{
    bool ok = true;
    quire::doBackupFile(m_tmp.File("missing.pdf"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(std::filesystem::is_empty(m_tmp.Path()));
}
