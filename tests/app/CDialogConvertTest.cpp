// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogConvert.h"

#include "app/CMessageBox.h"
#include "app/CShell.h"
#include "controls/CBusyProgressCtrl.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>

namespace fx = quire::fixtures;

namespace {

quire::JobRow Row(const std::string& path, int nPages, int nBegin, int nEnd)
{
    quire::JobRow row;
    row.szFilePath = path;
    row.szPages = std::to_string(nPages);
    row.szBeginPage = std::to_string(nBegin);
    row.szEndPage = std::to_string(nEnd);
    return row;
}

// A job long enough to still be running when the dialog handles the progress line of its second
// row: one small source taken many times.
std::vector<quire::JobRow> ManyRows(const std::string& path, int nCount)
{
    return std::vector<quire::JobRow>(std::size_t(nCount), Row(path, 1, 1, 1));
}

// What one modal run of the dialog showed and did.
struct DialogRun
{
    bool bVisibleAfter = true;
    QStringList statuses; // every status text, in order
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

    // A merge when given an output, else a split.
    static ConvertJob Job(std::vector<quire::JobRow> rows, const std::string& output = "", int nOpenResult = 1)
    {
        ConvertJob job;
        job.nMode = output.empty() ? 0 : 1;
        job.rows = std::move(rows);
        job.szOutputPath = output;
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
            dialog.exec();
            run.bVisibleAfter = dialog.isVisible();
            run.report = dialog.GetReport();
        }
        run.opened = CShell::TakeOpened();
        run.messages = CMessageBox::TakeShownTexts();
        return run;
    }

    // Clicks Stop once the dialog shows the second row of the job, after `before` has had its look.
    static StatusHook StopAtSecondRow(bool& bStopped, const StatusHook& before = {})
    {
        return [&bStopped, before](CDialogConvert& dialog, const QString& text) {
            if (bStopped || !text.endsWith(": a.pdf") || !text.contains("\n2 of "))
                return;
            if (before)
                before(dialog, text);
            auto* pStop = dialog.findChild<QPushButton*>("IDC_BUTTON_STOP");
            ASSERT_NE(pStop, nullptr);
            QTest::mouseClick(pStop, Qt::LeftButton);
            bStopped = true;
        };
    }

    static QString Q(const std::string& path) { return QString::fromStdString(path); }
};

TEST_F(DialogConvertTest, ShouldMergeShowProgressAndOpenTheOutputOnlyWhenAskedWithExactlyOne)
{
    const std::string a = Fixture("a.pdf", "A", 3);
    const std::string b = Fixture("b.pdf", "B", 2);
    for (int nOpenResult : {1, 0, 2, -1}) {
        SCOPED_TRACE(nOpenResult);
        const std::string out = m_tmp.File("out" + std::to_string(nOpenResult + 1) + ".pdf");
        const DialogRun run = Run(Job({Row(a, 3, 2, 3), Row(b, 2, 1, 2)}, out, nOpenResult));

        EXPECT_FALSE(run.bVisibleAfter);
        EXPECT_TRUE(run.report.ok);
        EXPECT_EQ(run.opened, nOpenResult == 1 ? QStringList {Q(out)} : QStringList {});
        EXPECT_EQ(run.messages, QStringList {});
        const QString working = QStringLiteral("Merging your PDF files, please wait a moment...");
        EXPECT_EQ(
            run.statuses,
            (QStringList {working, working + "\n1 of 2: a.pdf", working + "\n2 of 2: b.pdf", "Merging Finished."}));
        EXPECT_EQ(run.statuses.last(), "Merging Finished.");
        EXPECT_EQ(fx::PageTexts(out), (std::vector<std::string> {"A page 2", "A page 3", "B page 1", "B page 2"}));
    }

    // A source that had to be repaired is named afterwards; the merge itself succeeds.
    const std::string worn = m_tmp.File("worn.pdf");
    fx::WriteRepairablePdf(worn, "W", 2);
    const DialogRun repaired = Run(Job({Row(a, 3, 1, 1), Row(worn, 2, 1, 2)}, m_tmp.File("joined.pdf")));
    EXPECT_TRUE(repaired.report.ok);
    ASSERT_EQ(repaired.messages.size(), 1);
    EXPECT_TRUE(repaired.messages[0].contains("repaired")) << repaired.messages[0].toStdString();
    EXPECT_TRUE(repaired.messages[0].contains(Q(worn))) << repaired.messages[0].toStdString();
}

TEST_F(DialogConvertTest, ShouldSplitBesideTheSourcesAndOpenTheLastFileWritten)
{
    const std::string a = Fixture("a.pdf", "A", 3);
    const std::string b = Fixture("b.pdf", "B", 4);
    quire::JobRow unchecked = Row(b, 4, 1, 1);
    unchecked.bChecked = false;

    const DialogRun run = Run(Job({Row(a, 3, 1, 2), unchecked, Row(b, 4, 2, 3)}));

    const std::string b23 = m_tmp.File("b_p2-3.pdf");
    EXPECT_TRUE(run.report.ok);
    EXPECT_EQ(run.opened, QStringList {Q(b23)});
    EXPECT_EQ(run.messages, QStringList {});
    EXPECT_FALSE(std::filesystem::exists(m_tmp.File("b_p1-1.pdf"))) << "an unchecked row writes nothing";
    const QString working = QStringLiteral("Splitting your PDF files, please wait a moment...");
    EXPECT_TRUE(run.statuses.contains(working + "\n2 of 2: b.pdf")) << run.statuses.join('|').toStdString();
    EXPECT_EQ(run.statuses.last(), "Splitting Finished.");
    EXPECT_TRUE(std::filesystem::exists(m_tmp.File("a_p1-2.pdf")));
    EXPECT_EQ(fx::PageTexts(b23), (std::vector<std::string> {"B page 2", "B page 3"}));
}

