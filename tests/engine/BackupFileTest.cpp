// SPDX-License-Identifier: Apache-2.0
#include "engine/BackupFile.h"
#include "engine/PdfError.h"
#include "tests/engine/EngineTestRows.h"

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

const auto kWhen = LocalTime(2026, 12, 6, 2, 46, 17, 123);

std::string Repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

class BackupCopy : public JobTest
{
};

} // namespace

TEST(BackupName, SitsBesideTheFileWithASeventeenDigitStampAndAlwaysEndsInPdf)
{
    EXPECT_EQ(quire::BackupStamp(LocalTime(2027, 1, 2, 3, 4, 5, 7)), "20270102030405007");
    const std::pair<std::string, std::string> cases[] = {
        {"/out/merged.pdf", "/out/merged_20261206024617123.pdf"},
        {"/out/merged.PDF", "/out/merged_20261206024617123.pdf"},
        {"/out/a.b.pdf", "/out/a.b_20261206024617123.pdf"},
        {"merged", "merged_20261206024617123.pdf"},
        // A 250-byte name ("é" is two bytes) whose backup would need 268: the title is cut at a
        // character so that the name stays within 255 bytes.
        {"/out/" + Repeat("\xC3\xA9", 123) + ".pdf", "/out/" + Repeat("\xC3\xA9", 116) + "_20261206024617123.pdf"},
    };
    for (const auto& [path, backup] : cases)
        EXPECT_EQ(quire::BackupPathFor(path, kWhen), backup);
}

TEST_F(BackupCopy, ReplacesWhatHasTheBackupsNameWithoutFollowingALink)
{
    const std::string source = m_tmp.File("merged.pdf");
    WriteWholeFile(source, "current output");
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
    EXPECT_EQ(Listing(),
              (std::vector<std::string> {"merged.pdf", "merged_20261206024617123.pdf",
                                         "merged_20261206024617123.pdf.part", "victim.txt"}));
}

TEST_F(BackupCopy, AMissingFileCannotBeCopied)
{
    EXPECT_THROW(quire::doBackupFileAt(m_tmp.File("missing.pdf"), kWhen), pdf::PdfError);
    EXPECT_TRUE(std::filesystem::is_empty(m_tmp.Path()));
}
