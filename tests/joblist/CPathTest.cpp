// SPDX-License-Identifier: Apache-2.0
#include "CPath.h"

#include <gtest/gtest.h>

namespace {

// One line per path: location | title | extension | file name | relative.
std::string Describe(const std::string& path)
{
    CPath p(path);
    return p.GetLocation() + " | " + p.GetFileTitle() + " | " + p.GetExtension() + " | " + p.GetFileName() + " | "
        + (p.IsRelative() ? "rel" : "abs");
}

} // namespace

TEST(CPath, SplitsFolderTitleAndExtension)
{
    EXPECT_EQ(Describe("/docs/report.pdf"), "/docs/ | report | .pdf | report.pdf | abs");
    EXPECT_EQ(Describe("/docs/Report.PDF"), "/docs/ | Report | .PDF | Report.PDF | abs");
    EXPECT_EQ(Describe("/docs/report"), "/docs/ | report |  | report | abs");
    EXPECT_EQ(Describe("archive.tar.gz"), " | archive.tar | .gz | archive.tar.gz | abs");
    EXPECT_EQ(Describe("/docs/report."), "/docs/ | report |  | report | abs");
    EXPECT_EQ(Describe("docs/a.pdf"), "docs/ | a | .pdf | a.pdf | rel");
    EXPECT_EQ(Describe(""), " |  |  |  | abs");
}

TEST(CPath, ANameStartingWithItsOnlyDotHasNoTitleAndNoExtension)
{
    CPath p("/docs/.pdf");
    EXPECT_EQ(p.GetFileTitle(), "");
    EXPECT_EQ(p.GetExtension(), "");
    EXPECT_EQ(p.GetFileName(), "");
}

TEST(CPath, BackslashIsAnOrdinaryCharacter)
{
    EXPECT_EQ(Describe("/docs/a\\b.pdf"), "/docs/ | a\\b | .pdf | a\\b.pdf | abs");
    EXPECT_EQ(Describe("C:\\docs\\report.pdf"), " | C:\\docs\\report | .pdf | C:\\docs\\report.pdf | abs");
}

TEST(CPath, QuotesAroundTheWholePathAreRemoved)
{
    EXPECT_EQ(Describe("\"/my docs/annual report.pdf\""), "/my docs/ | annual report | .pdf | annual report.pdf | abs");
    // A quote on one side only is part of the name.
    EXPECT_EQ(CPath("\"/docs/a.pdf").GetLocation(), "\"/docs/");
}

TEST(CPath, ArgumentModeSplitsAtTheFirstBlankOutsideQuotes)
{
    CPath quoted("\"/my docs/a.pdf\" -p 3", false, true);
    EXPECT_EQ(quoted.GetArguments(), "-p 3");
    EXPECT_EQ(quoted.GetFileName(), "a.pdf");
    EXPECT_EQ(quoted.GetLocation(), "/my docs/");

    CPath plain("/docs/a.pdf", false, true);
    EXPECT_EQ(plain.GetArguments(), "");
    EXPECT_EQ(plain.GetFileName(), "a.pdf");
}

TEST(CPath, FolderModePutsTheLastNameIntoTheDirectory)
{
    CPath folder("/docs/reports", true);
    EXPECT_EQ(folder.GetLocation(), "/docs/reports/");
    EXPECT_EQ(folder.GetFileTitle(), "");
    EXPECT_EQ(folder.GetExtension(), "");
}

TEST(CPath, DirectoryComponents)
{
    CPath p("/home/ann/docs/a.pdf");
    EXPECT_EQ(p.GetDir(), "/home/ann/docs/");
    EXPECT_EQ(p.GetDir(0), "home");
    EXPECT_EQ(p.GetDir(2), "docs");
    EXPECT_EQ(p.GetDir(3), "");
    EXPECT_EQ(p.GetDir(99), "");

    CPath relative("docs/sub/a.pdf");
    EXPECT_EQ(relative.GetDir(0), "docs");
    EXPECT_EQ(relative.GetDir(1), "sub");

    CPath bare("a.pdf");
    EXPECT_EQ(bare.GetDir(0), "");
}

TEST(CPath, ReusedObjectForgetsThePreviousPath)
{
    CPath p("/docs/report.pdf");
    EXPECT_EQ(p.GetDir(0), "docs");
    p.SetPath("");
    EXPECT_EQ(p.GetLocation(), "");
    EXPECT_EQ(p.GetFileName(), "");
    EXPECT_EQ(p.GetDir(0), "");
}

TEST(CPath, AddBackSlash)
{
    EXPECT_EQ(CPath::AddBackSlash(""), "");
    EXPECT_EQ(CPath::AddBackSlash("/docs/"), "/docs/");
    EXPECT_EQ(CPath::AddBackSlash("/docs"), "/docs/");
    EXPECT_EQ(CPath::AddBackSlash("/docs", true), "/docs/");
    EXPECT_EQ(CPath::AddBackSlash("/docs\\"), "/docs\\/");
}
