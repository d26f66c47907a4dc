// SPDX-License-Identifier: Apache-2.0
#include "CDialogConvert.h"

#include "CBusyProgressCtrl.h"
#include "CMessageBox.h"
#include "CShell.h"
#include "PdfFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>

namespace fx = quire::fixtures;

namespace {

quire::JobRow Row(const std::string& path, int nPages, int nBegin, int nEnd, const std::string& szBookmark = "")
{
    quire::JobRow row;
    row.szFilePath = path;
    row.szBookmark = szBookmark;
    row.szPages = std::to_string(nPages);
    row.szBeginPage = std::to_string(nBegin);
    row.szEndPage = std::to_string(nEnd);
    return row;
}

// What one modal run of the dialog showed and did.
struct DialogRun
{
    int nResult = 0;
    bool bVisibleAfter = true;
    QStringList statuses; // every status text, in order
    QString szFinalText;
    quire::JobReport report;
    QStringList opened; // what the shell was asked to open
    QStringList messages; // message boxes shown
};

using StatusHook = std::function<void(CDialogConvert&, const QString&)>;

class DialogConvertTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        CShell::SetTestMode(true);
        CMessageBox::SetTestMode(true);
    }

    void TearDown() override
    {
        CShell::SetTestMode(false);
        CMessageBox::SetTestMode(false);
    }

    std::string Fixture(const std::string& name, const std::string& tag, int nPages)
    {
        fx::PdfSpec desc;
        desc.tag = tag;
        desc.pages = nPages;
        const std::string path = m_tmp.File(name);
        fx::WritePdf(path, desc);
        return path;
    }

    ConvertJob MergeJob(std::vector<quire::JobRow> rows, const std::string& output, int nOpenResult = 1)
    {
        ConvertJob job;
        job.nMode = 1;
        job.rows = std::move(rows);
        job.szOutputPath = output;
        job.nAutoBackup = 0;
        job.nOpenResult = nOpenResult;
        return job;
    }

    ConvertJob SplitJob(std::vector<quire::JobRow> rows, int nOpenResult = 1)
    {
        ConvertJob job;
        job.nMode = 0;
        job.rows = std::move(rows);
        job.nAutoBackup = 0;
        job.nOpenResult = nOpenResult;
        return job;
    }

    static DialogRun Run(ConvertJob job, const StatusHook& hook = {})
    {
        DialogRun run;
        {
            CDialogConvert dialog(std::move(job));
            QObject::connect(&dialog, &CDialogConvert::statusTextChanged, [&](const QString& text) {
                run.statuses << text;
                if (hook)
                    hook(dialog, text);
            });
            run.nResult = dialog.exec();
            run.bVisibleAfter = dialog.isVisible();
            run.szFinalText = dialog.StatusText();
            run.report = dialog.GetReport();
        }
        run.opened = CShell::TakeOpened();
        run.messages = CMessageBox::TakeShownTexts();
        return run;
    }

    static QString Q(const std::string& path) { return QString::fromStdString(path); }
};

TEST_F(DialogConvertTest, ShouldMergeShowProgressAndOpenTheOutput)
{
    const std::string a = Fixture("a.pdf", "A", 3);
    const std::string b = Fixture("b.pdf", "B", 2);
    const std::string out = m_tmp.File("joined.pdf");
    const DialogRun run = Run(MergeJob({Row(a, 3, 2, 3), Row(b, 2, 1, 2)}, out));

    EXPECT_EQ(run.nResult, 1);
    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_TRUE(run.report.ok);
    EXPECT_EQ(run.opened, QStringList {Q(out)});
    EXPECT_EQ(run.messages, QStringList {});

    const QString working = QStringLiteral("Merging your PDF files, please wait a moment...");
    EXPECT_EQ(run.statuses,
              (QStringList {working, working + "\n1 of 2: a.pdf", working + "\n2 of 2: b.pdf", "Merging Finished."}));
    EXPECT_EQ(run.szFinalText, "Merging Finished.");

    EXPECT_TRUE(fx::QpdfCheckPasses(out));
    EXPECT_EQ(fx::PageTexts(out), (std::vector<std::string> {"A page 2", "A page 3", "B page 1", "B page 2"}));
}

TEST_F(DialogConvertTest, ShouldOpenTheResultOnlyWhenAskedWithExactlyOne)
{
    const std::string a = Fixture("a.pdf", "A", 1);
    const std::string b = Fixture("b.pdf", "B", 1);
    for (int nOpenResult : {0, 2, -1}) {
        SCOPED_TRACE(nOpenResult);
        const std::string out = m_tmp.File("out" + std::to_string(nOpenResult + 1) + ".pdf");
        const DialogRun run = Run(MergeJob({Row(a, 1, 1, 1), Row(b, 1, 1, 1)}, out, nOpenResult));
        EXPECT_TRUE(run.report.ok);
        EXPECT_TRUE(std::filesystem::exists(out));
        EXPECT_EQ(run.opened, QStringList {});
    }
}

