// SPDX-License-Identifier: Apache-2.0
// Layers (optional content) and outline actions that lead off the document, through merges and
// splits, read back with qpdf.
#include "tests/engine/EngineTestRows.h"

using namespace quire;
using namespace quire::fixtures;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

class OptionalContentTest : public JobTest
{
protected:
    // A.pdf: 3 pages, "A on" on page 1 and "A off" (hidden) on page 2, one radio group of both.
    // B.pdf: 2 pages under /BaseState /OFF, "B on" listed in /ON on page 1, "B off" on page 2.
    void SetUp() override
    {
        JobTest::SetUp();
        WritePdf(m_tmp.File("A.pdf"),
                 {.tag = "A", .pages = 3, .layers = {{"A on", 1}, {"A off", 2, true}}, .radioLayers = {{0, 1}}});
        WritePdf(m_tmp.File("B.pdf"),
                 {.tag = "B",
                  .pages = 2,
                  .layers = {{"B on", 1}, {"B off", 2, true}},
                  .layersBaseOff = true,
                  .radioLayers = {{0, 1}}});
        WritePdf(m_tmp.File("Plain.pdf"), {.tag = "P", .pages = 1});
        const std::vector<LayerDesc> two = {{"H0", 1}, {"H1", 2}};
        WritePdf(m_tmp.File("WrongTypes.pdf"),
                 {.tag = "W", .pages = 2, .layers = two, .layersText = "<< /OCGs 7 /D (x) >>"});
        WritePdf(m_tmp.File("Loops.pdf"),
                 {.tag = "L",
                  .pages = 2,
                  .layers = two,
                  .layersText = "<< /OCGs [G0 G1 P1 42 (s) G0] /D << /Order [G0 [(sub) G1 LOOP]] /OFF 5 "
                                "/RBGroups [3 [G0 G1]] /Locked /X >> >>"});
    }

    static std::string Summary(const LayersRead& read)
    {
        auto join = [](const std::vector<std::string>& items) {
            std::string text;
            for (const auto& item : items)
                text += (text.empty() ? "" : ", ") + item;
            return text;
        };
        if (!read.present)
            return "none; pages " + join(read.pageGroups);
        return "groups " + join(read.groups) + "; off " + join(read.off) + "; radio " + join(read.radio) + "; order "
            + read.order + "; pages " + join(read.pageGroups);
    }
};

