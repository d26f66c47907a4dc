// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogPDFProperties.h"
#include "app/CQuireApp.h"

#include <gtest/gtest.h>

#include <QCheckBox>
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
        m_pDialog->show();
    }
    QLineEdit* Edit(const char* szName) { return m_pDialog->findChild<QLineEdit*>(QLatin1String(szName)); }
    void Click(const char* szName)
    {
        QTest::mouseClick(m_pDialog->findChild<QPushButton*>(QLatin1String(szName)), Qt::LeftButton);
    }
    QCheckBox* Box() { return m_pDialog->findChild<QCheckBox*>(QStringLiteral("IDC_CHECK1")); }
    QString Texts() const
    {
        return QStringList {m_app.m_szPDFTitle, m_app.m_szPDFAuthor, m_app.m_szPDFSubject, m_app.m_szPDFKeywords}.join(
            QLatin1Char('|'));
    }
    // Opens the dialog again on the same settings.
    void Reopen()
    {
        m_pDialog = std::make_unique<CDialogPDFProperties>(m_app);
        m_pDialog->show();
    }

    CQuireApp m_app;
    std::unique_ptr<CDialogPDFProperties> m_pDialog;
};

} // namespace

TEST_F(PropertiesDialog, OpensWithTheCurrentSettingsAndItsCheckBoxTakesEffectAtOnce)
{
    EXPECT_EQ(Edit("IDC_EDIT_TITLE")->text(), QStringLiteral("Title"));
    EXPECT_EQ(Edit("IDC_EDIT_KEYWORDS")->text(), QStringLiteral("one, two"));
    EXPECT_GT(Edit("IDC_EDIT_KEYWORDS")->height(), 3 * Edit("IDC_EDIT_AUTHOR")->height());
    EXPECT_FALSE(Box()->isChecked());
    // Even when the dialog is then cancelled.
    QTest::mouseClick(Box(), Qt::LeftButton);
    EXPECT_EQ(m_app.m_nPropertiesAlways, 1);
    Click("IDCANCEL");
    EXPECT_EQ(m_app.m_nPropertiesAlways, 1);
    Reopen();
    EXPECT_TRUE(Box()->isChecked());
    QTest::mouseClick(Box(), Qt::LeftButton);
    EXPECT_EQ(m_app.m_nPropertiesAlways, 0);
}

TEST_F(PropertiesDialog, ClearAllEmptiesTheTextsOnlyOnceConfirmedWithOk)
{
    // Cancel, Escape: nothing changes.
    Click("IDC_BUTTON1");
    Click("IDCANCEL");
    EXPECT_EQ(m_pDialog->result(), QDialog::Rejected);
    Reopen();
    Edit("IDC_EDIT_TITLE")->clear();
    QTest::keyClicks(Edit("IDC_EDIT_TITLE"), QStringLiteral("typed"));
    QTest::keyClick(Edit("IDC_EDIT_TITLE"), Qt::Key_Escape);
    EXPECT_EQ(m_pDialog->result(), QDialog::Rejected);
    EXPECT_EQ(Texts(), QStringLiteral("Title|Author|Subject|one, two"));

    Reopen();
    Click("IDC_BUTTON1");
    Click("IDOK");
    EXPECT_EQ(m_pDialog->result(), QDialog::Accepted);
    EXPECT_EQ(Texts(), QStringLiteral("|||"));
}
