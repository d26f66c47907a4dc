// SPDX-License-Identifier: Apache-2.0
// Page labels and named destinations through merge and split; read back with qpdf's page label helper,
// pdfinfo -dests, and qpdf's outline and link readers.
#include "tests/engine/EngineTestRows.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

using namespace quire;
using namespace quire::fixtures;
using testing::HasSubstr;
using Strings = std::vector<std::string>;

using LabelsAndDestinationsTest = JobTest;

namespace {

// Makes an indirect object from PDF text in which "SELF" names the object itself.
QPDFObjectHandle SelfReferring(QPDF& pdf, const std::string& text)
{
    QPDFObjectHandle object = QPDFObjectHandle::newReserved(&pdf);
    std::string resolved = text;
    for (auto at = resolved.find("SELF"); at != std::string::npos; at = resolved.find("SELF"))
        resolved.replace(at, 4, object.unparse());
    pdf.replaceObject(object.getObjGen(), QPDFObjectHandle::parse(&pdf, resolved));
    return pdf.getObjectByObjGen(object.getObjGen());
}

// A file whose catalog gets /PageLabels `labels` and /Names << /Dests `dests` >>, each given as PDF
// text ("P1" stands for its first page), and /Dests `oldDests` when not empty.
PdfDesc WithTrees(const std::string& labels, const std::string& dests, const std::string& oldDests = "")
{
    PdfDesc desc;
    desc.finish = [=](QPDF& pdf) {
        QPDFObjectHandle first = pdf.getAllPages().at(0);
        const std::string page = first.unparse();
        const auto text = [&](std::string t) {
            for (auto at = t.find("P1"); at != std::string::npos; at = t.find("P1"))
                t.replace(at, 2, page);
            return t;
        };
        QPDFObjectHandle root = pdf.getRoot();
        root.replaceKey("/PageLabels", SelfReferring(pdf, text(labels)));
        QPDFObjectHandle names = QPDFObjectHandle::newDictionary();
        names.replaceKey("/Dests", SelfReferring(pdf, text(dests)));
        root.replaceKey("/Names", names);
        if (!oldDests.empty())
            root.replaceKey("/Dests", SelfReferring(pdf, text(oldDests)));
    };
    return desc;
}

} // namespace

