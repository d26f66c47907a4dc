// SPDX-License-Identifier: Apache-2.0
// Runs the real `quire` program as a child process and reads what it wrote with other tools.
#include "tests/cli/JsonValue.h"
#include "tests/cli/QuireCliFixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using fx::OutlineOf;
using fx::PageTexts;
using fx::PdfInfo;

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
        {{"merge", "-o", "x.pdf", "a.pdf", "--output=y.pdf"},
         "the output file is given twice: -o x.pdf and --output y.pdf"},
        {{"merge", "-o", "x.pdf"}, "merge needs at least one input file"},
        {{"merge", "-o", "x.pdf", "a.pdf", "--bogus"}, "unknown option '--bogus' for merge"},
        // Without "--" a file whose name starts with a dash reads as an option.
        {{"merge", "-o", "x.pdf", "-dashed.pdf"}, "unknown option '-dashed.pdf' for merge"},
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
    Copy("rotated.pdf", "b.pdf"); // 20 pages
    Copy("11-pages-with-labels.pdf", "c.pdf"); // 11 pages
    Copy("rotated.pdf", "-dashed.pdf");
    Copy("11-pages-with-labels.pdf", "7");
    struct Case
    {
        std::vector<std::string> inputs;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {{"b.pdf", "3-5"}, Original(3, 5)},
        {{"b.pdf", "18-"}, Original(18, 20)},
        {{"b.pdf", "-2"}, Original(1, 2)},
        {{"b.pdf", "7"}, Original(7, 7)},
        {{"b.pdf", "0-0"}, Original(1, 20)},
        {{"b.pdf", "19-99"}, Original(19, 20)},
        {{"b.pdf", "19-99999999999999999999"}, Original(19, 20)},
        {{"c.pdf", "10-", "b.pdf", "2-3", "c.pdf", "1"}, Concat({Original(10, 11), Original(2, 3), Original(1, 1)})},
        // A row whose begin lies beyond its end contributes nothing.
        {{"b.pdf", "5-3", "c.pdf", "2-2"}, Original(2, 2)},
        {{"c.pdf"}, Original(1, 11)},
        // A RANGE is only recognised right after a FILE: after "2-3", "7" is the next file and "-1"
        // its range; right after a file, "7" is its range.
        {{"--", "-dashed.pdf", "2-3", "7", "-1"}, Concat({Original(2, 3), Original(1, 1)})},
        {{"--", "-dashed.pdf", "7"}, Original(7, 7)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::PrintToString(k.inputs));
        std::vector<std::string> args {"merge", "--no-backup", "-o", "out.pdf"};
        args.insert(args.end(), k.inputs.begin(), k.inputs.end());
        const ChildResult result = Quire(args, InFolder());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
        ExpectSound(m_tmp.File("out.pdf"), k.pages);
    }
}

TEST_F(QuireCliTest, AnOutputThatIsASourceAFolderOrEmptyIsRefusedAndNothingIsWritten)
{
    const std::string a = Copy("rotated.pdf", "a.pdf");
    const std::string original = ReadWholeFile(a);
    fs::create_hard_link(a, m_tmp.File("hard.pdf"));
    fs::create_symlink(a, m_tmp.File("soft.pdf"));
    fs::create_directory(m_tmp.File("folder"));

    for (const std::string& output : {a, std::string("./a.pdf"), m_tmp.File("hard.pdf"), m_tmp.File("soft.pdf"),
                                      m_tmp.File("folder"), std::string(), m_tmp.File("nowhere/out.pdf")}) {
        const ChildResult result = Quire({"merge", "-o", output, "a.pdf", "1-3"}, InFolder());
        EXPECT_EQ(result.exitCode, 1) << "output '" << output << "'";
        EXPECT_TRUE(Contains(result.err, "quire: ")) << result.err;
        if (!output.empty()) {
            EXPECT_TRUE(Contains(result.err, output)) << result.err;
        }
        EXPECT_EQ(ReadWholeFile(a), original) << output;
    }
    // Nothing but what the test made: no temporary file, no backup.
    EXPECT_EQ(Listing(), (std::vector<std::string> {"a.pdf", "folder", "hard.pdf", "soft.pdf"}));
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
    // Nothing but what the test made: no temporary file, no backup.
    EXPECT_EQ(Listing(), (std::vector<std::string> {"a.pdf", "bad.pdf", "locked.pdf", "out.pdf"}));
}