TEST_F(OptionalContentTest, MergedLayersKeepTheirStateRadioGroupsAndPageReferences)
{
    struct Case
    {
        const char* label;
        std::vector<JobRow> rows;
        std::string layers;
        int merged;
        int files;
    };
    const Case cases[] = {
        {"two files, each listed under its row's title",
         {RowFor(m_tmp.File("A.pdf"), "1", "0", "Alpha"), RowFor(m_tmp.File("Plain.pdf")), RowFor(m_tmp.File("B.pdf"))},
         "groups A on, A off, B on, B off; off A off, B off; radio A on A off, B on B off; "
         "order [(Alpha) A on A off] [(B) B on B off]; pages A on, A off, , , B on, B off",
         4,
         2},
        {"one file's range: only the layers its pages use",
         {RowFor(m_tmp.File("A.pdf"), "2", "3"), RowFor(m_tmp.File("Plain.pdf"))},
         "groups A off; off A off; radio A off; order A off; pages A off, , ",
         1,
         1},
        {"a base state of OFF becomes an explicit list",
         {RowFor(m_tmp.File("B.pdf"))},
         "groups B on, B off; off B off; radio B on B off; order B on B off; pages B on, B off",
         2,
         1},
        {"no source with layers", {RowFor(m_tmp.File("Plain.pdf"))}, "none; pages ", 0, 0},
        // Hostile: values of the wrong type are passed over, a page in /OCGs is not copied as a group,
        // an /Order array that holds itself is read once.
        {"wrong types", {RowFor(m_tmp.File("WrongTypes.pdf"))}, "none; pages ?, ?", 0, 0},
        {"loops and strays",
         {RowFor(m_tmp.File("Loops.pdf"))},
         "groups H0, H1; off ; radio H0 H1; order H0 [(sub) H1 [H1]]; pages H0, H1",
         2,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const JobReport report = RunMerge(c.rows, Options());
        ASSERT_TRUE(report.ok) << Errors(report);
        EXPECT_TRUE(QpdfCheckPasses(m_tmp.File("out.pdf")));
        EXPECT_EQ(Summary(LayersOf(m_tmp.File("out.pdf"))), c.layers);
        EXPECT_EQ(std::pair(report.layersMerged, report.layerFiles), std::pair(c.merged, c.files));
    }
}

TEST_F(OptionalContentTest, SplitPartsKeepTheLayersTheirPagesUse)
{
    ASSERT_TRUE(RunSplit({RowFor(m_tmp.File("A.pdf"))}, Cut(SplitMode::EveryPages, 1, "{n}")).ok);
    EXPECT_EQ(Summary(LayersOf(m_tmp.File("1.pdf"))), "groups A on; off ; radio A on; order A on; pages A on");
    EXPECT_EQ(Summary(LayersOf(m_tmp.File("2.pdf"))), "groups A off; off A off; radio A off; order A off; pages A off");
    EXPECT_EQ(Summary(LayersOf(m_tmp.File("3.pdf"))), "none; pages ");
    // pdftotext draws what a viewer shows: the layer hidden in the source stays hidden in its part.
    EXPECT_THAT(PageTexts(m_tmp.File("1.pdf")), ElementsAre(testing::HasSubstr("A on layer")));
    EXPECT_THAT(PageTexts(m_tmp.File("2.pdf")), ElementsAre("A page 2"));
}

// Every kind of action off the document, on items without a page; "Page 3" is trimmed away.
std::vector<OutlineDesc> ActionOutline()
{
    return {Item("Next", 0, DestKind::Named),          Item("Remote", 0, DestKind::RemoteGoTo),
            Item("Run", 0, DestKind::Launch),          Item("Alert", 0, DestKind::Script),
            Item("Stream", 0, DestKind::ScriptStream), Item("Loop", 0, DestKind::ScriptLoop),
            Item("Huge", 0, DestKind::HugeScript),     Item("Page 3", 3)};
}

TEST_F(OptionalContentTest, OutlineActionsOffTheDocumentSurviveMergeAndSplit)
{
    WritePdf(m_tmp.File("Actions.pdf"), {.tag = "X", .pages = 3, .outline = ActionOutline()});
    const std::vector<std::string> kept = {
        "Next: << /N /NextPage /S /Named >>",
        "Remote: << /D [ 0 /Fit ] /F (other.pdf) /NewWindow true /S /GoToR >>",
        "Run: << /F << /F (run.sh) /Type /Filespec >> /S /Launch >>",
        "Alert: << /JS (app.alert\\(1\\);) /S /JavaScript >>",
        "Stream: << /JS (app.alert\\(2\\);) /S /JavaScript >>",
        "Loop: << /JS (go\\(\\);) /S /JavaScript >>",
        // A script too big to carry leaves a heading.
        "Huge: -",
    };
    const JobReport merged = RunMerge({RowFor(m_tmp.File("Actions.pdf"), "1", "2")}, Options());
    ASSERT_TRUE(merged.ok) << Errors(merged);
    ExpectSound(m_tmp.File("out.pdf"), Pages({{"X", 1, 2}}));
    EXPECT_THAT(OutlineActionsOf(m_tmp.File("out.pdf")), ElementsAreArray(kept));

    ASSERT_TRUE(RunSplit({RowFor(m_tmp.File("Actions.pdf"))}, Cut(SplitMode::EveryPages, 2, "part{n}")).ok);
    EXPECT_THAT(OutlineActionsOf(m_tmp.File("part1.pdf")), ElementsAreArray(kept));
    std::vector<std::string> second = kept;
    second.push_back("Page 3: -");
    EXPECT_THAT(OutlineActionsOf(m_tmp.File("part2.pdf")), ElementsAreArray(second));
}

} // namespace
