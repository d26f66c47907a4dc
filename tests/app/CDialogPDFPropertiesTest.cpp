// SPDX-License-Identifier: Apache-2.0
#include "CDialogPDFProperties.h"
#include "CQuireApp.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

class PropertiesDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_app.m_szPDFTitle = QStringLiteral("Title");
        m_app.m_szPDFAuthor = QStringLiteral("Author");
        m_app.m_szPDFSubject = QStringLiteral("Subject");
        m_app.m_szPDFKeywords = QStringLiteral("one, two");
        m_app.m_nPropertiesAlways = 0;
        m_pDialog = std::make_unique<CDialogPDFProperties>(m_app);
    }
    QLineEdit* Edit(const char* szName) { return m_pDialog->findChild<QLineEdit*>(QLatin1String(szName)); }
    QPushButton* Button(const char* szName) { return m_pDialog->findChild<QPushButton*>(QLatin1String(szName)); }
    QCheckBox* Box() { return m_pDialog->findChild<QCheckBox*>(QStringLiteral("IDC_CHECK1")); }
    QString Texts() const
    {
        return QStringList {m_app.m_szPDFTitle, m_app.m_szPDFAuthor, m_app.m_szPDFSubject, m_app.m_szPDFKeywords}.join(
            QLatin1Char('|'));
    }

    CQuireApp m_app;
    std::unique_ptr<CDialogPDFProperties> m_pDialog;
};

} // namespace

TEST_F(PropertiesDialog, OpensWithTheTemplatesTextsAndTheCurrentSettings)
{
    EXPECT_EQ(m_pDialog->windowTitle(), QStringLiteral("Document Properties"));
    QStringList labels;
    for (QLabel* pLabel : m_pDialog->findChildren<QLabel*>())
        labels.append(pLabel->text());
    EXPECT_EQ(labels, (QStringList {"Title:", "Author:", "Subject:", "Keywords:"}));
    EXPECT_EQ(Button("IDC_BUTTON1")->text(), QStringLiteral("Clear All"));
    EXPECT_EQ(Button("IDOK")->text(), QStringLiteral("OK"));
    EXPECT_TRUE(Button("IDOK")->isDefault());
    EXPECT_EQ(Button("IDCANCEL")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(Box()->text(), QStringLiteral("Always use these settings"));
    EXPECT_FALSE(Box()->isChecked());
    EXPECT_EQ(Edit("IDC_EDIT_TITLE")->text(), QStringLiteral("Title"));
    EXPECT_EQ(Edit("IDC_EDIT_KEYWORDS")->text(), QStringLiteral("one, two"));
    // The keywords box is drawn tall, the others one line high.
    EXPECT_GT(Edit("IDC_EDIT_KEYWORDS")->height(), 3 * Edit("IDC_EDIT_AUTHOR")->height());

    m_app.m_nPropertiesAlways = 1;
    CDialogPDFProperties again(m_app);
    EXPECT_TRUE(again.findChild<QCheckBox*>(QStringLiteral("IDC_CHECK1"))->isChecked());
}

TEST_F(PropertiesDialog, ClearAllThenOkEmptiesTheFourTexts)
{
    QTest::mouseClick(Button("IDC_BUTTON1"), Qt::LeftButton);
    EXPECT_TRUE(Edit("IDC_EDIT_SUBJECT")->text().isEmpty());
    // Nothing changes until OK.
    EXPECT_EQ(m_app.m_szPDFSubject, QStringLiteral("Subject"));
    QTest::mouseClick(Button("IDOK"), Qt::LeftButton);
    EXPECT_EQ(m_pDialog->result(), QDialog::Accepted);
    EXPECT_EQ(Texts(), QStringLiteral("|||"));
}

TEST_F(PropertiesDialog, ClearAllThenCancelOrEscapeChangesNothing)
{
    QTest::mouseClick(Button("IDC_BUTTON1"), Qt::LeftButton);
    QTest::mouseClick(Button("IDCANCEL"), Qt::LeftButton);
    EXPECT_EQ(m_pDialog->result(), QDialog::Rejected);
    EXPECT_EQ(Texts(), QStringLiteral("Title|Author|Subject|one, two"));

    CDialogPDFProperties again(m_app);
    again.show();
    auto* pTitle = again.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_TITLE"));
    pTitle->clear();
    QTest::keyClicks(pTitle, QStringLiteral("typed"));
    QTest::keyClick(pTitle, Qt::Key_Escape);
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(m_app.m_szPDFTitle, QStringLiteral("Title"));
}

TEST_F(PropertiesDialog, OkTakesTheTextsTrimmedAndEnterMeansOk)
{
    m_pDialog->show();
    QLineEdit* pTitle = Edit("IDC_EDIT_TITLE");
    pTitle->clear();
    QTest::keyClicks(pTitle, QStringLiteral("  Annual report \t"));
    Edit("IDC_EDIT_KEYWORDS")->setText(QStringLiteral("\n pdf, merge  "));
    QTest::keyClick(pTitle, Qt::Key_Return);
    EXPECT_EQ(m_pDialog->result(), QDialog::Accepted);
    EXPECT_EQ(Texts(), QStringLiteral("Annual report|Author|Subject|pdf, merge"));
}

TEST_F(PropertiesDialog, TheCheckBoxTakesEffectAtOnceEvenWhenCancelled)
{
    QTest::mouseClick(Box(), Qt::LeftButton);
    EXPECT_EQ(m_app.m_nPropertiesAlways, 1);
    QTest::mouseClick(Button("IDCANCEL"), Qt::LeftButton);
    EXPECT_EQ(m_app.m_nPropertiesAlways, 1);

    CDialogPDFProperties again(m_app);
    auto* pBox = again.findChild<QCheckBox*>(QStringLiteral("IDC_CHECK1"));
    QTest::mouseClick(pBox, Qt::LeftButton);
    EXPECT_EQ(m_app.m_nPropertiesAlways, 0);
}
