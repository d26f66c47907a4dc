// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

class CAppSettings;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "Document Properties": edits the title, author, subject and keywords a merge writes, and the
// "Always use these settings" flag, all held by the settings object.
//
// The four texts change only on OK, trimmed at both ends; Cancel and the close box keep them. The check
// box takes effect the moment it is clicked, even when the dialog is then cancelled. The labels are
// as wide as their texts in any font; the dialog opens centred over its parent's window.
class CDialogPDFProperties : public QDialog
{
    Q_OBJECT

public:
    explicit CDialogPDFProperties(CAppSettings& settings, QWidget* parent = nullptr);

    // Clear All: empties the four edits; the settings keep their values until OK.
    void OnBnClickedButton1();
    // OK: takes the four texts, trimmed, and closes the dialog.
    void OnBnClickedOk();
    // The check box: PropertiesAlways follows it at once.
    void OnBnClickedCheck1();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();

    CAppSettings& m_settings;
    QLineEdit* m_pTitle = nullptr;
    QLineEdit* m_pAuthor = nullptr;
    QLineEdit* m_pSubject = nullptr;
    QLineEdit* m_pKeywords = nullptr;
    QCheckBox* m_pAlways = nullptr;
};
