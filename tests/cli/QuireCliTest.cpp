// SPDX-License-Identifier: Apache-2.0
// Runs the real `quire` program as a child process and reads what it wrote with other tools.
#include "tests/cli/QuireCliFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <regex>
#include <sstream>
#include <string>
#include <utility>

using fx::OutlineOf;

TEST(QuireUsageTest, WrongUsageExitsWithStatusTwoAndTheSynopsis)
{
    const std::pair<Strings, std::string> cases[] = {
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
    for (const auto& [args, problem] : cases) {
        const ChildResult result = Quire(args);
        EXPECT_EQ(result.exitCode, 2) << problem;
        EXPECT_TRUE(Contains(result.err, "quire: " + problem)) << result.err;
        EXPECT_TRUE(Contains(result.err, "Usage: quire merge -o OUTPUT")) << result.err;
        EXPECT_EQ(result.out, "") << problem;
    }
}

TEST(QuireUsageTest, HelpAndVersionGoToStandardOutput)
{
    // Help wins over whatever else is wrong, up to a "--".
    for (const Strings& args :
         {Strings {"--help"}, {"-h"}, {"help"}, {"frobnicate", "--help"}, {"merge", "-o", "x.pdf", "--help"}}) {
        const ChildResult result = Quire(args);
        EXPECT_EQ(result.exitCode, 0) << ::testing::PrintToString(args);
        EXPECT_TRUE(Contains(result.out, "quire split [--no-backup] [--open] INPUT..."));
        EXPECT_TRUE(Contains(result.out, "Exit status: 0 all done, 1 a file could not be read or written, 2"));
        EXPECT_EQ(result.err, "");
    }
    const ChildResult file = Quire({"info", "--", "--help"});
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_EQ(file.err, "quire: --help cannot be read: No such file or directory\n");

    for (const Strings& args : {Strings {"--version"}, {"-V"}, {"version"}}) {
        const ChildResult version = Quire(args);
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_TRUE(std::regex_match(version.out, std::regex("quire \\(Quire Binder\\) [0-9]+\\.[0-9]+\\.[0-9]+\n")))
            << version.out;
    }
}

TEST_F(QuireCliTest, RangesSelectThePagesOfEachFileInArgumentOrder)
{
    Copy("rotated.pdf", "b.pdf"); // 20 pages
    Copy("11-pages-with-labels.pdf", "c.pdf"); // 11 pages
    Copy("rotated.pdf", "-dashed.pdf");
    Copy("11-pages-with-labels.pdf", "7");
    const std::pair<Strings, Strings> cases[] = {
        {{"b.pdf", "3-5"}, Original(3, 5)},
        {{"b.pdf", "18-"}, Original(18, 20)},
        {{"b.pdf", "-2"}, Original(1, 2)},
        {{"b.pdf", "7"}, Original(7, 7)},
        // Any number of digits is a RANGE; the job clamps it to the file.
        {{"b.pdf", "19-99999999999999999999"}, Original(19, 20)},
        {{"c.pdf", "10-", "b.pdf", "2-3", "c.pdf", "1"}, Concat({Original(10, 11), Original(2, 3), Original(1, 1)})},
        {{"c.pdf"}, Original(1, 11)},
        // A RANGE is only recognised right after a FILE: after "2-3", "7" is the next file and "-1"
        // its range; right after a file, "7" is its range.
        {{"--", "-dashed.pdf", "2-3", "7", "-1"}, Concat({Original(2, 3), Original(1, 1)})},
        {{"--", "-dashed.pdf", "7"}, Original(7, 7)},
    };
    for (const auto& [inputs, pages] : cases) {
        SCOPED_TRACE(::testing::PrintToString(inputs));
        Strings args {"merge", "--no-backup", "-oout.pdf"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        const ChildResult result = Quire(args, InFolder());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
        ExpectSound(m_tmp.File("out.pdf"), pages);
    }
}

TEST_F(QuireCliTest, AnOutputThatIsASourceAFolderOrEmptyIsRefusedAndNothingIsWritten)
{
    const std::string a = Copy("rotated.pdf", "a.pdf");
    const std::string hard = m_tmp.File("hard.pdf"), soft = m_tmp.File("soft.pdf");
    const std::string folder = m_tmp.File("folder"), nowhere = m_tmp.File("nowhere/out.pdf");
    fs::create_hard_link(a, hard);
    fs::create_symlink(a, soft);
    fs::create_directory(folder);
    const std::string source = " is one of the source files and would be overwritten; choose another output file\n";
    const std::pair<std::string, std::string> cases[] = {
        {a, a + source},
        {"./a.pdf", "./a.pdf" + source},
        {hard, hard + source},
        {soft, soft + source},
        {folder, folder + " is a folder; give the name of a file to write\n"},
        {"", "No output file is given.\n"},
        {nowhere, nowhere + " cannot be written: its folder does not exist\n"},
    };
    for (const auto& [output, err] : cases)
        ExpectFailure({"merge", "-o", output, "a.pdf", "1-3"}, "quire: " + err, InFolder());
}

TEST_F(QuireCliTest, AMergeWithAnUnreadableInputOrNoPagesWritesNothing)
{
    Copy("rotated.pdf", "a.pdf");
    Copy("enc-R3,V2,U=view,O=master.pdf", "locked.pdf");
    Copy("bad1.pdf", "bad.pdf");
    WriteWholeFile(m_tmp.File("out.pdf"), "the old output");
    const std::pair<Strings, std::string> cases[] = {
        {{"a.pdf", "locked.pdf"}, "locked.pdf needs a password"},
        {{"bad.pdf", "a.pdf"}, "bad.pdf is not a PDF file"},
        {{"a.pdf", "gone.pdf"}, "gone.pdf cannot be read: No such file or directory"},
        {{"a.pdf", "5-3"}, "No checked row contributes pages, so out.pdf was not written."},
    };
    for (const auto& [inputs, reason] : cases) {
        Strings args {"merge", "-o", "out.pdf"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        ExpectFailure(args, "quire: " + reason + "\n", InFolder());
    }
}

TEST_F(QuireCliTest, SplitWritesEachRangeBesideItsSourceWithItsInformationAndTrimmedOutline)
{
    const std::string b7 = Make("seven/b.pdf", 7);
    const std::string b10 = Make("ten/b.pdf", 10);
    fx::PdfSpec desc;
    desc.info = {{"Title", "Handbook Ünïcødé"}, {"Author", "Ann"}, {"Creator", "Some editor"}};
    const std::string report = Make("Report.pdf", 10, true, desc);
    const std::string p7 = m_tmp.File("seven/b_p1-7.pdf"), p10 = m_tmp.File("ten/b_p1-10.pdf");
    const std::string r35 = m_tmp.File("Report_p3-5.pdf");

    ChildResult result
        = Quire({"split", b7, "0-0", b10, "1-12", "--bookmark", "", report, "3-5", "--bookmark", "Typed"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The name carries the range after normalisation.
    EXPECT_EQ(result.out, p7 + "\n" + p10 + "\n" + r35 + "\n");
    ExpectSound(p7, Pages("b", 1, 7));
    ExpectSound(p10, Pages("b", 1, 10));
    ExpectSound(r35, Pages("Report", 3, 5));
    // The file title is the bookmark of a file without an outline, unless "" asks for none; a file's
    // own outline, trimmed to the range and renumbered, wins over a typed text.
    EXPECT_EQ(OutlineOf(p7), Strings {"b -> 1"});
    EXPECT_EQ(OutlineOf(p10), Strings {});
    const Strings trimmed {"Report 3 -> 1", "Report 4 -> 2", "Report 5 -> 3"};
    EXPECT_EQ(OutlineOf(r35), trimmed);
    // The source's information comes along, but the program is the creator.
    EXPECT_EQ(Information(r35), "Title=Handbook Ünïcødé; Author=Ann; Creator=Quire Binder; Producer=Quire Binder; ");

    // A split output can be split again.
    result = Quire({"split", "--no-backup", r35, "-3"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, m_tmp.File("Report_p3-5_p1-3.pdf") + "\n");
    ExpectSound(m_tmp.File("Report_p3-5_p1-3.pdf"), Pages("Report", 3, 5));

    // The same range again replaces the file after a backup copy of it, unless asked not to.
    Make("Report.pdf", 10);
    ASSERT_EQ(Quire({"split", report, "3-5"}).exitCode, 0);
    EXPECT_EQ(OutlineOf(r35), Strings {"Report -> 1"});
    const Strings backups = Backups("Report_p3-5");
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(OutlineOf(backups[0]), trimmed);
    ASSERT_EQ(Quire({"split", "--no-backup", report, "3-5"}).exitCode, 0);
    EXPECT_EQ(Backups("Report_p3-5").size(), 1u);
}

TEST_F(QuireCliTest, SplitGoesOnAfterAFailingFileAndReportsIt)
{
    const std::string b = Copy("11-pages-with-labels.pdf", "b.pdf");
    const std::string locked = Copy("enc-XI-R6,V5,U=view,O=master.pdf", "locked.pdf");
    const std::string c = Copy("rotated.pdf", "c.pdf");

    const auto before = Snapshot();
    const ChildResult result = Quire({"split", locked, b, "5-3", c, "1-2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, m_tmp.File("c_p1-2.pdf") + "\n");
    EXPECT_EQ(result.err,
              "quire: " + locked + " needs a password\nquire: " + b
                  + " has no pages in the range 5-3; no file was written for it\n");
    ExpectSound(m_tmp.File("c_p1-2.pdf"), Original(1, 2));
    EXPECT_EQ(Changes(before), " +c_p1-2.pdf");
}

TEST_F(QuireCliTest, RenamedFormFieldsAreReportedOnStandardErrorOnceEach)
{
    const std::string one = Copy("fields-split-1.pdf", "one.pdf");
    const std::string two = Copy("form-fields-and-annotations-shared.pdf", "two.pdf");
    const ChildResult result = Quire({"merge", "-o", m_tmp.File("out.pdf"), one, two});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Text Box 1 and 2 have widgets on several pages of two.pdf; each field is named once.
    const std::string note = "quire: note: form field renamed to keep it apart: ";
    EXPECT_EQ(result.err,
              note + "Text Box 1 -> Text Box 1+1\n" + note + "Text Box 2 -> Text Box 2+1\n" + note + "r1 -> r1+1\n");
}

TEST_F(QuireCliTest, InfoPrintsOneLinePerFileAndRefusesUnusableOnesInPlainWords)
{
    const std::string plain = Copy("rotated.pdf", "plain.pdf");
    const std::string outlined = Copy("page-labels-and-outlines.pdf", "outlined.pdf");
    const std::string form = Copy("sample-form.pdf", "form.pdf");
    const std::string owner = Copy("enc-XI-R6,V5,O=master.pdf", "owner.pdf");
    fx::WriteZeroByteFile(m_tmp.File("zero.pdf"));
    fx::WriteTruncatedPdf(m_tmp.File("truncated.pdf"));
    fx::WriteBrokenPageTreePdf(m_tmp.File("tree.pdf"));
    fs::create_directory(m_tmp.File("folder.pdf"));
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0); // opening it would block for ever
    // A password, a file that is no PDF, a damaged one and a missing one: the corpus sweep and the
    // usage and merge tests above.
    const std::pair<std::string, std::string> refused[] = {
        {"zero.pdf", " is not a PDF file"},
        {"truncated.pdf", " is damaged beyond repair: "},
        {"tree.pdf", " is damaged beyond repair: page 2 is not a page object"},
        {"folder.pdf", " cannot be read: it is a folder"},
        {"fifo.pdf", " cannot be read: it is not a regular file"},
    };
    Strings args {"info", plain, outlined, form, owner};
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

TEST_F(QuireCliTest, InfoJsonIsOneValidArrayOfOneObjectALineWhateverTheNamesHold)
{
    const std::string odd = Copy("sample-form.pdf", "we\"ird\\name\nwith\ttabs\xff.pdf");
    const std::string bad = Copy("bad7.pdf", "bad.pdf");
    const std::string gone = m_tmp.File("gone\xfe.pdf");
    const ChildResult result = Quire({"info", "--json", odd, bad, gone});
    EXPECT_EQ(result.exitCode, 1);
    const nlohmann::json array = nlohmann::json::parse(result.out, nullptr, false);
    ASSERT_TRUE(array.is_array() && array.size() == 3) << result.out;
    // A byte that is not UTF-8 becomes U+FFFD; everything else comes back as it was.
    EXPECT_EQ(array[0].value("path", ""), m_tmp.File("we\"ird\\name\nwith\ttabs\xEF\xBF\xBD.pdf"));
    // A file that cannot be read gives its path and the sentence told on the error stream.
    const std::string sentence = array[1].value("error", "");
    EXPECT_TRUE(sentence.starts_with(bad + " is damaged beyond repair: ")) << sentence;
    const std::string missing = " cannot be read: No such file or directory";
    EXPECT_EQ(result.err, "quire: " + sentence + "\nquire: " + gone + missing + "\n");
    // One object a line, its members in a fixed order, a space after each colon and comma.
    const std::string first = R"({"path": ")" + m_tmp.File(R"(we\"ird\\name\nwith\ttabs)") + "\xEF\xBF\xBD.pdf"
        + R"(", "pages": 1, "outline": false, "form": true, "encrypted": false, )"
          R"("title": "PDF Form Example", "author": "", "subject": "", "keywords": "PDF Form"})";
    const auto error = [](const std::string& path, const std::string& text) {
        return R"({"path": ")" + path + R"(", "error": ")" + text + "\"}";
    };
    const std::string goneText = m_tmp.File("gone\xEF\xBF\xBD.pdf");
    EXPECT_EQ(result.out,
              "[\n  " + first + ",\n  " + error(bad, sentence) + ",\n  " + error(goneText, goneText + missing)
                  + "\n]\n");
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
    EXPECT_EQ(result.err, "");
    ExpectSound(out, Concat({Pages("A", 3, 5), Pages("B", 1, 4), Pages("C", 2, 6)}));
    // A's own outline wins over the typed text; a file without one gets one bookmark: the typed text,
    // or else the file title.
    EXPECT_EQ(OutlineOf(out), (Strings {"A 3 -> 1", "A 4 -> 2", "A 5 -> 3", "Report final -> 4", "C -> 8"}));
    EXPECT_EQ(Information(out),
              "Title=Annual report; Author=Zoë Quill; Subject=Figures; Keywords=money, time; "
              "Creator=Quire Binder; Producer=Quire Binder; ");
    const Strings backups = Backups("out");
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(ReadWholeFile(backups[0]), "the old output");

    // Without texts only the creator and producer are set: nothing of the source's own information.
    ASSERT_EQ(Quire({"merge", "-o", m_tmp.File("bare.pdf"), a}).exitCode, 0);
    EXPECT_EQ(Information(m_tmp.File("bare.pdf")), "Creator=Quire Binder; Producer=Quire Binder; ");
}
