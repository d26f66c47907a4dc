// SPDX-License-Identifier: Apache-2.0
// Runs the real `quire` program as a child process and reads what it wrote with other tools.
#include "tests/cli/QuireCliFixture.h"

#include <nlohmann/json.hpp>

#include <tuple>

using ::testing::HasSubstr;

TEST_F(QuireCliTest, WrongUsageExitsWithTwoAndTheSynopsisHelpAndVersionWithZero)
{
    const std::string help = "Exit status: 0 all done, 1 a file could not be read or written, 2";
    const std::string version = "quire (Quire Binder) ";
    // The arguments, the status, and what the error stream (for status 0: the output) holds.
    const std::tuple<Strings, int, std::string> cases[] = {
        {{}, 2, "quire: no command given"},
        {{"frobnicate", "a.pdf"}, 2, "quire: unknown command 'frobnicate'"},
        {{"-o", "x.pdf", "merge"}, 2, "quire: a command (merge, split or info) must come first"},
        {{"merge", "a.pdf"}, 2, "quire: merge needs an output file"},
        {{"merge", "a.pdf", "-o"}, 2, "quire: option -o needs a value"},
        {{"merge", "-o", "x.pdf", "a.pdf", "--output=y.pdf"},
         2,
         "quire: the output file is given twice: -o x.pdf and --output y.pdf"},
        {{"merge", "-o", "x.pdf"}, 2, "quire: merge needs at least one input file"},
        {{"merge", "-o", "x.pdf", "a.pdf", "--bogus"}, 2, "quire: unknown option '--bogus' for merge"},
        // Without "--" a file whose name starts with a dash reads as an option.
        {{"merge", "-o", "x.pdf", "-dashed.pdf"}, 2, "quire: unknown option '-dashed.pdf' for merge"},
        {{"split", "--bookmark", "T", "a.pdf"}, 2, "quire: --bookmark must follow the file"},
        {{"split", "a.pdf", "--title", "T"}, 2, "quire: unknown option '--title' for split"},
        {{"split", "a.pdf", "--open=yes"}, 2, "quire: option --open takes no value"},
        {{"split", "--every", "0", "a.pdf"}, 2, "quire: option --every needs pages, a whole number from 1, not '0'"},
        {{"split", "--at-bookmarks=x", "a.pdf"}, 2, "needs a bookmark level, a whole number from 1, not 'x'"},
        {{"split", "--every=2", "--single-pages", "a.pdf"},
         2,
         "quire: split takes one of --every, --single-pages and --at-bookmarks, not both --every and --single-pages"},
        {{"merge", "-o", "x.pdf", "--every", "2", "a.pdf"}, 2, "quire: unknown option '--every' for merge"},
        {{"info"}, 2, "quire: info needs at least one file"},
        {{"info", "a.pdf", "--no-backup"}, 2, "quire: unknown option '--no-backup' for info"},
        // No usage error repeats a password.
        {{"split", "--password", "hunter2", "a.pdf"}, 2, "quire: --password must follow the file it belongs to"},
        {{"--password=hunter2", "info"}, 2, "must come first, not '--password'"},
        {{"info", "a.pdf", "--password", "hunter2", "--password=x"}, 2, "a.pdf is given more than one password"},
        {{"merge", "-ox.pdf", "--owner-password=hunter2", "--owner-password-file=x"}, 2, "is given twice"},
        {{"merge", "-ox.pdf", "--user-password=", "a.pdf"}, 2, "the user password of the output must not be empty"},
        // Help wins over whatever else is wrong, up to a "--".
        {{"--help"}, 0, help},
        {{"-h"}, 0, help},
        {{"help"}, 0, help},
        {{"frobnicate", "--help"}, 0, help},
        {{"merge", "-o", "x.pdf", "--help"}, 0, help},
        {{"info", "--", "--help"}, 1, "quire: --help cannot be read: No such file or directory\n"},
        {{"--version"}, 0, version},
        {{"-V"}, 0, version},
        {{"version"}, 0, version},
    };
    for (const auto& [args, status, text] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome result = Run(args);
        EXPECT_EQ(result.status, status);
        EXPECT_THAT(status ? result.err : result.out, HasSubstr(text));
        EXPECT_EQ(status ? result.out : result.err, "");
        EXPECT_EQ(result.err.find("\nUsage: quire merge -o OUTPUT") != std::string::npos, status == 2) << result.err;
        EXPECT_EQ(result.err.find("hunter2"), std::string::npos);
    }
    EXPECT_TRUE(std::regex_match(Run({"-V"}).out, std::regex("quire \\(Quire Binder\\) [0-9]+\\.[0-9]+\\.[0-9]+\n")));
}

