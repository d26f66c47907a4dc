// SPDX-License-Identifier: Apache-2.0
#include "CProfileFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

class ProfileFile : public TempDirTest
{
protected:
    std::string Ini() const { return m_tmp.File("Settings.ini"); }
};

TEST_F(ProfileFile, MissingFileSectionOrKeyGiveTheDefault)
{
    CProfileFile missing(Ini());
    EXPECT_TRUE(missing.Load());
    EXPECT_EQ(missing.GetInt("General", "OpenResult", 1), 1);
    EXPECT_EQ(missing.GetString("General", "SavePath", "/home/x/"), "/home/x/");

    WriteWholeFile(Ini(), "[Other]\nOpenResult=5\n[General]\nAutoBackup=0\n");
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetInt("General", "OpenResult", 1), 1);
    EXPECT_EQ(file.GetInt("General", "AutoBackup", 1), 0);
    EXPECT_EQ(file.GetInt("Missing", "AutoBackup", 7), 7);
}

TEST_F(ProfileFile, NamesCompareWithoutCaseAndValuesAreTrimmedAndUnquoted)
{
    WriteWholeFile(Ini(), "  [general]  \r\n  savepath =  \"/tmp/out dir/\"  \r\nPDFTitle= Annual  report \r\n");
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("General", "SavePath", ""), "/tmp/out dir/");
    EXPECT_EQ(file.GetString("GENERAL", "pdftitle", ""), "Annual  report");
}

TEST_F(ProfileFile, IntegersReadLikeTheProfileReader)
{
    WriteWholeFile(Ini(), "[General]\na=2\nb=  -7\nc=12abc\nd=abc\ne=\nf=+3\ng=4294967297\n");
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetInt("General", "a", 1), 2);
    EXPECT_EQ(file.GetInt("General", "b", 1), -7);
    EXPECT_EQ(file.GetInt("General", "c", 1), 12);
    EXPECT_EQ(file.GetInt("General", "d", 1), 0);
    EXPECT_EQ(file.GetInt("General", "e", 9), 9);
    EXPECT_EQ(file.GetInt("General", "f", 1), 3);
    EXPECT_EQ(file.GetInt("General", "g", 1), 1);
}

TEST_F(ProfileFile, WritingAKeyKeepsEveryOtherLine)
{
    const std::string original = "; written by hand\n"
                                 "[General]\n"
                                 "OpenResult=0\n"
                                 "# odd line without equals\n"
                                 "\n"
                                 "[Unknown]\n"
                                 "Colour=blue\r\n";
    WriteWholeFile(Ini(), original);
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    file.SetString("general", "OpenResult", "1");
    file.SetString("General", "SavePath", "/out/");
    file.SetString("General Settings", "PropertiesAlways", "1");
    ASSERT_TRUE(file.Save());

    EXPECT_EQ(ReadWholeFile(Ini()), "; written by hand\n"
                                    "[General]\n"
                                    "OpenResult=1\n"
                                    "# odd line without equals\n"
                                    "SavePath=/out/\n"
                                    "\n"
                                    "[Unknown]\n"
                                    "Colour=blue\r\n"
                                    "\n"
                                    "[General Settings]\n"
                                    "PropertiesAlways=1\n");
}

TEST_F(ProfileFile, GarbageNeverBreaksReadingAndSurvivesAWrite)
{
    std::string junk = "[General\nOpenResult=3\n";
    junk += std::string("\0\x01\xff\xfe[]=\x80", 9) + "\n";
    junk += std::string(1024 * 1024, 'x') + "\n";
    WriteWholeFile(Ini(), junk);

    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    // "[General" is not a header, so there is no General section yet.
    EXPECT_EQ(file.GetInt("General", "OpenResult", 1), 1);
    file.SetString("General", "OpenResult", "0");
    ASSERT_TRUE(file.Save());

    const std::string written = ReadWholeFile(Ini());
    EXPECT_EQ(written.substr(0, junk.size()), junk);
    EXPECT_NE(written.find("[General]\nOpenResult=0\n"), std::string::npos);
}

TEST_F(ProfileFile, LongTextsComeBackCutTo1023Bytes)
{
    WriteWholeFile(Ini(), "[General]\nPDFTitle=" + std::string(5000, 't') + "\n");
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("General", "PDFTitle", "").size(), 1023u);
}

TEST_F(ProfileFile, AnUnreadableFileIsNeverReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    WriteWholeFile(Ini(), "[General]\nkeep=me\n");
    chmod(Ini().c_str(), 0200);
    CProfileFile file(Ini());
    EXPECT_FALSE(file.Load());
    file.SetString("General", "OpenResult", "1");
    EXPECT_FALSE(file.Save());
    chmod(Ini().c_str(), 0600);
    EXPECT_EQ(ReadWholeFile(Ini()), "[General]\nkeep=me\n");
}

TEST_F(ProfileFile, AFolderInPlaceOfTheFileIsUnreadableAndLeftAlone)
{
    std::filesystem::create_directory(Ini());
    CProfileFile file(Ini());
    EXPECT_FALSE(file.Load());
    file.SetString("General", "OpenResult", "1");
    EXPECT_FALSE(file.Save());
    EXPECT_TRUE(std::filesystem::is_directory(Ini()));
}
