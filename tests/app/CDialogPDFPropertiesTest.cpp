// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

TEST(PropertiesDialog, OpensWithTheSettingsTakesTheTextsOnlyOnOkAndTheCheckBoxAtOnce)
{
    // Steps: 'c' Clear All, 'k' the check box, 'o' OK, 'x' Cancel, 't' typing into Title, 'e' Escape there.
    const std::map<char, const char*> buttons
        = {{'c', "IDC_BUTTON1"}, {'k', "IDC_CHECK1"}, {'o', "IDOK"}, {'x', "IDCANCEL"}};
    // The steps, PropertiesAlways before, the dialog's result, the texts and PropertiesAlways after.
    const char* const szBefore = "Title|Author|Subject|one, two";
    const std::tuple<const char*, bool, int, const char*, bool> rows[] = {
        {"cx", false, QDialog::Rejected, szBefore, false},
        {"te", false, QDialog::Rejected, szBefore, false},
        {"co", false, QDialog::Accepted, "|||", false},
        // The check box takes effect even when the dialog is then cancelled.
        {"kx", false, QDialog::Rejected, szBefore, true},
        {"ko", true, QDialog::Accepted, szBefore, false},
    };
    for (const auto& [szSteps, bAlwaysBefore, nResult, szTexts, bAlwaysAfter] : rows) {
        SCOPED_TRACE(szSteps);
        CAppSettings settings;
        settings.SetDocument({"Title", "Author", "Subject", "one, two"});
        settings.SetPropertiesAlways(bAlwaysBefore);
        CDialogPDFProperties dialog(settings);
        dialog.show();
        QStringList edits;
        for (const char* szName : {"IDC_EDIT_TITLE", "IDC_EDIT_AUTHOR", "IDC_EDIT_SUBJECT", "IDC_EDIT_KEYWORDS"})
            edits << Child<QLineEdit>(dialog, szName)->text();
        EXPECT_EQ(edits.join('|'), QLatin1String(szBefore));
        EXPECT_EQ(Child<QCheckBox>(dialog, "IDC_CHECK1")->isChecked(), bAlwaysBefore);
        auto* pTitle = Child<QLineEdit>(dialog, "IDC_EDIT_TITLE");
        EXPECT_GT(Child<QLineEdit>(dialog, "IDC_EDIT_KEYWORDS")->height(), 3 * pTitle->height());

        for (const char* pStep = szSteps; *pStep; ++pStep) {
            if (*pStep == 't')
                QTest::keyClicks(pTitle, QStringLiteral("typed"));
            else if (*pStep == 'e')
                QTest::keyClick(pTitle, Qt::Key_Escape);
            else
                QTest::mouseClick(Child<QAbstractButton>(dialog, buttons.at(*pStep)), Qt::LeftButton);
        }

        EXPECT_EQ(dialog.result(), nResult);
        const CAppSettings::DocumentTexts texts = settings.Document();
        EXPECT_EQ(QStringList({texts.szTitle, texts.szAuthor, texts.szSubject, texts.szKeywords}).join('|'),
                  QLatin1String(szTexts));
        EXPECT_EQ(settings.IsPropertiesAlways(), bAlwaysAfter);
    }
}

using PropertiesRestart = AppFixture;

// Files written before the box was saved held texts only when it was ticked.
TEST_F(PropertiesRestart, TheBoxShowsWhetherTheSavedTextsApplyAndTheLabelsFitTheirTexts)
{
    // Settings.ini, the box and the title at the start; each time the box is clicked, then a restart.
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"[General]\nPDFTitle=Annual\n", true, "Annual"},
        {"[General]\nPDFTitle=Annual\n[General Settings]\nPropertiesAlways=0\n", false, ""},
        {"[General Settings]\nPropertiesAlways=1\n", true, ""},
    };
    QWidget owner;
    owner.setGeometry(40, 30, 900, 700);
    owner.show();
    for (const auto& [szIni, bAlways, szTitle] : rows) {
        WriteWholeFile(Ini(), szIni);
        for (const bool bTicked : {bAlways, !bAlways}) {
            SCOPED_TRACE(std::string(szIni) + (bTicked ? " ticked" : ""));
            m_app.GetAppSettings();
            CDialogPDFProperties dialog(Settings(), &owner);
            dialog.setFont(QFont(QStringLiteral("Verdana"), 20));
            auto* pBox = Child<QCheckBox>(dialog, "IDC_CHECK1");
            const char* szApplied = bTicked ? szTitle : "";
            EXPECT_EQ(std::tuple(pBox->isChecked(), Child<QLineEdit>(dialog, "IDC_EDIT_TITLE")->text(),
                                 MakeConvertJob(1, {}, Settings(), "").szPDFTitle),
                      std::tuple(bTicked, QString(szApplied), std::string(szApplied)));
            dialog.show();
            // Over its window, its longest label as wide as its text at a large font.
            const QLabel* pKeywords = Child<QLabel>(dialog, "IDC_LABEL_KEYWORDS");
            EXPECT_GE(pKeywords->width(), pKeywords->sizeHint().width());
            EXPECT_LE((dialog.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
            QTest::mouseClick(pBox, Qt::LeftButton);
            ASSERT_TRUE(Settings().Save());
        }
    }
}
