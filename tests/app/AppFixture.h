// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CFileDialog.h"
#include "app/CMessageBox.h"
#include "app/CQuireApp.h"
#include "app/CShell.h"
#include "tests/support/TempDir.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

// An application object whose Settings.ini and settings area (recent files, look) live in the test's
// own folder, with every modal seam in test mode.
class AppFixture : public TempDirTest
{
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(m_tmp.Path().string()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path("registry"));
        CMessageBox::SetTestMode(true);
        CFileDialog::SetTestMode(true);
        CShell::SetTestMode(true);
        m_app.GetAppPath();
        m_app.GetAppDataPath();
        m_app.m_szSettingsFile = m_app.m_szAppDataPath + QStringLiteral("Settings.ini");
        m_app.GetAppSettings();
        m_app.LoadStdProfileSettings();
    }
    void TearDown() override
    {
        CMessageBox::SetTestMode(false);
        CFileDialog::SetTestMode(false);
        CShell::SetTestMode(false);
        qputenv("HOME", m_oldHome);
    }

    QString Path(const std::string& name) const { return QString::fromStdString(m_tmp.File(name)); }
    QSettings Registry() const { return QSettings(QStringLiteral("Vellum"), QStringLiteral("Quire Binder")); }

    QByteArray m_oldHome;
    CQuireApp m_app;
};
