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
        quire::Protection protection;
        CDialogPDFProperties dialog(settings, protection);
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
            quire::Protection protection;
            CDialogPDFProperties dialog(Settings(), protection, &owner);
            dialog.setFont(QFont(QStringLiteral("Verdana"), 20));
            auto* pBox = Child<QCheckBox>(dialog, "IDC_CHECK1");
            const char* szApplied = bTicked ? szTitle : "";
            EXPECT_EQ(std::tuple(pBox->isChecked(), Child<QLineEdit>(dialog, "IDC_EDIT_TITLE")->text(),
                                 MakeConvertJob(1, {}, Settings(), "", {}, false).szPDFTitle),
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

using PropertiesProtection = AppFixture;

TEST_F(PropertiesProtection, TheGroupWorksFromTheKeyboardAndRefusesPasswordsItCannotUse)
{
    // Whether the dialog starts protected, the keys, the message that keeps it open, the protection after:
    // user|owner|print|copy.
    const std::tuple<bool, const char*, const char*, const char*> rows[] = {
        {false, "Alt+P Return", "Type a password to open the merged file", "||1|1"},
        {false, "Alt+P Alt+O =open Tab =opem Return", "The password to open and its repeat differ", "||1|1"},
        {false, "Alt+P Alt+M =perm Return", "The password to change permissions and its repeat differ", "||1|1"},
        {false, "Alt+P Alt+M =perm Tab =perm Alt+I Return", "", "|perm|0|1"},
        {true, "Alt+P Escape", "", "open|perm|1|0"},
        {true, "Alt+P Return", "", "||1|1"},
    };
    for (const auto& [bProtected, szKeys, szMessage, szAfter] : rows) {
        SCOPED_TRACE(szKeys);
        quire::Protection protection
            = bProtected ? quire::Protection {"open", "perm", true, false} : quire::Protection {};
        CDialogPDFProperties dialog(Settings(), protection);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        for (QWidget* pWidget : dialog.findChildren<QWidget*>()) // every field a user reaches is named
            EXPECT_TRUE(pWidget->focusPolicy() == Qt::NoFocus
                        || !QAccessible::queryAccessibleInterface(pWidget)->text(QAccessible::Name).isEmpty());
        PressKeys(szKeys);
        const QString szShown = CMessageBox::TakeShownTexts().join("");
        EXPECT_TRUE(*szMessage ? szShown.contains(szMessage) && dialog.isVisible() : szShown.isEmpty());
        EXPECT_EQ(QString::asprintf("%s|%s|%d|%d", protection.userPassword.c_str(), protection.ownerPassword.c_str(),
                                    protection.allowPrint, protection.allowCopy),
                  QLatin1String(szAfter));
    }
}
