// SPDX-License-Identifier: Apache-2.0
// Runs the real `quire` program as a child process and reads what it wrote with other tools.
#include "ChildProcess.h"
#include "JsonValue.h"
#include "PdfCheck.h"
#include "PdfFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

using quire::fixtures::PageTexts;
using quire::fixtures::PdfInfo;
using quire::fixtures::QpdfCheckPasses;

namespace {

const std::string kQuire = QUIRE_BINARY_DIR "/quire";
const std::string kCorpus = QUIRE_CORPUS_DIR;

ChildResult Quire(std::vector<std::string> args, ChildOptions options = {})
{
    args.insert(args.begin(), kQuire);
    options.limit = std::chrono::seconds(120);
    ChildResult result = RunChild(args, options);
    EXPECT_FALSE(result.timedOut) << "quire ran too long";
    EXPECT_EQ(result.signal, 0) << "quire died of signal " << result.signal << "\n" << result.err;
    return result;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// "Original page 3" ... "Original page 5": the texts the corpus's numbered files show.
std::vector<std::string> Original(int first, int last)
{
    std::vector<std::string> pages;
    for (int p = first; p <= last; ++p)
        pages.push_back("Original page " + std::to_string(p));
    return pages;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class QuireCliTest : public TempDirTest
{
protected:
    // A copy of a corpus file in the test's folder, so that splits can write beside it.
    std::string Copy(const std::string& corpusName, const std::string& name)
    {
        const std::string target = m_tmp.File(name);
        fs::copy_file(kCorpus + "/" + corpusName, target);
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
        return target;
    }

    // The backups beside `path` made for it ("out_<17 digits>.pdf").
    std::vector<std::string> Backups(const std::string& title)
    {
        std::vector<std::string> found;
        const std::regex pattern(title + "_[0-9]{17}\\.pdf");
        for (const fs::directory_entry& entry : fs::directory_iterator(m_tmp.Path()))
            if (std::regex_match(entry.path().filename().string(), pattern))
                found.push_back(entry.path().string());
        return found;
    }
};

} // namespace

TEST(QuireUsageTest, WrongUsageExitsWithStatusTwoAndTheSynopsis)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string problem;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"frobnicate", "a.pdf"}, "unknown command 'frobnicate'"},
        {{"-o", "x.pdf", "merge"}, "a command (merge, split or info) must come first"},
        {{"merge", "a.pdf"}, "merge needs an output file"},
        {{"merge", "a.pdf", "-o"}, "option -o needs a value"},
        {{"merge", "-o", "x.pdf"}, "merge needs at least one input file"},
        {{"merge", "-o", "x.pdf", "a.pdf", "--bogus"}, "unknown option '--bogus' for merge"},
        {{"split", "--bookmark", "T", "a.pdf"}, "--bookmark must follow the file"},
        {{"split", "a.pdf", "--title", "T"}, "unknown option '--title' for split"},
        {{"split", "a.pdf", "--open=yes"}, "option --open takes no value"},
        {{"info"}, "info needs at least one file"},
        {{"info", "a.pdf", "--no-backup"}, "unknown option '--no-backup' for info"},
    };
    for (const Case& c : cases) {
        const ChildResult result = Quire(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.problem;
        EXPECT_TRUE(Contains(result.err, "quire: " + c.problem)) << result.err;
        EXPECT_TRUE(Contains(result.err, "Usage: quire merge -o OUTPUT")) << result.err;
        EXPECT_EQ(result.out, "") << c.problem;
    }
}