TEST_F(QuireCliTest, SplitWritesEachRangeBesideItsSourceWithItsInformationAndTrimmedOutline)
{
    const std::string b7 = Make("seven/b.pdf", 7);
    const std::string b10 = Make("ten/b.pdf", 10);
    fx::PdfSpec desc;
    desc.info = {{"Title", "Handbook Ünïcødé"}, {"Author", "Ann"}, {"Creator", "Some editor"}};
    const std::string report = Make("Report.pdf", 10, true, desc);

    ChildResult result
        = Quire({"split", b7, "0-0", b10, "1-12", "--bookmark", "", report, "3-5", "--bookmark", "Typed"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The name carries the range after normalisation.
    const std::string r35 = m_tmp.File("Report_p3-5.pdf");
    EXPECT_EQ(result.out, m_tmp.File("seven/b_p1-7.pdf") + "\n" + m_tmp.File("ten/b_p1-10.pdf") + "\n" + r35 + "\n");
    ExpectSound(m_tmp.File("seven/b_p1-7.pdf"), Pages("b", 1, 7));
    ExpectSound(m_tmp.File("ten/b_p1-10.pdf"), Pages("b", 1, 10));
    ExpectSound(r35, Pages("Report", 3, 5));
    // The file title is the bookmark of a file without an outline, unless "" asks for none; a file's
    // own outline, trimmed to the range and renumbered, wins over a typed text.
    EXPECT_EQ(OutlineOf(m_tmp.File("seven/b_p1-7.pdf")), std::vector<std::string> {"b -> 1"});
    EXPECT_EQ(OutlineOf(m_tmp.File("ten/b_p1-10.pdf")), std::vector<std::string> {});
    EXPECT_EQ(OutlineOf(r35), (std::vector<std::string> {"Report 3 -> 1", "Report 4 -> 2", "Report 5 -> 3"}));
    // The source's information comes along, but the program is the creator.
    const std::map<std::string, std::string> info = PdfInfo(r35);
    EXPECT_EQ(info.at("Title"), "Handbook Ünïcødé");
    EXPECT_EQ(info.at("Author"), "Ann");
    EXPECT_EQ(info.count("Subject"), 0u);
    EXPECT_EQ(info.at("Creator"), "Quire Binder");
    EXPECT_EQ(info.at("Producer"), "Quire Binder");

    // A split output can be split again.
    result = Quire({"split", "--no-backup", r35, "-3"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, m_tmp.File("Report_p3-5_p1-3.pdf") + "\n");
    ExpectSound(m_tmp.File("Report_p3-5_p1-3.pdf"), Pages("Report", 3, 5));

    // The same range again replaces the file after a backup copy of it, unless asked not to.
    Make("Report.pdf", 10);
    result = Quire({"split", report, "3-5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(OutlineOf(r35), std::vector<std::string> {"Report -> 1"});
    const std::vector<std::string> backups = Backups("Report_p3-5");
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(OutlineOf(backups[0]), (std::vector<std::string> {"Report 3 -> 1", "Report 4 -> 2", "Report 5 -> 3"}));
    result = Quire({"split", "--no-backup", report, "3-5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Backups("Report_p3-5").size(), 1u);
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
    EXPECT_TRUE(Contains(result.err, b + " has no pages in the range 5-3; no file was written for it")) << result.err;
    ExpectSound(m_tmp.File("c_p1-2.pdf"), Original(1, 2));
    EXPECT_EQ(Listing(), (std::vector<std::string> {"b.pdf", "c.pdf", "c_p1-2.pdf", "locked.pdf"}));
}

TEST_F(QuireCliTest, RenamedFormFieldsAreReportedOnStandardError)
{
    const std::string one = Copy("fields-split-1.pdf", "one.pdf");
    const std::string two = Copy("form-fields-and-annotations-shared.pdf", "two.pdf");
    const ChildResult result = Quire({"merge", "-o", m_tmp.File("out.pdf"), one, two});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Contains(result.err, "Text Box 1 -> Text Box 1+1")) << result.err;
}

TEST_F(QuireCliTest, InfoPrintsOneLinePerFileAndRefusesUnusableOnesInPlainWords)
{
    const std::string plain = Copy("rotated.pdf", "plain.pdf");
    const std::string outlined = Copy("page-labels-and-outlines.pdf", "outlined.pdf");
    const std::string form = Copy("sample-form.pdf", "form.pdf");
    const std::string owner = Copy("enc-XI-R6,V5,O=master.pdf", "owner.pdf");
    Copy("enc-R3,V2,U=view,O=master.pdf", "locked.pdf");
    fx::WriteNotPdf(m_tmp.File("notes.pdf"));
    fx::WriteZeroByteFile(m_tmp.File("zero.pdf"));
    fx::WriteDamagedPdf(m_tmp.File("damaged.pdf"));
    fx::WriteTruncatedPdf(m_tmp.File("truncated.pdf"));
    fx::WriteBrokenPageTreePdf(m_tmp.File("tree.pdf"));
    fs::create_directory(m_tmp.File("folder.pdf"));
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0); // opening it would block for ever
    const std::pair<std::string, std::string> refused[] = {
        {"locked.pdf", " needs a password"},
        {"notes.pdf", " is not a PDF file"},
        {"zero.pdf", " is not a PDF file"},
        {"damaged.pdf", " is damaged beyond repair: "},
        {"truncated.pdf", " is damaged beyond repair: "},
        {"tree.pdf", " is damaged beyond repair: page 2 is not a page object"},
        {"folder.pdf", " cannot be read: it is a folder"},
        {"missing.pdf", " cannot be read: No such file or directory"},
        {"fifo.pdf", " cannot be read: it is not a regular file"},
    };
    std::vector<std::string> args {"info", plain, outlined, form, owner};
    for (const auto& [name, reason] : refused)
        args.push_back(m_tmp.File(name));

    const ChildResult result = Quire(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              plain + ": 20 pages, outline no, form no\n" + outlined + ": 30 pages, outline yes, form no\n" + form
                  + ": 1 pages, outline no, form yes\n" + owner + ": 30 pages, outline yes, form no, encrypted\n");
    std::istringstream err(result.err);
    std::string line;
    for (const auto& [name, reason] : refused) {
        ASSERT_TRUE(std::getline(err, line)) << result.err;
        EXPECT_TRUE(line.starts_with("quire: " + m_tmp.File(name) + reason)) << line;
    }
    EXPECT_FALSE(std::getline(err, line)) << line;
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
    fx::PdfSpec own;
    own.info = {{"Title", "Source title"}, {"Subject", "Source subject"}};
    const std::string a = Make("A.pdf", 10, true, own);
    const std::string b = Make("B.pdf", 4);
    const std::string c = Make("C.pdf", 6);
    const std::string out = m_tmp.File("out.pdf");
    WriteWholeFile(out, "the old output");
    const ChildResult result = Quire({"merge", "-o", out, "--title", "Annual report", "--author=Zoë Quill", "--subject",
                                      "Figures", "--keywords=money, time", a, "3-5", "--bookmark", "Typed", b,
                                      "--bookmark", "Report (final)", c, "2-6"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ExpectSound(out, Concat({Pages("A", 3, 5), Pages("B", 1, 4), Pages("C", 2, 6)}));
    // A's own outline keeps the entries of its pages, renumbered, and wins over the typed text; a file
    // without one gets one bookmark: the typed text without its parentheses, or else the file title.
    EXPECT_EQ(OutlineOf(out),
              (std::vector<std::string> {"A 3 -> 1", "A 4 -> 2", "A 5 -> 3", "Report final -> 4", "C -> 8"}));
    std::map<std::string, std::string> info = PdfInfo(out);
    EXPECT_EQ(info["Title"], "Annual report");
    EXPECT_EQ(info["Author"], "Zoë Quill");
    EXPECT_EQ(info["Subject"], "Figures");
    EXPECT_EQ(info["Keywords"], "money, time");
    EXPECT_EQ(info["Creator"], "Quire Binder");
    EXPECT_EQ(info["Producer"], "Quire Binder");
    const std::vector<std::string> backups = Backups("out");
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(ReadWholeFile(backups[0]), "the old output");

    // Without texts only the creator and producer are set: nothing of the source's own information.
    ASSERT_EQ(Quire({"merge", "-o", m_tmp.File("bare.pdf"), a}).exitCode, 0);
    info = PdfInfo(m_tmp.File("bare.pdf"));
    for (const char* key : {"Title", "Author", "Subject", "Keywords"})
        EXPECT_EQ(info.count(key), 0u) << key;
    EXPECT_EQ(info["Creator"], "Quire Binder");
    EXPECT_EQ(info["Producer"], "Quire Binder");
}
