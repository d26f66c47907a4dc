// SPDX-License-Identifier: Apache-2.0
#include "joblist/CPath.h"

#include <gtest/gtest.h>

namespace {

// One line per path: location | title | extension | file name | relative [| arguments].
std::string Describe(const CPath& p)
{
    return p.GetLocation() + " | " + p.GetFileTitle() + " | " + p.GetExtension() + " | " + p.GetFileName() + " | "
        + (p.IsRelative() ? "rel" : "abs") + (p.GetArguments().empty() ? "" : " | " + p.GetArguments());
}

} // namespace

TEST(CPath, SplitsFolderTitleAndExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/docs/report.pdf", "/docs/ | report | .pdf | report.pdf | abs"},
        {"/docs/Report.PDF", "/docs/ | Report | .PDF | Report.PDF | abs"},
        {"/docs/report", "/docs/ | report |  | report | abs"},
        {"archive.tar.gz", " | archive.tar | .gz | archive.tar.gz | abs"},
        {"/docs/report.", "/docs/ | report |  | report | abs"},
        {"docs/a.pdf", "docs/ | a | .pdf | a.pdf | rel"},
        {"", " |  |  |  | abs"},
        // A name starting with its only dot has no title and no extension.
        {"/docs/.pdf", "/docs/ |  |  |  | abs"},
        // A backslash is an ordinary character.
        {"/docs/a\\b.pdf", "/docs/ | a\\b | .pdf | a\\b.pdf | abs"},
        {"C:\\docs\\report.pdf", " | C:\\docs\\report | .pdf | C:\\docs\\report.pdf | abs"},
        // Quotes around the whole path are removed; a quote on one side only is part of the name.
        {"\"/my docs/annual report.pdf\"", "/my docs/ | annual report | .pdf | annual report.pdf | abs"},
        {"\"/docs/a.pdf", "\"/docs/ | a | .pdf | a.pdf | rel"},
    };
    for (const auto& [path, parts] : cases)
        EXPECT_EQ(Describe(CPath(path)), parts) << path;
}

TEST(CPath, FolderModeEndsTheDirectoryWithTheLastNameArgumentModeSplitsAtAFreeBlank)
{
    EXPECT_EQ(Describe(CPath("/docs/reports", true)), "/docs/reports/ |  |  |  | abs");
    EXPECT_EQ(Describe(CPath("\"/my docs/a.pdf\" -p 3", false, true)), "/my docs/ | a | .pdf | a.pdf | abs | -p 3");
    EXPECT_EQ(Describe(CPath("/docs/a.pdf", false, true)), "/docs/ | a | .pdf | a.pdf | abs");
}

TEST(CPath, DirectoryComponentsCountFromTheFirstNameAndForgetAPreviousPath)
{
    CPath p("/home/ann/docs/a.pdf");
    EXPECT_EQ(p.GetDir(), "/home/ann/docs/");
    EXPECT_EQ(p.GetDir(0), "home");
    EXPECT_EQ(p.GetDir(2), "docs");
    EXPECT_EQ(p.GetDir(3), "");
    EXPECT_EQ(p.GetDir(99), "");
    EXPECT_EQ(CPath("docs/sub/a.pdf").GetDir(1), "sub");
    EXPECT_EQ(CPath("a.pdf").GetDir(0), "");

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
