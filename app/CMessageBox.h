// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every message box of the program goes through here, so that tests can answer it without a
// window popping up: after SetTestMode(true) no box is shown, each call is recorded, and the
// answer is the next one queued with SetNextAnswer() (else the default button).
class CMessageBox
{
public:
    static QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                            const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static void Information(QWidget* parent, const QString& text);
    static void Warning(QWidget* parent, const QString& text);
    static void Critical(QWidget* parent, const QString& text);

    static void SetTestMode(bool bOn);
    static void SetNextAnswer(QMessageBox::StandardButton answer);
    // The texts shown since the last call, oldest first; clears the record.
    static QStringList TakeShownTexts();
};
