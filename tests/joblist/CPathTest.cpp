// SPDX-License-Identifier: Apache-2.0
#include "joblist/CPath.h"

#include <gtest/gtest.h>

namespace {

// One line per path: location | title | extension | file name | relative | folder names [| arguments].
std::string Describe(CPath p)
{
    std::string dirs;
    for (int i = 0; !p.GetDir(i).empty(); ++i)
        dirs += (i ? "," : "") + p.GetDir(i);
    return p.GetLocation() + " | " + p.GetFileTitle() + " | " + p.GetExtension() + " | " + p.GetFileName() + " | "
        + (p.IsRelative() ? "rel" : "abs") + " | " + dirs + (p.GetArguments().empty() ? "" : " | " + p.GetArguments());
}

} // namespace

TEST(CPath, SplitsFolderTitleAndExtension)
{
    const std::pair<CPath, const char*> cases[] = {
        {CPath("/docs/report.pdf"), "/docs/ | report | .pdf | report.pdf | abs | docs"},
        {CPath("/docs/Report.PDF"), "/docs/ | Report | .PDF | Report.PDF | abs | docs"},
        {CPath("/docs/report"), "/docs/ | report |  | report | abs | docs"},
        {CPath("archive.tar.gz"), " | archive.tar | .gz | archive.tar.gz | abs | "},
        {CPath("/docs/report."), "/docs/ | report |  | report | abs | docs"},
        {CPath("home/ann/docs/a.pdf"), "home/ann/docs/ | a | .pdf | a.pdf | rel | home,ann,docs"},
        {CPath(""), " |  |  |  | abs | "},
        // A name starting with its only dot has no title and no extension.
        {CPath("/docs/.pdf"), "/docs/ |  |  |  | abs | docs"},
        // A backslash is an ordinary character.
        {CPath("/docs/a\\b.pdf"), "/docs/ | a\\b | .pdf | a\\b.pdf | abs | docs"},
        {CPath("C:\\docs\\report.pdf"), " | C:\\docs\\report | .pdf | C:\\docs\\report.pdf | abs | "},
        // Quotes around the whole path are removed; a quote on one side only is part of the name.
        {CPath("\"/my docs/annual report.pdf\""),
         "/my docs/ | annual report | .pdf | annual report.pdf | abs | my docs"},
        {CPath("\"/docs/a.pdf"), "\"/docs/ | a | .pdf | a.pdf | rel | \",docs"},
        // A folder path ends with its last name; arguments start at the first blank outside quotes.
        {CPath("/home/ann/reports", true), "/home/ann/reports/ |  |  |  | abs | home,ann,reports"},
        {CPath("\"/my docs/a.pdf\" -p 3", false, true), "/my docs/ | a | .pdf | a.pdf | abs | my docs | -p 3"},
        {CPath("/docs/a.pdf", false, true), "/docs/ | a | .pdf | a.pdf | abs | docs"},
    };
    for (const auto& [path, parts] : cases)
        EXPECT_EQ(Describe(path), parts);
}

TEST(CPath, TheWholeFolderForgetsAPreviousPathAndGetsOneTrailingSlash)
{
    CPath p("/home/ann/docs/a.pdf");
    const std::string whole = p.GetDir(), past = p.GetDir(99);
    p.SetPath("");
    EXPECT_EQ((std::vector<std::string> {whole, past, Describe(p), CPath::AddBackSlash(""),
                                         CPath::AddBackSlash("/docs/"), CPath::AddBackSlash("/docs"),
                                         CPath::AddBackSlash("/docs", true), CPath::AddBackSlash("/docs\\")}),
              (std::vector<std::string> {"/home/ann/docs/", "", " |  |  |  | abs | ", "", "/docs/", "/docs/", "/docs/",
                                         "/docs\\/"}));
}
