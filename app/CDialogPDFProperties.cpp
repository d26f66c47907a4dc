// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogPDFProperties.h"

#include "app/CAppSettings.h"
#include "app/CDialogUnits.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
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

    // NOTE: a layout sizes each label to its text in whatever font it is drawn with; fixed widths cut
    // "Keywords:" off under larger fonts.
    auto* pGrid = new QGridLayout;
    auto edit = [&](const char* szLabel, const char* szName, int nRow) {
        auto* pEdit = new QLineEdit(this);
        pEdit->setObjectName(QLatin1String(szName));
        pEdit->setMinimumWidth(du.X(249));
        auto* pLabel = new QLabel(QLatin1String(szLabel), this);
        pLabel->setObjectName(QStringLiteral("IDC_LABEL_") + QLatin1String(szName).mid(9));
        pLabel->setBuddy(pEdit);
        pGrid->addWidget(pLabel, nRow, 0, Qt::AlignLeft | Qt::AlignTop);
        pGrid->addWidget(pEdit, nRow, 1);
        return pEdit;
    };
    m_pTitle = edit("Title:", "IDC_EDIT_TITLE", 0);
    m_pAuthor = edit("Author:", "IDC_EDIT_AUTHOR", 1);
    m_pSubject = edit("Subject:", "IDC_EDIT_SUBJECT", 2);
    m_pKeywords = edit("Keywords:", "IDC_EDIT_KEYWORDS", 3);
    // One line of text in a tall box, as the dialog has always drawn it.
    m_pKeywords->setFixedHeight(du.Y(59));
    m_pKeywords->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_pAlways = new QCheckBox(QStringLiteral("Always use these settings"), this);
    m_pAlways->setObjectName(QStringLiteral("IDC_CHECK1"));

    auto button = [&](const QString& szText, const char* szName) {
        auto* pButton = new QPushButton(szText, this);
        pButton->setObjectName(QLatin1String(szName));
        pButton->setMinimumWidth(du.X(50));
        pButton->setAutoDefault(false);
        return pButton;
    };
    QPushButton* pClear = button(QStringLiteral("Clear All"), "IDC_BUTTON1");
    QPushButton* pOk = button(QStringLiteral("OK"), "IDOK");
    QPushButton* pCancel = button(QStringLiteral("Cancel"), "IDCANCEL");
    pOk->setDefault(true);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(pClear);
    pButtons->addStretch(1);
    pButtons->addWidget(pOk);
    pButtons->addWidget(pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    pLayout->addLayout(pGrid);
    pLayout->addWidget(m_pAlways, 0, Qt::AlignLeft);
    pLayout->addLayout(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);

    connect(pClear, &QPushButton::clicked, this, &CDialogPDFProperties::OnBnClickedButton1);
    connect(pOk, &QPushButton::clicked, this, &CDialogPDFProperties::OnBnClickedOk);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pAlways, &QCheckBox::clicked, this, &CDialogPDFProperties::OnBnClickedCheck1);

    OnInitDialog();
    m_pTitle->setFocus();
}

void CDialogPDFProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // NOTE: Qt's own placement over the parent is only a hint, which a window manager may ignore and
    // put the dialog in the middle of the screen; a real move, made before the window is mapped, holds.
    if (QWidget* pOwner = parentWidget() ? parentWidget()->window() : nullptr) {
        QRect frame = frameGeometry();
        frame.moveCenter(pOwner->frameGeometry().center());
        move(frame.topLeft());
    }
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