TEST_F(DialogConvertTest, ShouldSplitBesideTheSourcesAndOpenTheLastFileWritten)
{
    const std::string a = Fixture("a.pdf", "A", 3);
    const std::string b = Fixture("b.pdf", "B", 4);
    quire::JobRow unchecked = Row(b, 4, 1, 1);
    unchecked.bChecked = false;

    const DialogRun run = Run(SplitJob({Row(a, 3, 1, 2), unchecked, Row(b, 4, 2, 3)}));

    const std::string a12 = m_tmp.File("a_p1-2.pdf");
    const std::string b23 = m_tmp.File("b_p2-3.pdf");
    EXPECT_EQ(run.nResult, 1);
    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_TRUE(run.report.ok);
    EXPECT_EQ(run.opened, QStringList {Q(b23)});
    EXPECT_EQ(run.messages, QStringList {});
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("b_p1-1.pdf"))) << "an unchecked row writes nothing";

    const QString working = QStringLiteral("Splitting your PDF files, please wait a moment...");
    EXPECT_TRUE(run.statuses.contains(working + "\n2 of 2: b.pdf")) << run.statuses.join('|').toStdString();
    EXPECT_EQ(run.szFinalText, "Splitting Finished.");

    EXPECT_TRUE(fx::QpdfCheckPasses(a12));
    EXPECT_TRUE(fx::QpdfCheckPasses(b23));
    EXPECT_EQ(fx::PageTexts(b23), (std::vector<std::string> {"B page 2", "B page 3"}));
}

TEST_F(DialogConvertTest, ShouldCloseAndTellOnceWhichSourceFailedTheMerge)
{
    const std::string a = Fixture("a.pdf", "A", 2);
    const std::string bad = m_tmp.File("minutes.pdf");
    fx::WriteNotPdf(bad);
    const std::string out = m_tmp.File("joined.pdf");
    WriteWholeFile(out, "the previous output");

    const DialogRun run = Run(MergeJob({Row(a, 2, 1, 2), Row(bad, 1, 1, 1)}, out));

    EXPECT_EQ(run.nResult, 1);
    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_FALSE(run.report.ok);
    ASSERT_EQ(run.messages.size(), 1);
    EXPECT_TRUE(run.messages[0].contains(Q(bad))) << run.messages[0].toStdString();
    EXPECT_TRUE(run.messages[0].contains("not a PDF file")) << run.messages[0].toStdString();
    EXPECT_EQ(run.opened, QStringList {});
    EXPECT_EQ(ReadWholeFile(out), "the previous output");
    EXPECT_NE(run.szFinalText, "Merging Finished.");
}

TEST_F(DialogConvertTest, ShouldKeepTheGoodFilesOfASplitAndNameTheFailedRows)
{
    const std::string a = Fixture("a.pdf", "A", 2);
    const std::string gone = m_tmp.File("gone.pdf");
    const DialogRun run = Run(SplitJob({Row(gone, 2, 1, 2), Row(a, 2, 2, 1), Row(a, 2, 1, 1)}));

    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_FALSE(run.report.ok);
    ASSERT_EQ(run.messages.size(), 1);
    const QString& message = run.messages[0];
    EXPECT_TRUE(message.startsWith("Some PDF files could not be split; 1 file was written.")) << message.toStdString();
    EXPECT_TRUE(message.contains(Q(gone))) << message.toStdString();
    EXPECT_TRUE(message.contains(Q(a) + " has no pages in the range 2-1")) << message.toStdString();
    const std::string a11 = m_tmp.File("a_p1-1.pdf");
    EXPECT_TRUE(fx::QpdfCheckPasses(a11));
    EXPECT_EQ(run.opened, QStringList {Q(a11)});
}

TEST_F(DialogConvertTest, ShouldTellOfRepairedInputsAfterASuccessfulMerge)
{
    const std::string a = Fixture("a.pdf", "A", 1);
    const std::string worn = m_tmp.File("worn.pdf");
    fx::WriteRepairablePdf(worn, "W", 2);
    const std::string out = m_tmp.File("joined.pdf");

    const DialogRun run = Run(MergeJob({Row(a, 1, 1, 1), Row(worn, 2, 1, 2)}, out));

    EXPECT_TRUE(run.report.ok);
    EXPECT_EQ(run.opened, QStringList {Q(out)});
    ASSERT_EQ(run.messages.size(), 1);
    EXPECT_TRUE(run.messages[0].contains("repaired")) << run.messages[0].toStdString();
    EXPECT_TRUE(run.messages[0].contains(Q(worn))) << run.messages[0].toStdString();
    EXPECT_EQ(fx::PdfInfo(out)["Pages"], "3");
}

// A job long enough to still be running when the dialog handles the progress line of its second
// row: one small source taken many times.
std::vector<quire::JobRow> ManyRows(const std::string& path, int nCount)
{
    return std::vector<quire::JobRow>(std::size_t(nCount), Row(path, 1, 1, 1));
}