TEST(QuireUsageTest, HelpAndVersionGoToStandardOutput)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string> {"--help"}, {"merge", "-o", "x.pdf", "--help"}, {"help"}}) {
        const ChildResult result = Quire(args);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(Contains(result.out, "quire split [--no-backup] [--open] INPUT..."));
        EXPECT_TRUE(Contains(result.out, "Exit status: 0 all done, 1 a file could not be read or written, 2"));
        EXPECT_EQ(result.err, "");
    }
    const ChildResult version = Quire({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("quire \\(Quire Binder\\) [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.out;
}

TEST_F(QuireCliTest, RangesSelectThePagesOfEachFileInArgumentOrder)
{
    const std::string b = Copy("rotated.pdf", "b.pdf"); // 20 pages
    const std::string c = Copy("11-pages-with-labels.pdf", "c.pdf"); // 11 pages
    const std::string out = m_tmp.File("out.pdf");
    struct Case
    {
        std::vector<std::string> inputs;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {{b, "3-5"}, Original(3, 5)},
        {{b, "18-"}, Original(18, 20)},
        {{b, "-2"}, Original(1, 2)},
        {{b, "7"}, Original(7, 7)},
        {{b, "0-0"}, Original(1, 20)},
        {{b, "19-99"}, Original(19, 20)},
        {{b, "19-99999999999999999999"}, Original(19, 20)},
        {{c, "10-", b, "2-3", c, "1"}, Join(Join(Original(10, 11), Original(2, 3)), Original(1, 1))},
        // A row whose begin lies beyond its end contributes nothing.
        {{b, "5-3", c, "2-2"}, Original(2, 2)},
        {{c}, Original(1, 11)},
    };
    for (const Case& k : cases) {
        std::vector<std::string> args {"merge", "--no-backup", "-o", out};
        args.insert(args.end(), k.inputs.begin(), k.inputs.end());
        const ChildResult result = Quire(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(PageTexts(out), k.pages) << k.inputs[1];
        EXPECT_TRUE(QpdfCheckPasses(out));
    }
}

TEST_F(QuireCliTest, ARangeIsOnlyRecognisedRightAfterAFile)
{
    Copy("rotated.pdf", "-dashed.pdf");
    Copy("11-pages-with-labels.pdf", "7");
    ChildOptions inFolder;
    inFolder.workingDir = m_tmp.Path().string();
    const std::string out = m_tmp.File("out.pdf");

    // After a RANGE, "7" is the next FILE, and "-1" is that file's range.
    ChildResult result
        = Quire({"merge", "--no-backup", "-o", "out.pdf", "--", "-dashed.pdf", "2-3", "7", "-1"}, inFolder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(PageTexts(out), Join(Original(2, 3), Original(1, 1)));

    // Right after a FILE, "7" is its range.
    result = Quire({"merge", "--no-backup", "-o", "out.pdf", "--", "-dashed.pdf", "7"}, inFolder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(PageTexts(out), Original(7, 7));

    // Without "--" a file whose name starts with a dash reads as an option.
    result = Quire({"merge", "-o", "out.pdf", "-dashed.pdf"}, inFolder);
    EXPECT_EQ(result.exitCode, 2);
}

TEST_F(QuireCliTest, AnOutputThatIsASourceAFolderOrEmptyIsRefusedAndNothingIsWritten)
{
    const std::string a = Copy("rotated.pdf", "a.pdf");
    const std::string original = ReadWholeFile(a);
    fs::create_hard_link(a, m_tmp.File("hard.pdf"));
    fs::create_symlink(a, m_tmp.File("soft.pdf"));
    fs::create_directory(m_tmp.File("folder"));
    ChildOptions inFolder;
    inFolder.workingDir = m_tmp.Path().string();

    for (const std::string& output : {a, std::string("./a.pdf"), m_tmp.File("hard.pdf"), m_tmp.File("soft.pdf"),
                                      m_tmp.File("folder"), std::string()}) {
        const ChildResult result = Quire({"merge", "-o", output, "a.pdf", "1-3"}, inFolder);
        EXPECT_EQ(result.exitCode, 1) << "output '" << output << "'";
        EXPECT_TRUE(Contains(result.err, "quire: ")) << result.err;
        if (!output.empty()) {
            EXPECT_TRUE(Contains(result.err, output)) << result.err;
        }
        EXPECT_EQ(ReadWholeFile(a), original) << output;
    }
    EXPECT_TRUE(Backups("a").empty());
    // Nothing but what the test made: no temporary file, no backup.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_tmp.Path()), fs::directory_iterator()), 4);
}

TEST_F(QuireCliTest, AMergeWithAnUnreadableInputOrNoPagesWritesNothing)
{
    const std::string a = Copy("rotated.pdf", "a.pdf");
    const std::string locked = Copy("enc-R3,V2,U=view,O=master.pdf", "locked.pdf");
    const std::string bad = Copy("bad1.pdf", "bad.pdf");
    const std::string out = m_tmp.File("out.pdf");
    WriteWholeFile(out, "the old output");

    struct Case
    {
        std::vector<std::string> inputs;
        std::string reason;
    };
    const Case cases[] = {
        {{a, locked}, locked + " needs a password"},
        {{bad, a}, bad + " is not a PDF file"},
        {{a, m_tmp.File("gone.pdf")}, m_tmp.File("gone.pdf") + " cannot be read"},
        {{a, "5-3"}, "out.pdf"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args {"merge", "-o", out};
        args.insert(args.end(), c.inputs.begin(), c.inputs.end());
        const ChildResult result = Quire(args);
        EXPECT_EQ(result.exitCode, 1) << c.reason;
        EXPECT_TRUE(Contains(result.err, c.reason)) << result.err;
        EXPECT_EQ(ReadWholeFile(out), "the old output") << c.reason;
    }
    EXPECT_TRUE(Backups("out").empty());
}

TEST_F(QuireCliTest, SplitWritesEachRangeBesideItsSourceAndPrintsThePaths)
{
    const std::string b = Copy("11-pages-with-labels.pdf", "b.pdf");
    const std::string report = Copy("rotated.pdf", "Report.pdf");

    ChildResult result = Quire({"split", b, "0-0", report, "3-5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, m_tmp.File("b_p1-11.pdf") + "\n" + m_tmp.File("Report_p3-5.pdf") + "\n");
    EXPECT_EQ(PageTexts(m_tmp.File("b_p1-11.pdf")), Original(1, 11));
    EXPECT_EQ(PageTexts(m_tmp.File("Report_p3-5.pdf")), Original(3, 5));
    EXPECT_EQ(OutlineLines(m_tmp.File("Report_p3-5.pdf")), (std::vector<std::string> {"Report -> 1"}));

    // The name carries the range after normalisation, and a split output can be split again.
    result = Quire({"split", "--no-backup", b, "2-12", m_tmp.File("Report_p3-5.pdf"), "-3"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, m_tmp.File("b_p2-11.pdf") + "\n" + m_tmp.File("Report_p3-5_p1-3.pdf") + "\n");
    EXPECT_EQ(PageTexts(m_tmp.File("Report_p3-5_p1-3.pdf")), Original(3, 5));
    EXPECT_TRUE(QpdfCheckPasses(m_tmp.File("Report_p3-5_p1-3.pdf")));

    // The same range again replaces the file after a backup copy, unless asked not to.
    result = Quire({"split", b, "2-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Backups("b_p2-11").size(), 1u);
    result = Quire({"split", "--no-backup", b, "2-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Backups("b_p2-11").size(), 1u);
}

TEST_F(QuireCliTest, SplitGoesOnAfterAFailingFileAndReportsIt)
{
    const std::string b = Copy("11-pages-with-labels.pdf", "b.pdf");
    const std::string locked = Copy("enc-XI-R6,V5,U=view,O=master.pdf", "locked.pdf");
    const std::string c = Copy("rotated.pdf", "c.pdf");

    const ChildResult result = Quire({"split", locked, b, "5-3", c, "1-2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, m_tmp.File("c_p1-2.pdf") + "\n");
    EXPECT_TRUE(Contains(result.err, locked + " needs a password")) << result.err;
    EXPECT_TRUE(Contains(result.err, b)) << result.err;
    EXPECT_FALSE(fs::exists(m_tmp.File("b_p5-3.pdf")));
    EXPECT_FALSE(fs::exists(m_tmp.File("locked_p1-30.pdf")));
    EXPECT_EQ(PageTexts(m_tmp.File("c_p1-2.pdf")), Original(1, 2));
}

TEST_F(QuireCliTest, RenamedFormFieldsAreReportedOnStandardError)
{
    const std::string one = Copy("fields-split-1.pdf", "one.pdf");
    const std::string two = Copy("form-fields-and-annotations-shared.pdf", "two.pdf");
    const ChildResult result = Quire({"merge", "-o", m_tmp.File("out.pdf"), one, two});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Contains(result.err, "Text Box 1 -> Text Box 1+1")) << result.err;
}

TEST_F(QuireCliTest, InfoPrintsOneLinePerFileAndNamesTheOnesItCannotRead)
{
    const std::string plain = Copy("rotated.pdf", "plain.pdf");
    const std::string outlined = Copy("page-labels-and-outlines.pdf", "outlined.pdf");
    const std::string form = Copy("sample-form.pdf", "form.pdf");
    const std::string owner = Copy("enc-XI-R6,V5,O=master.pdf", "owner.pdf");
    const std::string locked = Copy("enc-R3,V2,U=view,O=master.pdf", "locked.pdf");

    const ChildResult result = Quire({"info", plain, locked, outlined, form, owner});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              plain + ": 20 pages, outline no, form no\n" + outlined + ": 30 pages, outline yes, form no\n" + form
                  + ": 1 pages, outline no, form yes\n" + owner + ": 30 pages, outline yes, form no, encrypted\n");
    EXPECT_EQ(result.err, "quire: " + locked + " needs a password\n");
}

TEST_F(QuireCliTest, InfoJsonIsOneValidArrayWhateverTheNamesHold)
{
    const std::string odd = Copy("sample-form.pdf", "we\"ird\\name\nwith\ttabs\xff.pdf");
    const std::string bad = Copy("bad7.pdf", "bad.pdf");
    const ChildResult result = Quire({"info", "--json", odd, bad});
    EXPECT_EQ(result.exitCode, 1);
    const JsonValue array = JsonValue::Parse(result.out);
    ASSERT_EQ(array.items.size(), 2u);

    const JsonValue& first = array.items[0];
    EXPECT_EQ(first.keys,
              (std::vector<std::string> {"path", "pages", "outline", "form", "encrypted", "title", "author", "subject",
                                         "keywords"}));
    // The byte that is not UTF-8 becomes U+FFFD; everything else comes back as it was.
    EXPECT_EQ(first["path"].text, m_tmp.File("we\"ird\\name\nwith\ttabs\xEF\xBF\xBD.pdf"));
    EXPECT_EQ(first["pages"].number, 1);
    EXPECT_FALSE(first["outline"].boolean);
    EXPECT_TRUE(first["form"].boolean);
    EXPECT_FALSE(first["encrypted"].boolean);
    EXPECT_EQ(first["title"].text, "PDF Form Example");
    EXPECT_EQ(first["author"].type, JsonValue::Type::String);

    const JsonValue& second = array.items[1];
    EXPECT_EQ(second.keys, (std::vector<std::string> {"path", "error"}));
    EXPECT_EQ(second["path"].text, bad);
    EXPECT_TRUE(Contains(second["error"].text, bad)) << second["error"].text;
    EXPECT_TRUE(Contains(result.err, bad));
}

TEST_F(QuireCliTest, ProgressIsShownOnATerminalOnly)
{
    const std::string a = Copy("rotated.pdf", "a.pdf");
    const std::string c = Copy("11-pages-with-labels.pdf", "c.pdf");
    ChildOptions terminal;
    terminal.bStderrOnTerminal = true;
    ChildResult result = Quire({"merge", "-o", m_tmp.File("out.pdf"), a, c}, terminal);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Contains(result.err, "merging 1 of 2: a.pdf")) << result.err;
    EXPECT_TRUE(Contains(result.err, "merging 2 of 2: c.pdf")) << result.err;

    result = Quire({"split", a, "1-2", c, "3"}, terminal);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Contains(result.err, "splitting 2 of 2: c.pdf")) << result.err;

    result = Quire({"merge", "--no-backup", "-o", m_tmp.File("out.pdf"), a, c});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(QuireCliTest, ThreeFilesWithRangesBookmarksAndTextsGiveOneDocument)
{
    namespace fx = quire::fixtures;
    for (const auto& [tag, pages] : {std::pair<std::string, int> {"A", 10}, {"B", 4}, {"C", 6}}) {
        fx::PdfSpec desc;
        desc.tag = tag;
        desc.pages = pages;
        fx::WritePdf(m_tmp.File(tag + ".pdf"), desc);
    }
    const std::string out = m_tmp.File("out.pdf");
    const ChildResult result
        = Quire({"merge", "-o", out, "--title", "Annual report", "--author=Zoë Quill", m_tmp.File("A.pdf"), "3-5",
                 m_tmp.File("B.pdf"), "--bookmark", "Bee", m_tmp.File("C.pdf"), "2-6", "--bookmark", ""});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    std::vector<std::string> expected;
    for (int p = 3; p <= 5; ++p)
        expected.push_back("A page " + std::to_string(p));
    for (int p = 1; p <= 4; ++p)
        expected.push_back("B page " + std::to_string(p));
    for (int p = 2; p <= 6; ++p)
        expected.push_back("C page " + std::to_string(p));
    EXPECT_EQ(PageTexts(out), expected);
    // A typed bookmark text replaces the file title, and "" means no bookmark.
    EXPECT_EQ(OutlineLines(out), (std::vector<std::string> {"A -> 1", "Bee -> 4"}));
    std::map<std::string, std::string> info = PdfInfo(out);
    EXPECT_EQ(info["Title"], "Annual report");
    EXPECT_EQ(info["Author"], "Zoë Quill");
    EXPECT_EQ(info["Creator"], "Quire Binder");
    EXPECT_EQ(info["Pages"], "12");
    EXPECT_TRUE(QpdfCheckPasses(out));
}
