// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogPDFProperties.h"

#include "tests/app/AppFixture.h"

TEST(PropertiesDialog, OpensWithTheSettingsTakesTheTextsOnlyOnOkAndTheCheckBoxAtOnce)
{
    // Steps: 'c' Clear All, 'k' the check box, 'o' OK, 'x' Cancel, 't' typing into Title, 'e' Escape there.
    const std::map<char, const char*> buttons
        = {{'c', "IDC_BUTTON1"}, {'k', "IDC_CHECK1"}, {'o', "IDOK"}, {'x', "IDCANCEL"}};
    struct Row
    {
        const char* szSteps;
        bool bAlwaysBefore;
        int nResult;
        const char* szTexts;
        bool bAlwaysAfter;
    };
    const char* const szBefore = "Title|Author|Subject|one, two";
    const Row rows[] = {
        {"cx", false, QDialog::Rejected, szBefore, false},
        {"te", false, QDialog::Rejected, szBefore, false},
        {"co", false, QDialog::Accepted, "|||", false},
        // The check box takes effect even when the dialog is then cancelled.
        {"kx", false, QDialog::Rejected, szBefore, true},
        {"ko", true, QDialog::Accepted, szBefore, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.szSteps);
        CAppSettings settings;
        settings.SetDocument({"Title", "Author", "Subject", "one, two"});
        settings.SetPropertiesAlways(row.bAlwaysBefore);
        CDialogPDFProperties dialog(settings);
        dialog.show();
        QStringList edits;
        for (const char* szName : {"IDC_EDIT_TITLE", "IDC_EDIT_AUTHOR", "IDC_EDIT_SUBJECT", "IDC_EDIT_KEYWORDS"})
            edits << Child<QLineEdit>(dialog, szName)->text();
        EXPECT_EQ(edits.join('|'), QLatin1String(szBefore));
        EXPECT_EQ(Child<QCheckBox>(dialog, "IDC_CHECK1")->isChecked(), row.bAlwaysBefore);
        auto* pTitle = Child<QLineEdit>(dialog, "IDC_EDIT_TITLE");
        EXPECT_GT(Child<QLineEdit>(dialog, "IDC_EDIT_KEYWORDS")->height(), 3 * pTitle->height());

        for (const char* pStep = row.szSteps; *pStep; ++pStep) {
            if (*pStep == 't')
                QTest::keyClicks(pTitle, QStringLiteral("typed"));
            else if (*pStep == 'e')
                QTest::keyClick(pTitle, Qt::Key_Escape);
            else
                QTest::mouseClick(Child<QAbstractButton>(dialog, buttons.at(*pStep)), Qt::LeftButton);
        }

        EXPECT_EQ(dialog.result(), row.nResult);
        const CAppSettings::DocumentTexts texts = settings.Document();
        EXPECT_EQ(QStringList({texts.szTitle, texts.szAuthor, texts.szSubject, texts.szKeywords}).join('|'),
                  QLatin1String(row.szTexts));
        EXPECT_EQ(settings.IsPropertiesAlways(), row.bAlwaysAfter);
    }
}
