// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

using PasswordIntake = FrameFixture;

TEST_F(PasswordIntake, AskedInTurnShownWithALockOpenedByTheJobsAndWrittenNowhere)
{
    const std::string plain = MakePdf("plain.pdf", 1), p1 = MakePdf("p1.pdf", 2, false, "Pw-one"),
                      p2 = MakePdf("p2.pdf", 1, false, "Pw-one"), p3 = MakePdf("p3.pdf", 1, false, "Pw-three"),
                      owner = m_tmp.File("owner.pdf");
    fx::WritePdf(owner, {.tag = "owner", .ownerPassword = "Pw-boss"});
    // Everything the program prints, its diagnostics switched on, goes to a file while it runs.
    const std::string captured = m_tmp.File("output.txt");
    const int nCapture = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int nOldOut = ::dup(1), nOldErr = ::dup(2);
    ASSERT_TRUE(nCapture >= 0 && ::dup2(nCapture, 1) == 1 && ::dup2(nCapture, 2) == 2);
    QLoggingCategory::setFilterRules(QStringLiteral("quire.*=true"));

    const auto Asked = [](const char* szName) {
        return szName + QStringLiteral(" is protected by a password. Type its password to add it.");
    };
    const QString wrong = QStringLiteral("The password does not open p1.pdf. Try again.");
    // The files added, the answers, the prompts seen, the File Name cells after.
    const std::tuple<std::vector<std::string>, std::vector<Answer>, QStringList, std::string> cases[] = {
        {{plain, p1, owner}, {{"Pw-one"}}, {Asked("p1.pdf")}, "plain.pdf p1.pdf owner.pdf"},
        {{p1}, {{""}, {"Pw-wrong"}, {"Pw-one"}}, {Asked("p1.pdf"), wrong, wrong}, "p1.pdf"},
        {{p1, plain}, {{"Pw-one", false, "IDC_SKIP"}}, {Asked("p1.pdf")}, "plain.pdf"},
        {{plain, p1, p2}, {{"", false, "IDCANCEL"}}, {Asked("p1.pdf")}, "plain.pdf"},
        // One password for the batch's other files, asked again where it does not open.
        {{p1, plain, p2, p3, owner},
         {{"Pw-one", true}, {"Pw-three"}},
         {Asked("p1.pdf"), Asked("p3.pdf")},
         "p1.pdf plain.pdf p2.pdf p3.pdf owner.pdf"},
    };
    for (const auto& [files, answers, expectedPrompts, expectedRows] : cases) {
        SCOPED_TRACE(expectedPrompts.join(" + ").toStdString());
        if (List()->GetItemCount() > 0)
            Trigger("ID_FILE_REMOVE_ALL");
        QStringList prompts;
        const auto pAnswers = AnswerPasswords(answers, prompts);
        AddFiles(files);
        EXPECT_EQ(prompts, expectedPrompts);
        std::string rows;
        for (int nRow = 0; nRow < List()->GetItemCount(); ++nRow)
            rows += (nRow ? " " : "") + List()->GetItemText(nRow, 1).toStdString();
        EXPECT_EQ(rows, expectedRows);
        EXPECT_EQ(CMessageBox::TakeShownTexts(), QStringList()); // Skip and Cancel say nothing more
    }

    // The lock, its tip and what a screen reader hears, by row of the last case.
    const QString protection[] = {"Protected by a password", "", "Protected by a password", "Protected by a password",
                                  "Protected: opens without a password, with restrictions"};
    for (int nRow = 0; nRow < 5; ++nRow) {
        const QModelIndex cell = List()->model()->index(nRow, 1);
        const QString szName = List()->GetItemText(nRow, 1), szProtection = protection[nRow];
        EXPECT_EQ(cell.data(Qt::DecorationRole).isValid(), !szProtection.isEmpty()) << nRow;
        EXPECT_EQ(List()->GetItemToolTipText(nRow, 1), szName + (szProtection.isEmpty() ? "" : "\n" + szProtection));
        EXPECT_EQ(cell.data(Qt::AccessibleTextRole).toString(),
                  szProtection.isEmpty() ? QString() : szName + ", " + szProtection.toLower());
    }

    // A removal undone brings the row back with its password; the merge opens each row with its
    // own, and pdftotext and pdfinfo read the result.
    QRect cell;
    ASSERT_TRUE(List()->GetSubItemRect(0, 1, cell));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    Trigger("ID_FILE_REMOVE");
    Trigger("ID_EDIT_UNDO");
    const std::string out = m_tmp.File("out.pdf");
    m_pFrame->GetOutputPathEdit()->selectAll();
    QTest::keyClicks(m_pFrame->GetOutputPathEdit(), Q(out));
    Trigger("ID_FILE_CONVERT_MERGE");
    EXPECT_EQ(fx::PageTexts(out),
              (std::vector<std::string> {"p1 page 1", "p1 page 2", "plain page 1", "p2 page 1", "p3 page 1",
                                         "owner page 1"}));
    EXPECT_EQ(fx::PdfInfo(out).at("Encrypted"), "no");
    // A file whose password changed since it was added fails with the reader's sentence.
    fx::WritePdf(p3, {.tag = "p3", .userPassword = "Pw-changed"});
    Trigger("ID_FILE_CONVERT_MERGE");
    QString szMessages = CMessageBox::TakeShownTexts().join('\n');
    EXPECT_TRUE(szMessages.contains("The password does not open " + Q(p3)));

    // Closed while it asks: the question goes with the window, and the intake ends.
    Trigger("ID_FILE_REMOVE_ALL");
    QStringList prompts;
    const auto pAnswers = AnswerPasswords({{.button = "close"}}, prompts);
    AddFiles({plain, p1, p2});
    EXPECT_EQ(std::tuple(prompts.size(), List()->GetItemCount(), m_pFrame->isVisible()), std::tuple(1, 1, false));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(m_app.ExitInstance(0), 0);

    QLoggingCategory::setFilterRules(QString());
    std::fflush(nullptr);
    ASSERT_TRUE(::dup2(nOldOut, 1) == 1 && ::dup2(nOldErr, 2) == 2);
    for (const int nFd : {nCapture, nOldOut, nOldErr})
        ::close(nFd);
    // No password in the messages, the recent files, the output, Settings.ini or the settings area.
    std::map<std::string, std::string> written = {
        {"messages", (szMessages + CMessageBox::TakeShownTexts().join('\n')).toStdString()},
        {"recent files", Settings().RecentFiles().Entries().join('\n').toStdString()},
    };
    EXPECT_NE(written["recent files"].find(p1), std::string::npos);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_tmp.Path())) {
        if (entry.is_regular_file() && entry.path().extension() != ".pdf")
            written[entry.path().string()] = ReadWholeFile(entry.path().string());
    }
    EXPECT_TRUE(written.contains(Ini()) && written.contains(captured));
    for (const auto& [where, text] : written) {
        for (const char* szPassword : {"Pw-one", "Pw-wrong", "Pw-three", "Pw-boss", "Pw-changed"})
            EXPECT_EQ(text.find(szPassword), std::string::npos) << szPassword << " in " << where;
    }
}

} // namespace
