// SPDX-License-Identifier: Apache-2.0
#include "joblist/FileIntake.h"

#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

using namespace quire::fixtures;
using Kind = pdf::PdfError::Kind;

namespace {

// Rewrites `path` so that its catalog holds the outline dictionary itself, not a reference to it.
void MakeOutlineDirect(const std::string& path)
{
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFObjectHandle root = pdf.getRoot();
    root.replaceKey("/Outlines", root.getKey("/Outlines").shallowCopy());
    QPDFWriter(pdf, (path + ".direct").c_str()).write();
    std::filesystem::rename(path + ".direct", path);
}

class FileIntakeTest : public TempDirTest
{
};

} // namespace

TEST_F(FileIntakeTest, ARecordTakesTheWholeFileAndItsTitleAsBookmarkUnlessItHasAnOutline)
{
    enum Outline { None, Indirect, Direct };
    const struct
    {
        std::string name;
        int pages;
        Outline outline;
        std::string bookmark;
    } cases[] = {
        // Dots, blanks and parentheses stay in name and title: the job, not the intake, drops the
        // parentheses from a created bookmark.
        {"Report (final).v2.PDF", 20, None, "Report (final).v2"},
        // An outline, whether the catalog holds it directly or by reference, means no bookmark.
        {"indirect.pdf", 3, Indirect, ""},
        {"direct.pdf", 3, Direct, ""},
    };
    for (const auto& c : cases) {
        const std::string path = m_tmp.File(c.name);
        PdfSpec desc;
        desc.pages = c.pages;
        if (c.outline != None)
            desc.outline = OnePerPage(c.pages);
        WritePdf(path, desc);
        if (c.outline == Direct)
            MakeOutlineDirect(path);
        const quire::ListItemResult result = quire::MakeListItem(path);
        ASSERT_TRUE(result.item) << (result.error ? result.error->what() : path);
        EXPECT_FALSE(result.error);
        const std::string pages = std::to_string(c.pages);
        EXPECT_EQ(*result.item, (ListItemData {path, c.name, pages, "1", pages, c.bookmark, 0, 1, 0}));
    }
}

// The reader's sentence for every file it refuses is checked through `quire info` (tests/cli), the kinds
// it gives through the jobs (tests/engine MergeJobTest).
TEST_F(FileIntakeTest, AFileTheReaderCannotOpenGivesNoRecordAndAReasonNamingIt)
{
    PdfSpec locked;
    locked.userPassword = "secret";
    WritePdf(m_tmp.File("locked.pdf"), locked);
    WriteDamagedPdf(m_tmp.File("damaged.pdf"));
    // qpdf lists pages recursively: a tree this deep would overflow the stack of the window's thread.
    WriteDeepPageTreePdf(m_tmp.File("deep-tree.pdf"), 5000);
    struct Case
    {
        std::string name;
        Kind kind;
        std::string sentence; // how the sentence goes on after the path
    };
    std::vector<Case> cases = {
        {"locked.pdf", Kind::Password, " needs a password"},
        {"damaged.pdf", Kind::Damaged, " is damaged beyond repair: "},
        {"deep-tree.pdf", Kind::Damaged,
         " is damaged beyond repair: its page tree is nested more than 1000 levels deep"},
        {"missing.pdf", Kind::Unreadable, " cannot be read: No such file or directory"},
    };
    if (::geteuid() != 0) { // root reads every file
        WritePdf(m_tmp.File("private.pdf"), PdfSpec());
        ::chmod(m_tmp.File("private.pdf").c_str(), 0);
        cases.push_back({"private.pdf", Kind::Unreadable, " cannot be read: Permission denied"});
    }
    for (const Case& c : cases) {
        const std::string path = m_tmp.File(c.name);
        const quire::ListItemResult result = quire::MakeListItem(path);
        EXPECT_FALSE(result.item) << path;
        ASSERT_TRUE(result.error) << path;
        EXPECT_EQ(result.error->path(), path);
        EXPECT_TRUE(std::string(result.error->what()).starts_with(path + c.sentence)) << result.error->what();
        EXPECT_EQ(result.error->kind(), c.kind) << result.error->what();
    }
}

TEST(FileIntakeNameTest, TheDropTestLooksAtTheLastThreeCharactersTheDialogTestAtTheExtension)
{
    struct Case
    {
        const char* path;
        bool ending;
        bool extension;
    };
    const Case cases[] = {
        {"/docs/a.pdf", true, true},
        {"/docs/b.PDF", true, true},
        {"/docs/a.b.Pdf", true, true},
        {"/docs/report.xpdf", true, false},
        {"/docs/mypdf", true, false},
        {"pdf", true, false},
        {"df", false, false},
        {"", false, false},
        {"/docs/a.pdf.txt", false, false},
        {"/docs.pdf/readme", false, false},
        {"/docs/c.txt", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(quire::HasPdfEnding(c.path), c.ending) << c.path;
        EXPECT_EQ(quire::HasPdfExtension(c.path), c.extension) << c.path;
    }
}

TEST_F(FileIntakeTest, DroppedFoldersAndMissingFilesAreSkipped)
{
    std::filesystem::create_directory(m_tmp.File("folder.pdf"));
    WriteWholeFile(m_tmp.File("report.xpdf"), "x");
    WriteWholeFile(m_tmp.File("a.pdf"), "x");
    WriteWholeFile(m_tmp.File("c.txt"), "x");

    EXPECT_FALSE(quire::AcceptDroppedPath(m_tmp.File("folder.pdf")));
    EXPECT_TRUE(quire::AcceptDroppedPath(m_tmp.File("report.xpdf")));
    EXPECT_TRUE(quire::AcceptDroppedPath(m_tmp.File("a.pdf")));
    EXPECT_FALSE(quire::AcceptDroppedPath(m_tmp.File("c.txt")));
    EXPECT_FALSE(quire::AcceptDroppedPath(m_tmp.File("gone.pdf")));

    EXPECT_FALSE(quire::AcceptChosenPath(m_tmp.File("report.xpdf")));
    EXPECT_TRUE(quire::AcceptChosenPath(m_tmp.File("a.pdf")));
    EXPECT_FALSE(quire::AcceptChosenPath(m_tmp.File("c.txt")));
    EXPECT_FALSE(quire::AcceptChosenPath(m_tmp.File("gone.pdf")));
    EXPECT_FALSE(quire::AcceptChosenPath(""));
}