TEST_F(LabelsAndDestinationsTest, MergedPagesShowTheLabelTheyHadAndUnlabelledRowsTheirPageNumber)
{
    const std::string front = Make("Front.pdf", 6, false, {.labels = {{1, "r"}, {4, "D"}}});
    const std::string appendix = Make("Appendix.pdf", 3, false, {.labels = {{1, "D", "A-", 5}}});
    const std::string plain = Make("Plain.pdf", 2);
    const std::string odd = Make("Odd.pdf", 2, false, {.labels = {{1, "Q", "X-"}, {2, "R", "", 0}}});
    const struct
    {
        const char* label;
        std::vector<JobRow> rows;
        Strings labels;
    } cases[] = {
        {"whole files, an unlabelled one between",
         {RowFor(front), RowFor(plain), RowFor(appendix)},
         {"i", "ii", "iii", "1", "2", "3", "7", "8", "A-5", "A-6", "A-7"}},
        {"ranges that start inside a label range",
         {RowFor(front, "2", "5"), RowFor(appendix, "2", "3")},
         {"ii", "iii", "1", "2", "A-6", "A-7"}},
        {"an unlabelled file first", {RowFor(plain), RowFor(front, "3", "4")}, {"1", "2", "iii", "1"}},
        {"no file with labels", {RowFor(plain), RowFor(plain)}, {}},
        // The invalid style goes and the prefix stays; a start below 1 counts from 1.
        {"an invalid style and start", {RowFor(odd)}, {"X-", "I"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const JobReport report = RunMerge(c.rows, Options());
        ASSERT_TRUE(report.ok) << Errors(report);
        EXPECT_TRUE(QpdfCheckPasses(m_tmp.File("out.pdf")));
        EXPECT_EQ(LabelsOf(m_tmp.File("out.pdf")), c.labels);
    }
}

TEST_F(LabelsAndDestinationsTest, NamedDestinationsComeAlongOnceEachAndClashingNamesAreRenamed)
{
    const std::string a
        = Make("One.pdf", 4, false,
               {.outline = {{.title = "Results", .page = 3, .kind = DestKind::NameTree, .kids = {}, .name = "results"}},
                .links = {{2, 3, DestKind::NameTree, "results"}, {3, 4, DestKind::OldDests, "old"}},
                .namedDests = {{"intro", 1}, {"results", 3}, {"old", 4, true}}});
    const std::string b = Make(
        "Two.pdf", 3, false,
        {.outline = {{.title = "Results again", .page = 3, .kind = DestKind::NameTree, .kids = {}, .name = "results"}},
         .links = {{1, 3, DestKind::NameTree, "results"}},
         .namedDests = {{"intro", 2}, {"intro-2", 1}, {"results", 3}}});
    const struct
    {
        const char* label;
        std::vector<JobRow> rows;
        Strings dests, renamed, links, outline;
    } cases[] = {
        // Two's own "intro-2" keeps its name, so its "intro" takes the next free one.
        {"whole files",
         {RowFor(a), RowFor(b)},
         {"intro -> 1", "intro-2 -> 5", "intro-3 -> 6", "old -> 4", "results -> 3", "results-2 -> 7"},
         {"intro -> intro-3", "results -> results-2"},
         {"2 -> 3 (results)", "3 -> 4 (old)", "5 -> 7 (results-2)"},
         {"Results -> 3", "Results again -> 7"}},
        // Destinations (and links) to pages left out go; with One's "intro" gone, Two's keeps its name.
        {"ranges",
         {RowFor(a, "2", "3"), RowFor(b, "1", "2")},
         {"intro -> 4", "intro-2 -> 3", "results -> 2"},
         {},
         {"1 -> 2 (results)"},
         {"Results -> 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const JobReport report = RunMerge(c.rows, Options());
        ASSERT_TRUE(report.ok) << Errors(report);
        const std::string out = m_tmp.File("out.pdf");
        EXPECT_TRUE(QpdfCheckPasses(out));
        EXPECT_EQ(DestsOf(out), c.dests);
        EXPECT_EQ(report.renamedDestinations, c.renamed);
        EXPECT_EQ(LinksOf(out), c.links);
        EXPECT_EQ(OutlineOf(out), c.outline);
    }

    // So many names that the output's tree has several leaves: a reader still finds every one.
    PdfDesc many;
    Strings expected;
    for (int i = 0; i < 600; ++i) {
        many.namedDests.push_back({"n" + std::to_string(1000 + i), 1 + i % 3});
        expected.push_back("n" + std::to_string(1000 + i) + " -> " + std::to_string(1 + i % 3));
    }
    ASSERT_TRUE(RunMerge({RowFor(Make("Many.pdf", 3, false, many))}, Options("many.pdf")).ok);
    EXPECT_EQ(DestsOf(m_tmp.File("many.pdf")), expected);
}

TEST_F(LabelsAndDestinationsTest, SplitPartsKeepTheLabelsAndDestinationsOfTheirPages)
{
    const std::string source
        = Make("S.pdf", 6, false, {.labels = {{1, "r"}, {3, "D"}}, .namedDests = {{"a", 1}, {"b", 3}, {"c", 6, true}}});
    const struct
    {
        const char* label;
        JobRow row;
        SplitOptions options;
        std::vector<std::tuple<std::string, Strings, Strings>> parts; // name, labels, destinations
    } cases[] = {
        {"one range",
         RowFor(source, "2", "5"),
         Cut(SplitMode::PageRange, 1),
         {{"S_p2-5.pdf", {"ii", "1", "2", "3"}, {"b -> 2"}}}},
        {"every 2 pages",
         RowFor(source),
         Cut(SplitMode::EveryPages, 2),
         {{"S_p1-2.pdf", {"i", "ii"}, {"a -> 1"}},
          {"S_p3-4.pdf", {"1", "2"}, {"b -> 1"}},
          {"S_p5-6.pdf", {"3", "4"}, {"c -> 2"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const JobReport report = RunSplit({c.row}, c.options);
        ASSERT_TRUE(report.ok) << Errors(report);
        EXPECT_TRUE(report.renamedDestinations.empty());
        for (const auto& [name, labels, dests] : c.parts) {
            SCOPED_TRACE(name);
            EXPECT_EQ(LabelsOf(m_tmp.File(name)), labels);
            EXPECT_EQ(DestsOf(m_tmp.File(name)), dests);
        }
    }
}

TEST_F(LabelsAndDestinationsTest, LoopingOrMistypedTreesCostOnlyWhatCannotBeRead)
{
    const struct
    {
        const char* label;
        PdfDesc desc;
        Strings labels, dests;
        bool noted;
    } cases[] = {
        {"trees whose nodes are their own kids",
         WithTrees("<< /Nums [0 << /S /r >>] /Kids [SELF] >>", "<< /Names [(a) [P1 /Fit]] /Kids [SELF SELF] >>"),
         {"i", "ii"},
         {"a -> 1"},
         true},
        {"wrong types everywhere",
         WithTrees("<< /Nums (0 << /S /r >>) /Kids 3 >>", "7", "(not a dictionary)"),
         {},
         {},
         true},
        {"keys and values of the wrong type, an odd count",
         WithTrees("<< /Nums [(zero) << /S /r >> 1 /R 1 << /S /A >> 0] >>", "<< /Names [/a [P1 /Fit] (b) 4 (c)] >>"),
         {"1", "A"},
         {},
         true},
        {"a destination naming itself",
         WithTrees("<< /Nums [] >>", "<< /Names [(a) (a) (b) (a)] >>", "<< /c /c >>"),
         {},
         {},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string source = Make("Bad.pdf", 2, false, c.desc);
        const JobReport report = RunMerge({RowFor(source)}, Options());
        ASSERT_TRUE(report.ok) << Errors(report);
        ExpectSound(m_tmp.File("out.pdf"), Pages({{"Bad", 1, 2}}));
        EXPECT_EQ(LabelsOf(m_tmp.File("out.pdf")), c.labels);
        EXPECT_EQ(DestsOf(m_tmp.File("out.pdf")), c.dests);
        if (c.noted)
            EXPECT_THAT(report.notes, testing::Contains(HasSubstr("are damaged")));
        else
            EXPECT_TRUE(report.notes.empty());
    }
}