TEST_F(DialogConvertTest, ShouldCloseAndTellOnceWhichSourceFailedTheMerge)
{
    const std::string a = Fixture("a.pdf", "A", 2);
    const std::string bad = m_tmp.File("minutes.pdf");
    fx::WriteNotPdf(bad);
    const std::string out = m_tmp.File("joined.pdf");
    WriteWholeFile(out, "the previous output");

    const DialogRun run = Run(Job({Row(a, 2, 1, 2), Row(bad, 1, 1, 1)}, out));

    EXPECT_FALSE(run.report.ok);
    ASSERT_EQ(run.messages.size(), 1);
    EXPECT_TRUE(run.messages[0].contains(Q(bad))) << run.messages[0].toStdString();
    EXPECT_TRUE(run.messages[0].contains("not a PDF file")) << run.messages[0].toStdString();
    EXPECT_EQ(run.opened, QStringList {});
    EXPECT_EQ(ReadWholeFile(out), "the previous output");
}

TEST_F(DialogConvertTest, ShouldKeepTheGoodFilesOfASplitAndNameTheFailedRows)
{
    const std::string a = Fixture("a.pdf", "A", 2);
    const std::string gone = m_tmp.File("gone.pdf");
    const DialogRun run = Run(Job({Row(gone, 2, 1, 2), Row(a, 2, 2, 1), Row(a, 2, 1, 1)}));

    EXPECT_FALSE(run.report.ok);
    ASSERT_EQ(run.messages.size(), 1);
    const QString& message = run.messages[0];
    EXPECT_TRUE(message.startsWith("Some PDF files could not be split; 1 file was written.")) << message.toStdString();
    EXPECT_TRUE(message.contains(Q(gone))) << message.toStdString();
    EXPECT_TRUE(message.contains(Q(a) + " has no pages in the range 2-1")) << message.toStdString();
    EXPECT_EQ(run.opened, QStringList {Q(m_tmp.File("a_p1-1.pdf"))});
}

TEST_F(DialogConvertTest, ShouldIgnoreEnterEscapeAndCloseButStopOnRequest)
{
    const std::string a = Fixture("a.pdf", "A", 1);
    const std::string out = m_tmp.File("joined.pdf");
    bool bStopped = false;
    bool bStayedVisible = true;
    bool bAnimating = false;
    bool bPublished = false;
    const auto keys = [&](CDialogConvert& dialog, const QString&) {
        bPublished = pDialog == &dialog;
        bAnimating = dialog.BusyCtrl().IsRunning();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        bStayedVisible &= dialog.isVisible();
        QTest::keyClick(&dialog, Qt::Key_Return);
        bStayedVisible &= dialog.isVisible();
        dialog.close();
        bStayedVisible &= dialog.isVisible();
        // A repaint during the job must not start a second worker.
        dialog.repaint();
    };

    const DialogRun run = Run(Job(ManyRows(a, 1000), out), StopAtSecondRow(bStopped, keys));

    ASSERT_TRUE(bStopped) << "the job ended before its second row was shown";
    EXPECT_TRUE(bStayedVisible) << "Enter, Escape and close do nothing while the job runs";
    EXPECT_TRUE(bAnimating) << "the busy indicator animates while the job runs";
    EXPECT_TRUE(bPublished) << "the workers find the running dialog";
    EXPECT_FALSE(run.bVisibleAfter);
    EXPECT_TRUE(run.report.stopped);
    EXPECT_LT(run.report.rowsTaken.size(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(out)) << "a stopped merge writes nothing";
    EXPECT_EQ(run.opened, QStringList {});
    EXPECT_EQ(run.messages, QStringList {});

    // The next job gets a fresh stop flag and runs to its end.
    const DialogRun next = Run(Job(ManyRows(a, 3), out));
    EXPECT_TRUE(next.report.ok);
    EXPECT_EQ(fx::PdfInfo(out)["Pages"], "3");

    // A stopped split keeps the files it finished, and opens nothing.
    bStopped = false;
    const DialogRun split = Run(Job(ManyRows(a, 1000)), StopAtSecondRow(bStopped));
    ASSERT_TRUE(bStopped);
    EXPECT_TRUE(split.report.stopped);
    EXPECT_LT(split.report.filesWritten.size(), 1000u);
    EXPECT_TRUE(fx::QpdfCheckPasses(m_tmp.File("a_p1-1.pdf")));
    EXPECT_EQ(split.opened, QStringList {});
    EXPECT_EQ(split.messages, QStringList {});
}

} // namespace
