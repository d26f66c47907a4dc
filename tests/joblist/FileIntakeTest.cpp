// SPDX-License-Identifier: Apache-2.0
#include "FileIntake.h"

#include "TempDir.h"

#include <gtest/gtest.h>

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

TEST_F(FileIntakeTest, AFileWithoutOutlineGetsItsTitleAsBookmark)
{
    const std::string path = CopyCorpus(m_tmp, "rotated.pdf", "report.pdf");
    const quire::ListItemResult result = quire::MakeListItem(path);
    ASSERT_TRUE(result.item) << result.error->what();
    EXPECT_FALSE(result.error);

    ListItemData expected;
    expected.szFilePath = path;
    expected.szFileName = "report.pdf";
    expected.szPages = "20";
    expected.szBeginPage = "1";
    expected.szEndPage = "20";
    expected.szBookmark = "report";
    expected.nReserved = 0;
    expected.bChecked = 1;
    expected.nJobState = 0;
    EXPECT_EQ(*result.item, expected);
}

TEST_F(FileIntakeTest, AFileWithAnOutlineGetsNoBookmarkWhetherTheOutlineIsIndirectOrDirect)
{
    for (const char* name : {"page-labels-and-outlines.pdf", "direct-outlines.pdf"}) {
        const quire::ListItemResult result = quire::MakeListItem(kCorpus + "/" + name);
        ASSERT_TRUE(result.item) << name;
        EXPECT_EQ(result.item->szPages, "30") << name;
        EXPECT_EQ(result.item->szEndPage, "30") << name;
        EXPECT_EQ(result.item->szBookmark, "") << name;
    }
}

TEST_F(FileIntakeTest, NamesWithSeveralDotsBlanksAndParenthesesKeepThemInNameAndTitle)
{
    const quire::ListItemResult dotted = quire::MakeListItem(CopyCorpus(m_tmp, "rotated.pdf", "a.b.pdf"));
    ASSERT_TRUE(dotted.item);
    EXPECT_EQ(dotted.item->szFileName, "a.b.pdf");
    EXPECT_EQ(dotted.item->szBookmark, "a.b");

    // The job, not the intake, drops the parentheses from a created bookmark.
    const quire::ListItemResult final = quire::MakeListItem(CopyCorpus(m_tmp, "rotated.pdf", "Report (final).PDF"));
    ASSERT_TRUE(final.item);
    EXPECT_EQ(final.item->szFileName, "Report (final).PDF");
    EXPECT_EQ(final.item->szBookmark, "Report (final)");
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
    WriteWholeFile(m_tmp.File("text.pdf"), "just some text, long enough to look like a file\n");
    const Case cases[] = {
        {kCorpus + "/enc-R3,V2,U=view,O=master.pdf", pdf::PdfError::Kind::Password},
        {kCorpus + "/bad1.pdf", pdf::PdfError::Kind::NotPdf},
        {m_tmp.File("empty.pdf"), pdf::PdfError::Kind::NotPdf},
        {m_tmp.File("text.pdf"), pdf::PdfError::Kind::NotPdf},
        {m_tmp.File("missing.pdf"), pdf::PdfError::Kind::Unreadable},
        {m_tmp.File("folder.pdf"), pdf::PdfError::Kind::Unreadable},
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

TEST(FileIntakeNameTest, TheDropTestLooksAtTheLastThreeCharacters)
{
    EXPECT_TRUE(quire::HasPdfEnding("/docs/a.pdf"));
    EXPECT_TRUE(quire::HasPdfEnding("/docs/b.PDF"));
    EXPECT_TRUE(quire::HasPdfEnding("/docs/report.xpdf"));
    EXPECT_TRUE(quire::HasPdfEnding("/docs/mypdf"));
    EXPECT_TRUE(quire::HasPdfEnding("pdf"));
    EXPECT_FALSE(quire::HasPdfEnding("df"));
    EXPECT_FALSE(quire::HasPdfEnding(""));
    EXPECT_FALSE(quire::HasPdfEnding("/docs/a.pdf.txt"));
    EXPECT_FALSE(quire::HasPdfEnding("/docs/c.txt"));
}

TEST(FileIntakeNameTest, TheDialogTestLooksAtTheExtension)
{
    EXPECT_TRUE(quire::HasPdfExtension("/docs/a.pdf"));
    EXPECT_TRUE(quire::HasPdfExtension("/docs/b.PDF"));
    EXPECT_TRUE(quire::HasPdfExtension("/docs/a.b.Pdf"));
    EXPECT_FALSE(quire::HasPdfExtension("/docs/report.xpdf"));
    EXPECT_FALSE(quire::HasPdfExtension("/docs/mypdf"));
    EXPECT_FALSE(quire::HasPdfExtension("/docs.pdf/readme"));
    EXPECT_FALSE(quire::HasPdfExtension("/docs/c.txt"));
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
