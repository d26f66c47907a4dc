// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "tests/app/AppFixture.h"

#include <functional>
#include <sys/stat.h>

// Runs the real program with its own config folder and the runtime folder the test shares with it.
class ProgramFixture : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        QDir().mkpath(Path("rt"));
        ::chmod(m_tmp.File("rt").c_str(), 0700);
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", Path("rt").toLocal8Bit());
    }
    void TearDown() override
    {
        for (QProcess* pProcess : m_processes) {
            if (pProcess->state() != QProcess::NotRunning) {
                pProcess->kill();
                pProcess->waitForFinished(10000);
            }
            delete pProcess;
        }
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        AppFixture::TearDown();
    }

    // `inChild` runs in the new process just before the program is started in it.
    QProcess* Start(const std::string& configName, const std::function<void()>& inChild = {})
    {
        auto* pProcess = new QProcess;
        m_processes.append(pProcess);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), Path(""));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(configName));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("rt"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        pProcess->setProcessEnvironment(env);
        if (inChild)
            pProcess->setChildProcessModifier(inChild);
        pProcess->start(QStringLiteral(QUIRE_BINARY_DIR "/quire-binder"), {});
        EXPECT_TRUE(pProcess->waitForStarted(10000));
        return pProcess;
    }
    // Waits (running this process's events) until the program has ended.
    static bool Ended(QProcess* pProcess)
    {
        return QTest::qWaitFor([pProcess] { return pProcess->state() == QProcess::NotRunning; }, 30000);
    }
    bool Listening() const
    {
        return QTest::qWaitFor([this] { return QFile::exists(Path("rt") + QStringLiteral("/quire-binder.socket")); },
                               30000);
    }
    // The settings file the program started with `configName` writes.
    std::string SettingsOf(const std::string& configName) const
    {
        return ReadWholeFile(m_tmp.File(configName) + "/Vellum/Quire Binder/Settings.ini");
    }

    QByteArray m_oldRuntime;
    QList<QProcess*> m_processes;
};
