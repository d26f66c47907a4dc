// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

namespace {

quire::JobRow Row(const std::string& path, int nPages, int nBegin, int nEnd, bool bChecked = true)
{
    return {path, bChecked, "", std::to_string(nPages), std::to_string(nBegin), std::to_string(nEnd)};
}

// A merge when given an output, else a split; Auto Backup is off.
ConvertJob Job(std::vector<quire::JobRow> rows, const std::string& output = "", int nOpenResult = 1)
{
    return {output.empty() ? 0 : 1, std::move(rows), output, 0, nOpenResult, "", "", "", ""};
}

// What one modal run of the dialog showed and did.
struct DialogRun
{
    bool bVisibleAfter = true;
    bool bStopped = false;
    QStringList statuses; // every status text, in order
    quire::JobReport report;
    QStringList opened; // what the shell was asked to open
    QStringList messages; // message boxes shown
};

// With `atSecondRow`, clicks Stop once the dialog shows the second row of the job, after
// `atSecondRow` has had its look.
DialogRun RunDialog(ConvertJob job, const std::function<void(CDialogConvert&)>& atSecondRow = {})
{
    DialogRun run;
    {
        CDialogConvert dialog(std::move(job));
        QObject::connect(&dialog, &CDialogConvert::statusTextChanged, [&](const QString& text) {
            run.statuses << text;
            if (!atSecondRow || run.bStopped || !text.contains("\n2 of "))
                return;
            atSecondRow(dialog);
            QTest::mouseClick(Child<QPushButton>(dialog, "IDC_BUTTON_STOP"), Qt::LeftButton);
            run.bStopped = true;
        });
        dialog.exec();
        run.bVisibleAfter = dialog.isVisible();
        run.report = dialog.GetReport();
    }
    run.opened = CShell::TakeOpened();
    run.messages = CMessageBox::TakeShownTexts();
    return run;
}

using DialogConvertTest = AppFixture;

TEST_F(DialogConvertTest, ShouldShowEveryTickedRowAndOpenTheLastFileWrittenOnlyWhenAskedWithExactlyOne)
{
    const std::string a = MakePdf("a.pdf", 3);
    const std::string b = MakePdf("b.pdf", 4);
    const std::vector<quire::JobRow> rows = {Row(a, 3, 2, 3), Row(b, 4, 2, 3, false), Row(b, 4, 1, 1)};
    // The merge output (empty: a split), the job's Auto Open value, whether the last file written opens.
    const std::tuple<std::string, int, bool> cases[] = {
        {"out1.pdf", 1, true}, {"out0.pdf", 0, false}, {"out2.pdf", 2, false}, {"out-1.pdf", -1, false}, {"", 1, true}};
    for (const auto& [output, nOpenResult, bOpens] : cases) {
        SCOPED_TRACE(output + " " + std::to_string(nOpenResult));
        const DialogRun run = RunDialog(Job(rows, output.empty() ? "" : m_tmp.File(output), nOpenResult));

        EXPECT_EQ(std::tuple(run.bVisibleAfter, run.report.ok, run.messages), std::tuple(false, true, QStringList {}));
        const QString verb = output.empty() ? "Splitting" : "Merging";
        const QString working = verb + " your PDF files, please wait a moment...";
        // The file being written shows while it is written: each part of a split, a merge's output.
        const QStringList lines
            = {working, working + "\n1 of 2: a.pdf", working + "\n2 of 2: b.pdf", verb + " Finished."};
        const auto writing = [&](const char* szName) { return working + "\nWriting " + szName + "\u2026"; };
        EXPECT_EQ(run.statuses,
                  (output.empty() ? QStringList {lines[0], lines[1], writing("a_p2-3.pdf"), lines[2],
                                                 writing("b_p1-1.pdf"), lines[3]}
                                  : QStringList {lines[0], lines[1], lines[2], writing(output.c_str()), lines[3]}));
        const std::string last = m_tmp.File(output.empty() ? "b_p1-1.pdf" : output);
        EXPECT_EQ(run.opened, bOpens ? QStringList {Q(last)} : QStringList {});
        // The ticked rows reached the job: the unticked one wrote nothing.
        EXPECT_EQ(fx::PdfInfo(last)["Pages"], output.empty() ? "1" : "3");
        EXPECT_EQ(std::filesystem::exists(m_tmp.File("a_p2-3.pdf")), output.empty());
        EXPECT_FALSE(std::filesystem::exists(m_tmp.File("b_p2-3.pdf")));
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
    const std::string joined = m_tmp.File("joined.pdf");
    const std::string ten = MakePdf("ten.pdf", 10);
    const std::string locked = m_tmp.File("locked.pdf");
    fx::WritePdf(locked, {.tag = "locked", .pages = 2, .ownerPassword = "o"});
    ConvertJob unlock = Job({{locked, true, "", "2", "1", "2", "o"}});
    unlock.bRemoveProtection = true;
    std::vector<std::string> layered;
    for (const char* name : {"notes.pdf", "sketch.pdf"}) {
        layered.push_back(m_tmp.File(name));
        fx::WritePdf(layered.back(), {.tag = name, .pages = 1, .layers = {{"Layer", 1}}});
    }
    // The job, whether it succeeds, what its one message names, what it opens.
    using Case = std::tuple<ConvertJob, bool, std::vector<std::string>, std::string>;
    const Case cases[] = {
        // A source that had to be repaired is named afterwards; the merge itself succeeds.
        {Job({Row(a, 2, 1, 1), Row(worn, 2, 1, 2)}, joined), true, {"repaired", worn}, joined},
        {Job({Row(a, 2, 1, 2), Row(bad, 1, 1, 1)}, kept), false, {bad, "not a PDF file"}, ""},
        // Ticked rows that gave no pages are named with the reason; the merge of the others succeeds.
        {Job({Row(ten, 10, 5, 2), Row(a, 2, 1, 2), Row(ten, 10, 99, 10)}, joined),
         true,
         {"Nothing was taken from these ticked rows:\n" + ten
          + " has no pages in the range 5-2 (it begins after it "
            "ends); nothing of it was merged\n"
          + ten + " has no pages in the range 99-10 (it begins past the last page, 10)"},
         joined},
        // Layers of several files share one panel now: the user is told where to find them.
        {Job({Row(layered[0], 1, 1, 1), Row(layered[1], 1, 1, 1)}, joined),
         true,
         {"2 layers from 2 files were merged; each file's layers are listed under its name"},
         joined},
        // A split keeps its good files.
        {Job({Row(gone, 2, 1, 2), Row(a, 2, 2, 1), Row(a, 2, 1, 1)}),
         false,
         {"Some PDF files could not be split; 1 file was written.", gone, a + " has no pages in the range 2-1"},
         m_tmp.File("a_p1-1.pdf")},
        // Opened with the owner password, a protected file is split without its protection, as asked.
        {unlock,
         true,
         {m_tmp.File("locked_p1-2.pdf") + " is not password-protected; " + locked + " was"},
         m_tmp.File("locked_p1-2.pdf")},
    };
    for (const auto& [job, bOk, message, opened] : cases) {
        SCOPED_TRACE(message.front());
        const DialogRun run = RunDialog(job);
        EXPECT_EQ(run.report.ok, bOk);
        ASSERT_EQ(run.messages.size(), 1);
        for (const std::string& part : message)
            EXPECT_TRUE(run.messages[0].contains(Q(part))) << run.messages[0].toStdString();
        EXPECT_EQ(run.opened, opened.empty() ? QStringList {} : QStringList {Q(opened)});
    }
    EXPECT_EQ(ReadWholeFile(kept), "the previous output");
    EXPECT_EQ(fx::PdfInfo(m_tmp.File("locked_p1-2.pdf"))["Encrypted"], "no");
}

TEST_F(DialogConvertTest, ShouldIgnoreEnterEscapeAndCloseButStopOnRequest)
{
    // Long enough to still run when the dialog shows its second row: every page on a row of its own,
    // so that each row of a split writes its own file.
    const std::string a = MakePdf("a.pdf", 1000);
    std::vector<quire::JobRow> rows;
    for (int i = 1; i <= 1000; ++i)
        rows.push_back(Row(a, 1000, i, i));
    const std::string out = m_tmp.File("joined.pdf");
    // While the job runs: whether the workers find the running dialog, whether the busy indicator
    // animates, whether the dialog stays after Escape, Enter and close.
    std::string seen;
    const auto keys = [&](CDialogConvert& dialog) {
        seen += std::to_string(pDialog == &dialog) + std::to_string(dialog.BusyCtrl().IsRunning());
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            QTest::keyClick(&dialog, key);
            seen += std::to_string(dialog.isVisible());
        }
        dialog.close();
        seen += std::to_string(dialog.isVisible());
        // A repaint during the job must not start a second worker.
        dialog.repaint();
    };

    const DialogRun run = RunDialog(Job(rows, out), keys);

    ASSERT_TRUE(run.bStopped) << "the job ended before its second row was shown";
    EXPECT_EQ(seen, "11111");
    EXPECT_EQ(std::pair(run.bVisibleAfter, run.report.stopped), std::pair(false, true));
    EXPECT_LT(run.report.rowsTaken.size(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(out)) << "a stopped merge writes nothing";
    EXPECT_EQ(run.opened + run.messages, QStringList {});
    EXPECT_EQ(SummariseJob(Job(rows, out), run.report), "Merge stopped; nothing was written");

    // The next job gets a fresh stop flag and runs to its end.
    const DialogRun next = RunDialog(Job({rows.begin(), rows.begin() + 3}, out));
    EXPECT_TRUE(next.report.ok);
    EXPECT_EQ(fx::PdfInfo(out)["Pages"], "3");

    // A stopped split keeps the files it finished, and opens nothing.
    const DialogRun split = RunDialog(Job(rows), [](CDialogConvert&) {});
    ASSERT_EQ(std::pair(split.bStopped, split.report.stopped), std::pair(true, true));
    EXPECT_LT(split.report.filesWritten.size(), 1000u);
    EXPECT_EQ(split.opened + split.messages, QStringList {});
}

} // namespace
