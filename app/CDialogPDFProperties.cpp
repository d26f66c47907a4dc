// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogPDFProperties.h"

#include "app/CAppSettings.h"
#include "app/CDialogUnits.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDialogPDFProperties::CDialogPDFProperties(CAppSettings& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("IDD_DIALOG_PDF_PROPERTIES"));
    setWindowTitle(QStringLiteral("Document Properties"));
    setFont(QFont(QStringLiteral("Verdana"), 8));
    const CDialogUnits du(font());
    setFixedSize(du.Rect(0, 0, 310, 168).size());

    auto label = [&](const QString& szText, int y) {
        auto* pLabel = new QLabel(szText, this);
        pLabel->setGeometry(du.Rect(7, y, 36, 8).adjusted(0, -2, 0, 2));
    };
    auto edit = [&](const char* szName, int y, int cy) {
        auto* pEdit = new QLineEdit(this);
        pEdit->setObjectName(QLatin1String(szName));
        pEdit->setGeometry(du.Rect(54, y, 249, cy));
        return pEdit;
    };
    label(QStringLiteral("Title:"), 9);
    m_pTitle = edit("IDC_EDIT_TITLE", 7, 12);
    label(QStringLiteral("Author:"), 28);
    m_pAuthor = edit("IDC_EDIT_AUTHOR", 26, 12);
    label(QStringLiteral("Subject:"), 47);
    m_pSubject = edit("IDC_EDIT_SUBJECT", 45, 12);
    label(QStringLiteral("Keywords:"), 64);
    // One line of text in a tall box, as the dialog has always drawn it.
    m_pKeywords = edit("IDC_EDIT_KEYWORDS", 64, 59);
    m_pKeywords->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_pAlways = new QCheckBox(QStringLiteral("Always use these settings"), this);
    m_pAlways->setObjectName(QStringLiteral("IDC_CHECK1"));
    m_pAlways->setGeometry(du.Rect(7, 130, 123, 10).adjusted(0, -2, 0, 2));

    auto button = [&](const QString& szText, const char* szName, int x) {
        auto* pButton = new QPushButton(szText, this);
        pButton->setObjectName(QLatin1String(szName));
        pButton->setGeometry(du.Rect(x, 147, 50, 14));
        pButton->setAutoDefault(false);
        return pButton;
    };
    QPushButton* pClear = button(QStringLiteral("Clear All"), "IDC_BUTTON1", 7);
    QPushButton* pOk = button(QStringLiteral("OK"), "IDOK", 189);
    QPushButton* pCancel = button(QStringLiteral("Cancel"), "IDCANCEL", 245);
    pOk->setDefault(true);

    connect(pClear, &QPushButton::clicked, this, &CDialogPDFProperties::OnBnClickedButton1);
    connect(pOk, &QPushButton::clicked, this, &CDialogPDFProperties::OnBnClickedOk);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pAlways, &QCheckBox::clicked, this, &CDialogPDFProperties::OnBnClickedCheck1);

    OnInitDialog();
    m_pTitle->setFocus();
}

void CDialogPDFProperties::OnInitDialog()
{
    const CAppSettings::DocumentTexts texts = m_settings.Document();
    m_pAlways->setChecked(m_settings.IsPropertiesAlways());
    m_pTitle->setText(texts.szTitle);
    m_pAuthor->setText(texts.szAuthor);
    m_pSubject->setText(texts.szSubject);
    m_pKeywords->setText(texts.szKeywords);
}

void CDialogPDFProperties::OnBnClickedButton1()
{
    m_pTitle->clear();
    m_pAuthor->clear();
    m_pSubject->clear();
    m_pKeywords->clear();
}

void CDialogPDFProperties::OnBnClickedOk()
{
    m_settings.SetDocument({m_pTitle->text().trimmed(), m_pAuthor->text().trimmed(), m_pSubject->text().trimmed(),
                            m_pKeywords->text().trimmed()});
    accept();
}

void CDialogPDFProperties::OnBnClickedCheck1()
{
    m_settings.SetPropertiesAlways(m_pAlways->isChecked());
}
