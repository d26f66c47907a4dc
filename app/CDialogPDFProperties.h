// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

class CAppSettings;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace quire {
struct Protection;
}

// "Document Properties": edits the title, author, subject and keywords a merge writes, and the
// "Always use these settings" flag, all held by the settings object; and, in the group "Protect the
// merged file", the passwords and permissions of the merge output, held by `protection` (the
// caller's, in memory only: this dialog never hands them to the settings).
//
// The four texts and the protection change only on OK, the texts trimmed at both ends, the passwords
// as typed; Cancel and the close box keep them. The check box takes effect the moment it is clicked,
// even when the dialog is then cancelled. The labels are as wide as their texts in any font; the
// dialog opens centred over its parent's window.
//
// The group's check box enables the rest of it: a password to open, a password to change
// permissions, each typed twice, and "Allow printing" and "Allow copying text and images" (both on
// for a file not protected yet). OK with the box ticked refuses, with a message, and keeps the dialog
// open when both passwords are empty or a password and its repeat differ; with the box unticked OK
// forgets the passwords.
class CDialogPDFProperties : public QDialog
{
    Q_OBJECT

public:
    CDialogPDFProperties(CAppSettings& settings, quire::Protection& protection, QWidget* parent = nullptr);

    // Clear All: empties the four edits; the settings keep their values until OK.
    void OnBnClickedButton1();
    // OK: takes the four texts, trimmed, and the protection, and closes the dialog; or says what is
    // wrong with the passwords and changes nothing.
    void OnBnClickedOk();
    // The check box: PropertiesAlways follows it at once.
    void OnBnClickedCheck1();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    // Empty when the group's entries make a protection, else what the user should change; the edit to
    // correct comes in `ppEdit`.
    QString CheckProtection(QLineEdit** ppEdit) const;

    CAppSettings& m_settings;
    quire::Protection& m_protection;
    QLineEdit* m_pTitle = nullptr;
    QLineEdit* m_pAuthor = nullptr;
    QLineEdit* m_pSubject = nullptr;
    QLineEdit* m_pKeywords = nullptr;
    QCheckBox* m_pAlways = nullptr;
    QGroupBox* m_pProtectGroup = nullptr;
    QCheckBox* m_pProtect = nullptr;
    QWidget* m_pProtectFields = nullptr; // enabled while m_pProtect is ticked
    QLineEdit* m_pUserPassword = nullptr;
    QLineEdit* m_pUserRepeat = nullptr;
    QLineEdit* m_pOwnerPassword = nullptr;
    QLineEdit* m_pOwnerRepeat = nullptr;
    QCheckBox* m_pAllowPrint = nullptr;
    QCheckBox* m_pAllowCopy = nullptr;
};
