// SPDX-License-Identifier: Apache-2.0
#include "CSingleInstance.h"
#include "AppFixture.h"
#include "CMainFrame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

namespace {

const QString kProgram = QStringLiteral(QUIRE_BINARY_DIR "/quire-binder");

// Runs the real program with its own config folder and the runtime folder the test shares with it.
class SingleInstance : public AppFixture
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
        m_processes.clear();
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        AppFixture::TearDown();
    }

    QProcess* Start(const std::string& configName)
    {
        auto* pProcess = new QProcess;
        m_processes.append(pProcess);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), Path(""));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(configName));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("rt"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        pProcess->setProcessEnvironment(env);
        pProcess->start(kProgram, {});
        EXPECT_TRUE(pProcess->waitForStarted(10000));
        return pProcess;
    }
    // Waits (running this process's events) until the program has ended.
    static bool Ended(QProcess* pProcess)
    {
        return QTest::qWaitFor([pProcess] { return pProcess->state() == QProcess::NotRunning; }, 30000);
    }
    QString Socket() const { return Path("rt") + QStringLiteral("/quire-binder.socket"); }

    QByteArray m_oldRuntime;
    QList<QProcess*> m_processes;
};

} // namespace

// This process plays the running instance (under the program's name), the real program the second start.
TEST_F(SingleInstance, SecondStartRestoresTheRunningWindowAndEndsWithoutTouchingSettings)
{
    m_app.m_szInstanceName = QStringLiteral("quire-binder");
    ASSERT_TRUE(m_app.InitInstance());
    CMainFrame* pFrame = m_app.MainFrame();
    ASSERT_TRUE(QFile::exists(Socket()));
    pFrame->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([pFrame] { return pFrame->isMinimized(); }, 5000));

    QProcess* pSecond = Start("second-config");
    ASSERT_TRUE(Ended(pSecond));
    EXPECT_EQ(pSecond->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pSecond->exitCode(), 0);
    EXPECT_FALSE(pFrame->isMinimized());
    EXPECT_TRUE(pFrame->isVisible());
    // The second start ended before reading or writing any setting.
    EXPECT_FALSE(QDir(Path("second-config")).exists());
    m_app.ExitInstance(0);
}

TEST_F(SingleInstance, SecondStartBringsTheRunningInstancesModalDialogForward)
{
    m_app.m_szInstanceName = QStringLiteral("quire-binder");
    ASSERT_TRUE(m_app.InitInstance());
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QWidget other;
    other.show();
    other.activateWindow();
    static_cast<void>(QTest::qWaitFor([&other] { return QApplication::activeWindow() == &other; }, 2000));
    ASSERT_NE(QApplication::activeWindow(), &dialog);

    QProcess* pSecond = Start("second-config");
    ASSERT_TRUE(Ended(pSecond));
    EXPECT_TRUE(QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; }, 5000));
    m_app.ExitInstance(0);
}

TEST_F(SingleInstance, SecondStartBeforeTheFirstHasAWindowEndsSilently)
{
    // The mark is held, but nothing listens yet.
    QLockFile lock(Path("rt") + QStringLiteral("/quire-binder.lock"));
    ASSERT_TRUE(lock.tryLock(0));
    QProcess* pSecond = Start("second-config");
    ASSERT_TRUE(Ended(pSecond));
    EXPECT_EQ(pSecond->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pSecond->exitCode(), 0);
    EXPECT_FALSE(QDir(Path("second-config")).exists());
}

TEST_F(SingleInstance, TwoRealStartsThenANewStartAfterTheFirstEnded)
{
    QProcess* pFirst = Start("first-config");
    ASSERT_TRUE(QTest::qWaitFor([this] { return QFile::exists(Socket()); }, 30000));

    QProcess* pSecond = Start("second-config");
    ASSERT_TRUE(Ended(pSecond));
    EXPECT_EQ(pSecond->exitCode(), 0);
    EXPECT_EQ(pFirst->state(), QProcess::Running);
    EXPECT_FALSE(QDir(Path("second-config")).exists());

    ::kill(static_cast<pid_t>(pFirst->processId()), SIGTERM);
    ASSERT_TRUE(Ended(pFirst));
    EXPECT_EQ(pFirst->exitCode(), 0);

    // The mark went with its process: the next start runs and listens itself.
    QProcess* pThird = Start("second-config");
    ASSERT_TRUE(QTest::qWaitFor([this] { return QFile::exists(Socket()); }, 30000));
    EXPECT_EQ(pThird->state(), QProcess::Running);
    ::kill(static_cast<pid_t>(pThird->processId()), SIGTERM);
    ASSERT_TRUE(Ended(pThird));
    EXPECT_TRUE(QFile::exists(Path("second-config") + QStringLiteral("/Vellum/Quire Binder/Settings.ini")));
}

// A stale lock from a process that died does not keep the program from starting.
TEST_F(SingleInstance, ALockLeftByADeadProcessIsTakenOver)
{
    QProcess* pFirst = Start("first-config");
    ASSERT_TRUE(QTest::qWaitFor([this] { return QFile::exists(Socket()); }, 30000));
    pFirst->kill();
    ASSERT_TRUE(Ended(pFirst));
    ASSERT_TRUE(QFile::exists(Path("rt") + QStringLiteral("/quire-binder.lock")));

    CSingleInstance guard(QStringLiteral("quire-binder"));
    EXPECT_TRUE(guard.TryLock());
    EXPECT_TRUE(guard.Listen());
}