TEST_F(QuireCliTest, RangesSelectThePagesOfEachFileInArgumentOrder)
{
    for (const auto& [name, pages] : {std::pair {"b.pdf", 20}, {"c.pdf", 11}, {"-dashed.pdf", 8}, {"7", 2}})
        Make(name, pages);
    const std::pair<Strings, Strings> cases[] = {
        {{"b.pdf", "3-5"}, Pages({{"b", 3, 5}})},
        {{"b.pdf", "18-"}, Pages({{"b", 18, 20}})},
        {{"b.pdf", "-2"}, Pages({{"b", 1, 2}})},
        {{"b.pdf", "7"}, Pages({{"b", 7, 7}})},
        // Any number of digits is a RANGE; the job clamps it to the file.
        {{"b.pdf", "19-99999999999999999999"}, Pages({{"b", 19, 20}})},
        {{"c.pdf", "10-", "b.pdf", "2-3", "c.pdf", "1"}, Pages({{"c", 10, 11}, {"b", 2, 3}, {"c", 1, 1}})},
        {{"c.pdf"}, Pages({{"c", 1, 11}})},
        // A RANGE is only recognised right after a FILE: after "2-3", "7" is the next file and "-1"
        // its range; right after a file, "7" is its range.
        {{"--", "-dashed.pdf", "2-3", "7", "-1"}, Pages({{"-dashed", 2, 3}, {"7", 1, 1}})},
        {{"--", "-dashed.pdf", "7"}, Pages({{"-dashed", 7, 7}})},
    };
    for (const auto& [inputs, pages] : cases) {
        SCOPED_TRACE(::testing::PrintToString(inputs));
        Strings args {"merge", "--no-backup", "-oout.pdf"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        ASSERT_EQ(Run(args), (Outcome {0, "", "", " +out.pdf"}));
        ExpectSound(m_tmp.File("out.pdf"), pages);
        fs::remove(m_tmp.File("out.pdf"));
    }
}

TEST_F(QuireCliTest, EachJobNamesWhatItWroteOnStandardOutputAndWhatFailedOnStandardError)
{
    const std::string a = Make("a.pdf", 4);
    for (const char* name : {"a.PDF", "a_p1-2.pdf", "b.pdf", "c.pdf"})
        Make(name, 4);
    Make("locked.pdf", 1, false, {.userPassword = "view"});
    for (const char* name : {"one.pdf", "two.pdf"})
        Make(name, 1, false, {.fields = {{fx::FieldKind::Text, "T"}}, .namedDests = {{"top", 1}}});
    for (const char* name : {"layers1.pdf", "layers2.pdf"})
        Make(name, 2, false, {.layers = {{"Notes", 1}, {"Draft", 2, true}}});
    fs::create_hard_link(a, m_tmp.File("hard.pdf"));
    fs::create_symlink(a, m_tmp.File("soft.pdf"));
    fs::create_directory(m_tmp.File("folder"));
    fx::WriteReferenceChainPdf(m_tmp.File("chain.pdf"), 150000);
    fx::WriteDeepPageTreePdf(m_tmp.File("tree.pdf"), 2000);
    fx::WriteReferenceChainPdf(m_tmp.File("long.pdf"), 60000);
    WriteWholeFile(m_tmp.File("out.pdf"), "the old output");
    const std::string source = " is one of the source files and would be overwritten; choose another output file\n";
    const std::string chain
        = "quire: chain.pdf is damaged beyond repair: page 1 holds objects nested more than 100000 levels deep\n";
    const std::string tree
        = "quire: tree.pdf is damaged beyond repair: its page tree is nested more than 1000 levels deep\n";
    const struct
    {
        Strings args;
        Outcome outcome;
        bool bTerminal = false;
    } cases[] = {
        {{"merge", "-o", a, "a.pdf", "1-3"}, {1, "", "quire: " + a + source}},
        {{"merge", "-o./a.pdf", "a.pdf"}, {1, "", "quire: ./a.pdf" + source}},
        {{"merge", "-ohard.pdf", "a.pdf"}, {1, "", "quire: hard.pdf" + source}},
        {{"merge", "-osoft.pdf", "a.pdf"}, {1, "", "quire: soft.pdf" + source}},
        {{"merge", "-ofolder", "a.pdf"}, {1, "", "quire: folder is a folder; give the name of a file to write\n"}},
        {{"merge", "-o", "", "a.pdf"}, {1, "", "quire: No output file is given.\n"}},
        {{"merge", "-onowhere/out.pdf", "a.pdf"},
         {1, "", "quire: nowhere/out.pdf cannot be written: its folder does not exist\n"}},
        {{"merge", "-oout.pdf", "a.pdf", "5-3"},
         {1, "",
          "quire: a.pdf has no pages in the range 5-3 (it begins past the last page, 4); nothing of it was "
          "merged\nquire: No checked row contributes pages, so out.pdf was not written.\n"}},
        // A range without pages is named; the merge of the others succeeds.
        {{"merge", "-oskips.pdf", "a.pdf", "1", "b.pdf", "4-2"},
         {0, "", "quire: b.pdf has no pages in the range 4-2 (it begins after it ends); nothing of it was merged\n",
          " +skips.pdf"}},
        {{"merge", "-oout.pdf", "chain.pdf"}, {1, "", chain}},
        {{"split", "chain.pdf"}, {1, "", chain}},
        {{"merge", "-oout.pdf", "tree.pdf"}, {1, "", tree}},
        {{"split", "tree.pdf"}, {1, "", tree}},
        {{"info", "tree.pdf"}, {1, "", tree}},
        // Reading the file does not go down the chain.
        {{"info", "chain.pdf"}, {0, "chain.pdf: 1 pages, outline no, form no\n", ""}},
        {{"merge", "-olong-merged.pdf", "long.pdf"}, {0, "", "", " +long-merged.pdf"}},
        {{"split", "long.pdf"}, {0, "long_p1-1.pdf\n", "", " +long_p1-1.pdf"}},
        // Rows that would write one file, or over a source, are refused before anything is written.
        {{"split", "a.pdf", "1-2", "a.PDF", "1-2"},
         {1, "",
          "quire: Rows 1 and 2 (a.pdf pages 1-2 and a.PDF pages 1-2) would both be split into a_p1-2.pdf; nothing was "
          "written.\n"}},
        {{"split", "a.pdf", "1-2", "a_p1-2.pdf", "3-4"},
         {1, "",
          "quire: a_p1-2.pdf, the file row 1 would be split into, is a_p1-2.pdf, the source of row 2; nothing was "
          "written.\n"}},
        // Parts of N pages go into the folder asked for, named from the template.
        {{"split", "--every", "3", "--name", "{n}-{title}", "--folder", "folder", "a.pdf"},
         {0, "folder/1-a.pdf\nfolder/2-a.pdf\n", "", " +folder/1-a.pdf +folder/2-a.pdf"}},
        {{"split", "--folder", "nowhere", "a.pdf"},
         {1, "", "quire: The output folder nowhere does not exist; nothing was written.\n"}},
        {{"split", "--name", "{title}_{page}", "a.pdf"},
         {1, "",
          "quire: The name template \"{title}_{page}\" has an unknown field {page}; the fields are {title}, {begin}, "
          "{end}, {n} and {bookmark}; nothing was written.\n"}},
        // A split goes on after a failing file.
        {{"split", "locked.pdf", "b.pdf", "5-3", "a.pdf", "1-3"},
         {1, "a_p1-3.pdf\n",
          "quire: locked.pdf needs a password\nquire: b.pdf has no pages in the range 5-3 (it begins past the last "
          "page, 4); no file was written for it\n",
          " +a_p1-3.pdf"}},
        // A row without pages alone fails a split; the parts of the others are written.
        {{"split", "b.pdf", "4-2", "c.pdf", "1"},
         {1, "c_p1-1.pdf\n",
          "quire: b.pdf has no pages in the range 4-2 (it begins after it ends); no file was written for it\n",
          " +c_p1-1.pdf"}},
        {{"merge", "-omerged.pdf", "one.pdf", "two.pdf"},
         {0, "",
          "quire: note: form field renamed to keep it apart: T -> T+1\nquire: note: named destination renamed to keep "
          "it apart: top -> top-2\n",
          " +merged.pdf"}},
        // Layers of several files now share one layer panel; those of one file need no word.
        {{"merge", "-olayered.pdf", "layers1.pdf", "a.pdf", "layers2.pdf"},
         {0, "", "quire: note: 4 layers from 2 files were merged\n", " +layered.pdf"}},
        {{"merge", "-olayered1.pdf", "layers1.pdf", "a.pdf"}, {0, "", "", " +layered1.pdf"}},
        // Progress is shown on a terminal only.
        {{"merge", "-oshown.pdf", "a.pdf", "c.pdf"},
         {0, "",
          "\r\033[Kquire: merging 1 of 2: a.pdf\r\033[Kquire: merging 2 of 2: c.pdf\r\033[Kquire: writing "
          "shown.pdf\r\033[K",
          " +shown.pdf"},
         true},
        {{"split", "a.pdf", "2-3", "c.pdf", "3"},
         {0, "a_p2-3.pdf\nc_p3-3.pdf\n",
          "\r\033[Kquire: splitting 1 of 2: a.pdf\r\033[Kquire: writing a_p2-3.pdf\r\033[Kquire: splitting 2 of "
          "2: c.pdf\r\033[Kquire: writing c_p3-3.pdf\r\033[K",
          " +a_p2-3.pdf +c_p3-3.pdf"},
         true},
    };
    for (const auto& [args, outcome, bTerminal] : cases)
        EXPECT_EQ(Run(args, {.bStderrOnTerminal = bTerminal}), outcome) << ::testing::PrintToString(args);
    for (const char* written : {"long-merged.pdf", "long_p1-1.pdf"})
        ExpectSound(m_tmp.File(written), {"Chain page 1"});
}

TEST_F(QuireCliTest, MergeAndSplitCarryRangesBookmarksAndInformationAndBackUpWhatTheyReplace)
{
    Make("A.pdf", 10, true, {.info = {{"Title", "Source title"}, {"Subject", "Source subject"}}});
    Make("B.pdf", 4);
    Make("C.pdf", 6);
    const std::string out = m_tmp.File("out.pdf");
    WriteWholeFile(out, "the old output");
    ASSERT_EQ(Run({"merge", "-o", "out.pdf", "--title", "Annual report", "--author=Zoë Quill", "--subject", "Figures",
                   "--keywords=money, time", "A.pdf", "3-5", "--bookmark", "Typed", "B.pdf", "--bookmark",
                   "Report (final)", "C.pdf", "2-6"}),
              (Outcome {0, "", "", " ~out.pdf +out_<stamp>.pdf"}));
    // A's own outline wins over the typed text; a file without one gets one bookmark: the typed text,
    // or else the file title.
    ExpectSound(out, Pages({{"A", 3, 5}, {"B", 1, 4}, {"C", 2, 6}}),
                Strings {"A 3 -> 1", "A 4 -> 2", "A 5 -> 3", "Report final -> 4", "C -> 8"});
    EXPECT_EQ(Information(out),
              "Title=Annual report; Author=Zoë Quill; Subject=Figures; Keywords=money, time; "
              "Creator=Quire Binder; Producer=Quire Binder; ");

    // Without texts only the creator and producer are set: nothing of the source's own information.
    ASSERT_EQ(Run({"merge", "-obare.pdf", "A.pdf"}).status, 0);
    EXPECT_EQ(Information(m_tmp.File("bare.pdf")), "Creator=Quire Binder; Producer=Quire Binder; ");

    // A split writes each range beside its source, with the source's information and its outline trimmed.
    Make("seven/b.pdf", 7);
    Make("ten/b.pdf", 10);
    Make("Report.pdf", 10, true,
         {.info = {{"Title", "Handbook Ünïcødé"}, {"Author", "Ann"}, {"Creator", "Some editor"}}});
    const std::string p7 = m_tmp.File("seven/b_p1-7.pdf"), p10 = m_tmp.File("ten/b_p1-10.pdf");
    const std::string r35 = m_tmp.File("Report_p3-5.pdf");
    // The name carries the range after normalisation.
    ASSERT_EQ(Run({"split", "seven/b.pdf", "0-0", "ten/b.pdf", "1-12", "--bookmark", "", "Report.pdf", "3-5",
                   "--bookmark", "Typed"}),
              (Outcome {0, "seven/b_p1-7.pdf\nten/b_p1-10.pdf\nReport_p3-5.pdf\n", "",
                        " +Report_p3-5.pdf +seven/b_p1-7.pdf +ten/b_p1-10.pdf"}));
    // The file title is the bookmark of a file without an outline, unless "" asks for none; a file's
    // own outline, trimmed to the range and renumbered, wins over a typed text.
    ExpectSound(p7, Pages({{"b", 1, 7}}), Strings {"b -> 1"});
    ExpectSound(p10, Pages({{"b", 1, 10}}), Strings {});
    ExpectSound(r35, Pages({{"Report", 3, 5}}), Strings {"Report 3 -> 1", "Report 4 -> 2", "Report 5 -> 3"});
    // The source's information comes along, but the program is the creator.
    EXPECT_EQ(Information(r35), "Title=Handbook Ünïcødé; Author=Ann; Creator=Quire Binder; Producer=Quire Binder; ");

    // The same range again replaces the file after a backup copy of it, unless asked not to.
    Make("Report.pdf", 10);
    EXPECT_EQ(Run({"split", "Report.pdf", "3-5"}),
              (Outcome {0, "Report_p3-5.pdf\n", "", " ~Report_p3-5.pdf +Report_p3-5_<stamp>.pdf"}));
    Make("Report.pdf", 10, true);
    EXPECT_EQ(Run({"split", "--no-backup", "Report.pdf", "3-5"}),
              (Outcome {0, "Report_p3-5.pdf\n", "", " ~Report_p3-5.pdf"}));
}

TEST_F(QuireCliTest, InfoPrintsOneLineOrOneJsonObjectPerFileAndRefusesUnusableOnesInPlainWords)
{
    Make("plain.pdf", 2);
    Make("outlined.pdf", 3, true);
    Make("form.pdf", 1, false, {.fields = {{}}});
    Make("owner.pdf", 3, true, {.ownerPassword = "master"});
    WriteWholeFile(m_tmp.File("zero.pdf"), "");
    fx::WriteTruncatedPdf(m_tmp.File("truncated.pdf"));
    fx::WriteBrokenPageTreePdf(m_tmp.File("tree.pdf"));
    fs::create_directory(m_tmp.File("folder.pdf"));
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0); // opening it would block for ever
    // A password, a file that is no PDF, a damaged one and a missing one: the corpus sweep and the
    // usage and merge tests above.
    Outcome outcome = Run({"info", "plain.pdf", "outlined.pdf", "form.pdf", "owner.pdf", "zero.pdf", "truncated.pdf",
                           "tree.pdf", "folder.pdf", "fifo.pdf"});
    // The reason qpdf gives for the truncated file is its own.
    outcome.err = std::regex_replace(outcome.err, std::regex("(truncated.pdf is damaged beyond repair: ).*"), "$1");
    EXPECT_EQ(
        outcome,
        (Outcome {1,
                  "plain.pdf: 2 pages, outline no, form no\noutlined.pdf: 3 pages, outline yes, form no\nform.pdf: "
                  "1 pages, outline no, form yes\nowner.pdf: 3 pages, outline yes, form no, encrypted (AES-256)\n",
                  "quire: zero.pdf is not a PDF file\nquire: truncated.pdf is damaged beyond repair: \n"
                  "quire: tree.pdf is damaged beyond repair: page 2 is not a page object\n"
                  "quire: folder.pdf cannot be read: it is a folder\n"
                  "quire: fifo.pdf cannot be read: it is not a regular file\n"}));

    // --json: one valid array of one object a line, whatever the names hold.
    const std::string odd = "we\"ird\\name\nwith\ttabs\xff.pdf", missing = " cannot be read: No such file or directory";
    fx::WritePdf(m_tmp.File(odd), {.fields = {{}}, .info = {{"Title", "PDF Form Example"}, {"Keywords", "PDF Form"}}});
    fx::WriteDamagedPdf(m_tmp.File("bad.pdf"));
    const Outcome json = Run({"info", "--json", odd, "bad.pdf", "gone\xfe.pdf"});
    EXPECT_TRUE(nlohmann::json::accept(json.out)) << json.out;
    // A file that cannot be read gives its path and the sentence told on the error stream.
    const std::string sentence = json.err.substr(7, json.err.find('\n') - 7);
    EXPECT_TRUE(sentence.starts_with("bad.pdf is damaged beyond repair: ")) << sentence;
    // One object a line, its members in a fixed order, a space after each colon and comma; a byte that
    // is not UTF-8 becomes U+FFFD.
    const std::string first = R"({"path": "we\"ird\\name\nwith\ttabs)"
                              "\xEF\xBF\xBD.pdf"
                              R"(", "pages": 1, "outline": false, "form": true, "encrypted": false, "encryption": "", )"
                              R"("title": "PDF Form Example", "author": "", "subject": "", "keywords": "PDF Form"})";
    const auto error = [](const std::string& path, const std::string& text) {
        return R"({"path": ")" + path + R"(", "error": ")" + text + "\"}";
    };
    EXPECT_EQ(json,
              (Outcome {1,
                        "[\n  " + first + ",\n  " + error("bad.pdf", sentence) + ",\n  "
                            + error("gone\xEF\xBF\xBD.pdf", "gone\xEF\xBF\xBD.pdf" + missing) + "\n]\n",
                        "quire: " + sentence + "\nquire: gone\xfe.pdf" + missing + "\n"}));
}
