// SPDX-License-Identifier: Apache-2.0
#include "app/CMessageBox.h"

#include <QList>

namespace {

bool g_bTestMode = false;
QList<QMessageBox::StandardButton> g_answers;
QStringList g_shown;

} // namespace

QMessageBox::StandardButton CMessageBox::Show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                              const QString& text, QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    if (g_bTestMode) {
        g_shown.append(text);
        if (!g_answers.isEmpty())
            return g_answers.takeFirst();
        return defaultButton != QMessageBox::NoButton ? defaultButton : QMessageBox::Ok;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CMessageBox::Information(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Information, QStringLiteral("Quire Binder"), text);
}

void CMessageBox::Warning(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Warning, QStringLiteral("Quire Binder"), text);
}

void CMessageBox::Critical(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Critical, QStringLiteral("Quire Binder"), text);
}

void CMessageBox::SetTestMode(bool bOn)
{
    g_bTestMode = bOn;
    g_answers.clear();
    g_shown.clear();
}

void CMessageBox::SetNextAnswer(QMessageBox::StandardButton answer)
{
    g_answers.append(answer);
}

QStringList CMessageBox::TakeShownTexts()
{
    QStringList shown;
    shown.swap(g_shown);
    return shown;
}
