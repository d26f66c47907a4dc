// SPDX-License-Identifier: Apache-2.0
#include "app/CProfileFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

class ProfileFile : public TempDirTest
{
protected:
    std::string Ini() const { return m_tmp.File("Settings.ini"); }
};

TEST_F(ProfileFile, ReadsLikeTheProfileReader)
{
    CProfileFile missing(Ini());
    EXPECT_TRUE(missing.Load());
    EXPECT_EQ(missing.GetInt("General", "OpenResult", 1), 1);
    EXPECT_EQ(missing.GetString("General", "SavePath", "/home/x/"), "/home/x/");

    // Names compare without case; values are trimmed and unquoted, long ones cut to 1023 bytes.
    WriteWholeFile(Ini(),
                   "[Other]\nOpenResult=5\n  [general]  \r\n  savepath =  \"/tmp/out dir/\"  \r\n"
                   "PDFTitle= Annual  report \r\nPDFSubject="
                       + std::string(5000, 't') + "\na=2\nb=  -7\nc=12abc\nd=abc\ne=\nf=+3\ng=4294967297\n");
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("General", "SavePath", ""), "/tmp/out dir/");
    EXPECT_EQ(file.GetString("GENERAL", "pdftitle", ""), "Annual  report");
    EXPECT_EQ(file.GetString("General", "PDFSubject", "").size(), 1023u);
    EXPECT_EQ(file.GetInt("General", "OpenResult", 1), 1) << "only from its own section";
    // Digits after an optional sign, wrapping at 32 bits; an empty value gives the default.
    const std::pair<const char*, int> ints[] = {{"a", 2}, {"b", -7}, {"c", 12}, {"d", 0}, {"e", 9}, {"f", 3}, {"g", 1}};
    for (const auto& [key, expected] : ints)
        EXPECT_EQ(file.GetInt("General", key, 9), expected) << key;
}

// Settings.ini may be edited by hand, or be something else altogether: writing a key must keep
// every other line as it was.
TEST_F(ProfileFile, WritingAKeyKeepsEveryOtherLineGarbageIncluded)
{
    const std::string before = "; written by hand\n[General]\nOpenResult=0\n# odd line without equals\n\n"
                               "[Unknown]\nColour=blue\r\n";
    WriteWholeFile(Ini(), before);
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    file.SetString("general", "OpenResult", "1");
    file.SetString("General", "SavePath", "/out/");
    file.SetString("General Settings", "PropertiesAlways", "1");
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadWholeFile(Ini()),
              "; written by hand\n[General]\nOpenResult=1\n# odd line without equals\n"
              "SavePath=/out/\n\n[Unknown]\nColour=blue\r\n\n"
              "[General Settings]\nPropertiesAlways=1\n");

    // "[General" is not a header, so there is no General section yet.
    const std::string junk = "[General\nOpenResult=3\n" + std::string("\0\x01\xff\xfe[]=\x80", 9) + "\n"
        + std::string(1024 * 1024, 'x') + "\n";
    WriteWholeFile(Ini(), junk);
    CProfileFile garbage(Ini());
    ASSERT_TRUE(garbage.Load());
    EXPECT_EQ(garbage.GetInt("General", "OpenResult", 1), 1);
    garbage.SetString("General", "OpenResult", "0");
    ASSERT_TRUE(garbage.Save());
    EXPECT_EQ(ReadWholeFile(Ini()), junk + "\n[General]\nOpenResult=0\n");
}

TEST_F(ProfileFile, AnUnreadableFileOrAFolderInItsPlaceIsNeverReplaced)
{
    std::filesystem::create_directory(Ini());
    CProfileFile folder(Ini());
    EXPECT_FALSE(folder.Load());
    folder.SetString("General", "OpenResult", "1");
    EXPECT_FALSE(folder.Save());
    EXPECT_TRUE(std::filesystem::is_directory(Ini()));

    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    std::filesystem::remove(Ini());
    WriteWholeFile(Ini(), "[General]\nkeep=me\n");
    chmod(Ini().c_str(), 0200);
    CProfileFile file(Ini());
    EXPECT_FALSE(file.Load());
    file.SetString("General", "OpenResult", "1");
    EXPECT_FALSE(file.Save());
    chmod(Ini().c_str(), 0600);
    EXPECT_EQ(ReadWholeFile(Ini()), "[General]\nkeep=me\n");
}