TEST_F(DialogConvertTest, ShouldIgnoreEnterEscapeAndCloseAndStopOnRequest)
{
    const std::string a = Fixture("a.pdf", "A", 1);
    const std::string out = m_tmp.File("joined.pdf");
    bool bStopped = false;
    std::vector<bool> visibleAfterKeys;
    bool bAnimating = false;
    CDialogConvert* pRunning = nullptr;

    const DialogRun run = Run(MergeJob(ManyRows(a, 1000), out), [&](CDialogConvert& dialog, const QString& text) {
        if (bStopped || !text.endsWith(": a.pdf") || !text.contains("\n2 of "))
            return;
        pRunning = pDialog;
        bAnimating = dialog.BusyCtrl().IsRunning();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        visibleAfterKeys.push_back(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Return);
        visibleAfterKeys.push_back(dialog.isVisible());
        dialog.close();
        visibleAfterKeys.push_back(dialog.isVisible());
        // A repaint during the job must not start a second worker.
        dialog.repaint();
        auto* pStop = dialog.findChild<QPushButton*>("IDC_BUTTON_STOP");
        ASSERT_NE(pStop, nullptr);
        QTest::mouseClick(pStop, Qt::LeftButton);
        bStopped = true;
    });

    ASSERT_TRUE(bStopped) << "the job ended before its second row was shown";
    EXPECT_EQ(visibleAfterKeys, (std::vector<bool> {true, true, true}));
    EXPECT_TRUE(bAnimating) << "the busy indicator animates while the job runs";
    EXPECT_NE(pRunning, nullptr);
    EXPECT_EQ(run.nResult, 1);
    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_TRUE(run.report.stopped);
    EXPECT_LT(run.report.rowsTaken.size(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(out)) << "a stopped merge writes nothing";
    EXPECT_EQ(run.opened, QStringList {});
    EXPECT_EQ(run.messages, QStringList {});

    // The next job gets a fresh stop flag and runs to its end.
    const DialogRun next = Run(MergeJob(ManyRows(a, 3), out));
    EXPECT_TRUE(next.report.ok);
    EXPECT_FALSE(next.report.stopped);
    EXPECT_EQ(fx::PdfInfo(out)["Pages"], "3");
}

TEST_F(DialogConvertTest, ShouldKeepTheFinishedFilesOfAStoppedSplit)
{
    const std::string a = Fixture("a.pdf", "A", 1);
    bool bStopped = false;
    const DialogRun run = Run(SplitJob(ManyRows(a, 1000)), [&](CDialogConvert& dialog, const QString& text) {
        if (bStopped || !text.contains("\n2 of "))
            return;
        auto* pStop = dialog.findChild<QPushButton*>("IDC_BUTTON_STOP");
        ASSERT_NE(pStop, nullptr);
        QTest::mouseClick(pStop, Qt::LeftButton);
        bStopped = true;
    });

    ASSERT_TRUE(bStopped);
    EXPECT_TRUE(run.report.stopped);
    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_GE(run.report.filesWritten.size(), 1u);
    EXPECT_LT(run.report.filesWritten.size(), 1000u);
    EXPECT_TRUE(fx::QpdfCheckPasses(m_tmp.File("a_p1-1.pdf")));
    EXPECT_EQ(run.opened, QStringList {}) << "a stopped job opens nothing";
    EXPECT_EQ(run.messages, QStringList {});
}

TEST_F(DialogConvertTest, ShouldConfigureTheBusyIndicatorAsTwentyBlocksOneLit)
{
    const std::string a = Fixture("a.pdf", "A", 1);
    QImage frame;
    Run(MergeJob({Row(a, 1, 1, 1), Row(a, 1, 1, 1)}, m_tmp.File("out.pdf")),
        [&](CDialogConvert& dialog, const QString& text) {
            if (frame.isNull() && text.startsWith("Merging your"))
                frame = dialog.BusyCtrl().grab().toImage();
        });
    ASSERT_FALSE(frame.isNull());
    // Count the lit blocks along the middle row: exactly one stretch of the lit face colour, one
    // twentieth of the bar wide.
    const QColor lit(190, 220, 255);
    int nLitPixels = 0;
    int nStretches = 0;
    bool bInLit = false;
    for (int x = 0; x < frame.width(); ++x) {
        const bool bLit = frame.pixelColor(x, frame.height() / 2) == lit;
        nLitPixels += bLit ? 1 : 0;
        nStretches += bLit && !bInLit ? 1 : 0;
        bInLit = bLit;
    }
    EXPECT_EQ(nStretches, 1);
    // Blocks are (width - 20) / 20 pixels wide; the lit face fills one without its edges, give or
    // take the pixel that the fractional block widths move.
    const double dBlockWidth = (frame.width() - 20) / 20.0;
    EXPECT_NEAR(nLitPixels, dBlockWidth - 2, 1.0);
}

} // namespace
