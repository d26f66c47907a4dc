// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogPDFProperties.h"

#include "app/CAppSettings.h"
#include "app/CDialogUnits.h"
#include "app/CMessageBox.h"
#include "app/EngineText.h"
#include "engine/JobTypes.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDialogPDFProperties::CDialogPDFProperties(CAppSettings& settings, quire::Protection& protection, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_settings(settings)
    , m_protection(protection)
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

    m_pProtectGroup = new QGroupBox(QStringLiteral("Protect the merged file"), this);
    m_pProtectGroup->setObjectName(QStringLiteral("IDC_GROUP_PROTECT"));
    m_pProtect = new QCheckBox(QStringLiteral("&Protect it with a password (AES-256 encryption)"), m_pProtectGroup);
    m_pProtect->setObjectName(QStringLiteral("IDC_CHECK_PROTECT"));
    m_pProtectFields = new QWidget(m_pProtectGroup);
    auto* pPasswords = new QGridLayout;
    pPasswords->setContentsMargins(0, 0, 0, 0);
    auto password = [&](const char* szLabel, const char* szName, int nRow) {
        auto* pEdit = new QLineEdit(m_pProtectFields);
        pEdit->setObjectName(QLatin1String(szName));
        pEdit->setEchoMode(QLineEdit::Password);
        pEdit->setMinimumWidth(du.X(120));
        auto* pLabel = new QLabel(QLatin1String(szLabel), m_pProtectFields);
        pLabel->setBuddy(pEdit);
        pEdit->setAccessibleName(QString(QLatin1String(szLabel)).remove(QLatin1Char('&')).chopped(1));
        pPasswords->addWidget(pLabel, nRow, 0);
        pPasswords->addWidget(pEdit, nRow, 1);
        return pEdit;
    };
    m_pUserPassword = password("Password to &open:", "IDC_EDIT_USER_PASSWORD", 0);
    m_pUserRepeat = password("R&epeat password to open:", "IDC_EDIT_USER_REPEAT", 1);
    m_pOwnerPassword = password("Password to change per&missions:", "IDC_EDIT_OWNER_PASSWORD", 2);
    m_pOwnerRepeat = password("Repe&at password to change permissions:", "IDC_EDIT_OWNER_REPEAT", 3);
    m_pAllowPrint = new QCheckBox(QStringLiteral("Allow pr&inting"), m_pProtectFields);
    m_pAllowPrint->setObjectName(QStringLiteral("IDC_CHECK_ALLOW_PRINT"));
    m_pAllowCopy = new QCheckBox(QStringLiteral("Allow &copying text and images"), m_pProtectFields);
    m_pAllowCopy->setObjectName(QStringLiteral("IDC_CHECK_ALLOW_COPY"));
    auto* pFieldsLayout = new QVBoxLayout(m_pProtectFields);
    pFieldsLayout->setContentsMargins(du.X(10), 0, 0, 0);
    pFieldsLayout->addLayout(pPasswords);
    pFieldsLayout->addWidget(m_pAllowPrint);
    pFieldsLayout->addWidget(m_pAllowCopy);
    auto* pGroupLayout = new QVBoxLayout(m_pProtectGroup);
    pGroupLayout->addWidget(m_pProtect);
    pGroupLayout->addWidget(m_pProtectFields);
    connect(m_pProtect, &QCheckBox::toggled, m_pProtectFields, &QWidget::setEnabled);

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
    pLayout->addWidget(m_pProtectGroup);
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
    for (QLineEdit* pEdit : {m_pUserPassword, m_pUserRepeat})
        pEdit->setText(EngineText::ToText(m_protection.userPassword));
    for (QLineEdit* pEdit : {m_pOwnerPassword, m_pOwnerRepeat})
        pEdit->setText(EngineText::ToText(m_protection.ownerPassword));
    m_pAllowPrint->setChecked(m_protection.allowPrint);
    m_pAllowCopy->setChecked(m_protection.allowCopy);
    m_pProtect->setChecked(m_protection.IsSet());
    m_pProtectFields->setEnabled(m_protection.IsSet());
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
    QLineEdit* pWrong = nullptr;
    if (const QString szProblem = CheckProtection(&pWrong); !szProblem.isEmpty()) {
        CMessageBox::Warning(this, szProblem);
        pWrong->setFocus();
        pWrong->selectAll();
        return;
    }
    m_protection = m_pProtect->isChecked() ? quire::Protection {EngineText::FromText(m_pUserPassword->text()),
                                                                EngineText::FromText(m_pOwnerPassword->text()),
                                                                m_pAllowPrint->isChecked(), m_pAllowCopy->isChecked()}
                                           : quire::Protection {};
    m_settings.SetDocument({m_pTitle->text().trimmed(), m_pAuthor->text().trimmed(), m_pSubject->text().trimmed(),
                            m_pKeywords->text().trimmed()});
    accept();
}

void CDialogPDFProperties::OnBnClickedCheck1()
{
    m_settings.SetPropertiesAlways(m_pAlways->isChecked());
}

QString CDialogPDFProperties::CheckProtection(QLineEdit** ppEdit) const
{
    if (!m_pProtect->isChecked())
        return QString();
    if (m_pUserPassword->text().isEmpty() && m_pOwnerPassword->text().isEmpty()) {
        *ppEdit = m_pUserPassword;
        return QStringLiteral("Type a password to open the merged file, a password to change its permissions, or "
                              "both; or untick \"Protect it with a password\".");
    }
    const struct
    {
        QLineEdit* pPassword;
        QLineEdit* pRepeat;
        const char* szWhat;
    } pairs[] = {{m_pUserPassword, m_pUserRepeat, "password to open"},
                 {m_pOwnerPassword, m_pOwnerRepeat, "password to change permissions"}};
    for (const auto& pair : pairs) {
        if (pair.pPassword->text() != pair.pRepeat->text()) {
            *ppEdit = pair.pPassword;
            return QStringLiteral("The %1 and its repeat differ. Type the same password in both boxes.")
                .arg(QLatin1String(pair.szWhat));
        }
    }
    return QString();
}
