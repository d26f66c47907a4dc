// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogConvert.h"

#include "controls/CBusyProgressCtrl.h"
#include "tests/app/AppFixture.h"

#include <functional>
#include <map>

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
// row: every page of `path` on a row of its own, so that each row of a split writes its own file.
std::vector<quire::JobRow> PageRows(const std::string& path, int nPages)
{
    std::vector<quire::JobRow> rows;
    for (int i = 1; i <= nPages; ++i)
        rows.push_back(Row(path, nPages, i, i));
    return rows;
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

class DialogConvertTest : public AppFixture
{
protected:
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
};

TEST_F(DialogConvertTest, ShouldShowEveryTickedRowAndOpenTheLastFileWrittenOnlyWhenAskedWithExactlyOne)
{
    const std::string a = MakePdf("a.pdf", 3);
    const std::string b = MakePdf("b.pdf", 4);
    quire::JobRow unchecked = Row(b, 4, 2, 3);
    unchecked.bChecked = false;
    const std::vector<quire::JobRow> rows = {Row(a, 3, 2, 3), unchecked, Row(b, 4, 1, 1)};
    using Pages = std::vector<std::string>;
    struct Case
    {
        std::string output; // empty: a split
        int nOpenResult;
        std::map<std::string, Pages> written;
        std::string opened;
    };
    const Pages merged = {"a page 2", "a page 3", "b page 1"};
    const Case cases[] = {
        {"out1.pdf", 1, {{"out1.pdf", merged}}, "out1.pdf"},
        {"out0.pdf", 0, {{"out0.pdf", merged}}, ""},
        {"out2.pdf", 2, {{"out2.pdf", merged}}, ""},
        {"out-1.pdf", -1, {{"out-1.pdf", merged}}, ""},
        {"",
         1,
         {{"a_p2-3.pdf", {"a page 2", "a page 3"}}, {"b_p1-1.pdf", {"b page 1"}}, {"b_p2-3.pdf", {}}},
         "b_p1-1.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output + " " + std::to_string(c.nOpenResult));
        const DialogRun run = Run(Job(rows, c.output.empty() ? "" : m_tmp.File(c.output), c.nOpenResult));

        EXPECT_FALSE(run.bVisibleAfter);
        EXPECT_TRUE(run.report.ok);
        EXPECT_EQ(run.opened, c.opened.empty() ? QStringList {} : QStringList {Q(m_tmp.File(c.opened))});
        EXPECT_EQ(run.messages, QStringList {});
        const QString working = c.output.empty() ? QStringLiteral("Splitting your PDF files, please wait a moment...")
                                                 : QStringLiteral("Merging your PDF files, please wait a moment...");
        const QString finished
            = c.output.empty() ? QStringLiteral("Splitting Finished.") : QStringLiteral("Merging Finished.");
        EXPECT_EQ(run.statuses,
                  (QStringList {working, working + "\n1 of 2: a.pdf", working + "\n2 of 2: b.pdf", finished}));
        for (const auto& [name, pages] : c.written)
            EXPECT_EQ(fx::PageTexts(m_tmp.File(name)), pages) << name;
    }
}

TEST_F(DialogConvertTest, ShouldTellOnceWhatWentWrongAndKeepWhatWasThere)
{
    const std::string a = MakePdf("a.pdf", 2);
    const std::string worn = m_tmp.File("worn.pdf");
    fx::WriteRepairablePdf(worn, "W", 2);
    const std::string bad = m_tmp.File("minutes.pdf");
    fx::WriteNotPdf(bad);
    const std::string gone = m_tmp.File("gone.pdf");
    const std::string kept = m_tmp.File("kept.pdf");
    WriteWholeFile(kept, "the previous output");
    struct Case
    {
        ConvertJob job;
        bool bOk;
        std::vector<std::string> message;
        std::string opened;
    };
    const Case cases[] = {
        // A source that had to be repaired is named afterwards; the merge itself succeeds.
        {Job({Row(a, 2, 1, 1), Row(worn, 2, 1, 2)}, m_tmp.File("joined.pdf")),
         true,
         {"repaired", worn},
         m_tmp.File("joined.pdf")},
        {Job({Row(a, 2, 1, 2), Row(bad, 1, 1, 1)}, kept), false, {bad, "not a PDF file"}, ""},
        // A split keeps its good files.
        {Job({Row(gone, 2, 1, 2), Row(a, 2, 2, 1), Row(a, 2, 1, 1)}),
         false,
         {"Some PDF files could not be split; 1 file was written.", gone, a + " has no pages in the range 2-1"},
         m_tmp.File("a_p1-1.pdf")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.front());
        const DialogRun run = Run(c.job);
        EXPECT_EQ(run.report.ok, c.bOk);
        ASSERT_EQ(run.messages.size(), 1);
        for (const std::string& part : c.message)
            EXPECT_TRUE(run.messages[0].contains(Q(part))) << run.messages[0].toStdString();
        EXPECT_EQ(run.opened, c.opened.empty() ? QStringList {} : QStringList {Q(c.opened)});
    }
    EXPECT_EQ(ReadWholeFile(kept), "the previous output");
}

TEST_F(DialogConvertTest, ShouldIgnoreEnterEscapeAndCloseButStopOnRequest)
{
    const std::string a = MakePdf("a.pdf", 1000);
    const std::vector<quire::JobRow> rows = PageRows(a, 1000);
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

    const DialogRun run = Run(Job(rows, out), StopAtSecondRow(bStopped, keys));

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
    const DialogRun next = Run(Job({rows.begin(), rows.begin() + 3}, out));
    EXPECT_TRUE(next.report.ok);
    EXPECT_EQ(fx::PdfInfo(out)["Pages"], "3");

    // A stopped split keeps the files it finished, and opens nothing.
    bStopped = false;
    const DialogRun split = Run(Job(rows), StopAtSecondRow(bStopped));
    ASSERT_TRUE(bStopped);
    EXPECT_TRUE(split.report.stopped);
    EXPECT_LT(split.report.filesWritten.size(), 1000u);
    EXPECT_TRUE(fx::QpdfCheckPasses(m_tmp.File("a_p1-1.pdf")));
    EXPECT_EQ(split.opened, QStringList {});
    EXPECT_EQ(split.messages, QStringList {});
}

} // namespace
