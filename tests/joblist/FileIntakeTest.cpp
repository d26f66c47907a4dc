// SPDX-License-Identifier: Apache-2.0
#include "joblist/FileIntake.h"

#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

const std::string kCorpus = QUIRE_CORPUS_DIR;

// Copies a corpus file into the test's folder under `name`.
std::string CopyCorpus(const TempDir& tmp, const std::string& corpusName, const std::string& name)
{
    const std::string target = tmp.File(name);
    std::filesystem::copy_file(kCorpus + "/" + corpusName, target);
    return target;
}

class FileIntakeTest : public TempDirTest
{
};

} // namespace

TEST_F(FileIntakeTest, ARecordTakesTheWholeFileAndItsTitleAsBookmarkUnlessItHasAnOutline)
{
    struct Case
    {
        std::string corpusName;
        std::string name;
        std::string pages;
        std::string bookmark;
    };
    const Case cases[] = {
        {"rotated.pdf", "report.pdf", "20", "report"},
        // Dots, blanks and parentheses stay in name and title: the job, not the intake, drops the
        // parentheses from a created bookmark.
        {"rotated.pdf", "a.b.pdf", "20", "a.b"},
        {"rotated.pdf", "Report (final).PDF", "20", "Report (final)"},
        // An outline, whether the catalog holds it directly or by reference, means no bookmark.
        {"page-labels-and-outlines.pdf", "indirect.pdf", "30", ""},
        {"direct-outlines.pdf", "direct.pdf", "30", ""},
    };
    for (const Case& c : cases) {
        const std::string path = CopyCorpus(m_tmp, c.corpusName, c.name);
        const quire::ListItemResult result = quire::MakeListItem(path);
        ASSERT_TRUE(result.item) << (result.error ? result.error->what() : path);
        EXPECT_FALSE(result.error);
        ListItemData expected;
        expected.szFilePath = path;
        expected.szFileName = c.name;
        expected.szPages = c.pages;
        expected.szBeginPage = "1";
        expected.szEndPage = c.pages;
        expected.szBookmark = c.bookmark;
        expected.nReserved = 0;
        expected.bChecked = 1;
        expected.nJobState = 0;
        EXPECT_EQ(*result.item, expected);
    }
}

TEST_F(FileIntakeTest, AFileTheReaderCannotOpenGivesNoRecordAndAReasonNamingIt)
{
    struct Case
    {
        std::string path;
        pdf::PdfError::Kind kind;
    };
    std::filesystem::create_directory(m_tmp.File("folder.pdf"));
    WriteWholeFile(m_tmp.File("empty.pdf"), "");
    // qpdf lists pages recursively: a tree this deep would overflow the stack of the window's thread.
    quire::fixtures::WriteDeepPageTreePdf(m_tmp.File("deep-tree.pdf"), 5000);
    const Case cases[] = {
        {kCorpus + "/enc-R3,V2,U=view,O=master.pdf", pdf::PdfError::Kind::Password},
        {kCorpus + "/bad1.pdf", pdf::PdfError::Kind::NotPdf},
        {m_tmp.File("empty.pdf"), pdf::PdfError::Kind::NotPdf},
        {kCorpus + "/bad7.pdf", pdf::PdfError::Kind::Damaged},
        {m_tmp.File("missing.pdf"), pdf::PdfError::Kind::Unreadable},
        {m_tmp.File("folder.pdf"), pdf::PdfError::Kind::Unreadable},
        {m_tmp.File("deep-tree.pdf"), pdf::PdfError::Kind::Damaged},
    };
    for (const Case& c : cases) {
        const quire::ListItemResult result = quire::MakeListItem(c.path);
        EXPECT_FALSE(result.item) << c.path;
        ASSERT_TRUE(result.error) << c.path;
        EXPECT_EQ(result.error->path(), c.path);
        EXPECT_NE(std::string(result.error->what()).find(c.path), std::string::npos) << result.error->what();
        EXPECT_EQ(result.error->kind(), c.kind) << result.error->what();
    }
}

TEST_F(FileIntakeTest, AnUnreadableFileIsRefusedWithTheSystemsReason)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const std::string path = m_tmp.File("locked.pdf");
    quire::fixtures::PdfSpec desc;
    quire::fixtures::WritePdf(path, desc);
    ::chmod(path.c_str(), 0);
    const quire::ListItemResult result = quire::MakeListItem(path);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(std::string(result.error->what()), path + " cannot be read: Permission denied");
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
