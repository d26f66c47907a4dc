// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/CSecretText.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// Asks for the password of one protected file while files are added: a line naming the file (or,
// when the password typed last did not open it, "The password does not open a.pdf. Try again."), the
// password field (shown as dots), "Use this password for the other files of this batch", and Open
// (the default, Enter), Skip and Cancel.
//
// exec() answers QDialog::Accepted for Open, kSkipped for Skip, and QDialog::Rejected for Cancel,
// Escape or the window's close button. The typed text is handed over once by TakePassword(); the
// field is emptied then and when the dialog goes, and our copies of the text are overwritten.
class CDialogPassword : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSkipped = 2;

    // `szPath` is the file's full path; the dialog shows its name and the path as the name's tooltip.
    CDialogPassword(const QString& szPath, bool bWrongPassword, QWidget* pParent = nullptr);
    ~CDialogPassword() override;

    // The text typed, in UTF-8; the field is empty afterwards.
    CSecretText TakePassword();
    bool IsForOtherFiles() const;

private:
    void WipeField();

    QLabel* m_pPrompt = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QCheckBox* m_pForOtherFiles = nullptr;
};
