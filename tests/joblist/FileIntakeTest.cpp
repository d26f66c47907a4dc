// SPDX-License-Identifier: Apache-2.0
#include "joblist/FileIntake.h"

#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <sys/stat.h>
#include <unistd.h>

#include <tuple>

using namespace quire::fixtures;
using Kind = pdf::PdfError::Kind;
using FileIntakeTest = TempDirTest;

TEST_F(FileIntakeTest, ARecordTakesTheWholeFileAndItsTitleAsBookmarkUnlessItHasAnOutline)
{
    enum Outline { None, Indirect, Direct };
    // Name, pages, outline, and the bookmark text of the record.
    const std::tuple<std::string, int, Outline, std::string> cases[] = {
        // Dots, blanks and parentheses stay in name and title: the job, not the intake, drops the
        // parentheses from a created bookmark.
        {"Report (final).v2.PDF", 20, None, "Report (final).v2"},
        // An outline, whether the catalog holds it directly or by reference, means no bookmark.
        {"indirect.pdf", 3, Indirect, ""},
        {"direct.pdf", 3, Direct, ""},
    };
    for (const auto& [name, pages, outline, bookmark] : cases) {
        const std::string path = m_tmp.File(name);
        WritePdf(path, {.pages = pages, .outline = outline == None ? std::vector<OutlineDesc> {} : OnePerPage(pages)});
        if (outline == Direct) { // the catalog holds the outline dictionary itself, not a reference to it
            QPDF pdf;
            pdf.processFile(path.c_str());
            pdf.getRoot().replaceKey("/Outlines", pdf.getRoot().getKey("/Outlines").shallowCopy());
            QPDFWriter(pdf, (path + ".direct").c_str()).write();
            std::filesystem::rename(path + ".direct", path);
        }
        const quire::ListItemResult result = quire::MakeListItem(path);
        ASSERT_TRUE(result.item && !result.error) << (result.error ? result.error->what() : path);
        const std::string count = std::to_string(pages);
        EXPECT_EQ(*result.item, (ListItemData {path, name, count, "1", count, bookmark, 0, 1, 0}));
    }
}

// The reader's sentence for every file it refuses is checked through `quire info` (tests/cli), the kinds
// it gives through the jobs (tests/engine MergeJobTest); here, that the intake passes them on.
TEST_F(FileIntakeTest, AFileTheReaderCannotOpenGivesNoRecordAndAReasonNamingIt)
{
    // qpdf lists pages recursively: a tree this deep would overflow the stack of the window's thread.
    WriteDeepPageTreePdf(m_tmp.File("deep-tree.pdf"), 5000);
    // Name, kind, and how the sentence goes on after the path.
    std::vector<std::tuple<std::string, Kind, std::string>> cases = {
        {"deep-tree.pdf", Kind::Damaged,
         " is damaged beyond repair: its page tree is nested more than 1000 levels deep"},
        {"missing.pdf", Kind::Unreadable, " cannot be read: No such file or directory"},
    };
    if (::geteuid() != 0) { // root reads every file
        WritePdf(m_tmp.File("private.pdf"), PdfDesc());
        ::chmod(m_tmp.File("private.pdf").c_str(), 0);
        cases.push_back({"private.pdf", Kind::Unreadable, " cannot be read: Permission denied"});
    }
    for (const auto& [name, kind, sentence] : cases) {
        const std::string path = m_tmp.File(name);
        const quire::ListItemResult result = quire::MakeListItem(path);
        ASSERT_TRUE(result.error && !result.item) << path;
        EXPECT_EQ(std::tuple(result.error->path(), result.error->kind()), std::tuple(path, kind));
        EXPECT_TRUE(std::string(result.error->what()).starts_with(path + sentence)) << result.error->what();
    }
}

// The drop test looks at the last three characters, the dialog's at the extension; both want a file
// that exists, the drop test one that is no folder.
TEST_F(FileIntakeTest, DroppedAndChosenPathsArePdfNamesOfExistingFiles)
{
    enum Made { File, Folder, NotMade };
    // Name, what is made under it, whether it ends in "pdf", whether its extension is ".pdf".
    const std::tuple<const char*, Made, bool, bool> cases[] = {
        {"a.pdf", File, true, true},       {"b.PDF", File, true, true},
        {"a.b.Pdf", File, true, true},     {"report.xpdf", File, true, false},
        {"mypdf", File, true, false},      {"pdf", File, true, false},
        {"df", File, false, false},        {"", NotMade, false, false},
        {"a.pdf.txt", File, false, false}, {"docs.pdf/readme", File, false, false},
        {"c.txt", File, false, false},     {"folder.pdf", Folder, true, true},
        {"gone.pdf", NotMade, true, true},
    };
    for (const auto& [name, made, ending, extension] : cases) {
        const std::string path = m_tmp.File(name);
        std::filesystem::create_directories(made == Folder ? path : std::filesystem::path(path).parent_path().string());
        if (made == File)
            WriteWholeFile(path, "x");
        EXPECT_EQ(quire::HasPdfEnding(name), ending) << name;
        EXPECT_EQ(quire::HasPdfExtension(name), extension) << name;
        EXPECT_EQ(quire::AcceptDroppedPath(path), ending && made == File) << name;
    }
}
