// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogPassword.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string.h>

CDialogPassword::CDialogPassword(const QString& szPath, bool bWrongPassword, QWidget* pParent)
    : QDialog(pParent)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(QStringLiteral("Password"));
    const QString szName = QFileInfo(szPath).fileName();
    m_pPrompt = new QLabel(
        bWrongPassword ? QStringLiteral("The password does not open %1. Try again.").arg(szName)
                       : QStringLiteral("%1 is protected by a password. Type its password to add it.").arg(szName),
        this);
    m_pPrompt->setObjectName(QStringLiteral("IDC_PASSWORD_PROMPT"));
    m_pPrompt->setToolTip(QDir::toNativeSeparators(szPath));
    m_pPrompt->setWordWrap(true);
    m_pPassword = new QLineEdit(this);
    m_pPassword->setObjectName(QStringLiteral("IDC_EDIT_PASSWORD"));
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pPassword->setAccessibleName(QStringLiteral("Password"));
    m_pPrompt->setBuddy(m_pPassword);
    m_pForOtherFiles = new QCheckBox(QStringLiteral("&Use this password for the other files of this batch"), this);
    m_pForOtherFiles->setObjectName(QStringLiteral("IDC_CHECK_PASSWORD_BATCH"));

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOpen = pButtons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    pOpen->setObjectName(QStringLiteral("IDOK"));
    pOpen->setDefault(true);
    QPushButton* pSkip = pButtons->addButton(QStringLiteral("&Skip"), QDialogButtonBox::ActionRole);
    pSkip->setObjectName(QStringLiteral("IDC_SKIP"));
    QPushButton* pCancel = pButtons->addButton(QDialogButtonBox::Cancel);
    pCancel->setObjectName(QStringLiteral("IDCANCEL"));
    connect(pOpen, &QPushButton::clicked, this, &QDialog::accept);
    connect(pSkip, &QPushButton::clicked, this, [this] { done(kSkipped); });
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pPrompt);
    pLayout->addWidget(m_pPassword);
    pLayout->addWidget(m_pForOtherFiles);
    pLayout->addWidget(pButtons);
    m_pPassword->setFocus();
}

CDialogPassword::~CDialogPassword()
{
    WipeField();
}

CSecretText CDialogPassword::TakePassword()
{
    QByteArray utf8 = m_pPassword->text().toUtf8();
    CSecretText password(std::string(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    explicit_bzero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    WipeField();
    return password;
}

bool CDialogPassword::IsForOtherFiles() const
{
    return m_pForOtherFiles->isChecked();
}

void CDialogPassword::WipeField()
{
    QString szText = m_pPassword->text();
    // NOTE: setText rather than clear() because it also drops the field's undo history, which holds
    // the typed characters; afterwards this copy is the text's only holder and is overwritten in place.
    m_pPassword->setText(QString());
    if (!szText.isEmpty())
        explicit_bzero(szText.data(), static_cast<std::size_t>(szText.size()) * sizeof(QChar));
}
