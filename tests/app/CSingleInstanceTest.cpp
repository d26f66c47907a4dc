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
        pProcess->start(QStringLiteral(QUIRE_BINARY_DIR "/quire-binder"), {});
        EXPECT_TRUE(pProcess->waitForStarted(10000));
        return pProcess;
    }
    // Waits (running this process's events) until the program has ended.
    static bool Ended(QProcess* pProcess)
    {
        return QTest::qWaitFor([pProcess] { return pProcess->state() == QProcess::NotRunning; }, 30000);
    }
    // Starts a second program while another holds the mark: it must end at once and cleanly,
    // before reading or writing any setting.
    void ExpectSecondStartEnds()
    {
        QProcess* pSecond = Start("second-config");
        ASSERT_TRUE(Ended(pSecond));
        EXPECT_EQ(pSecond->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(pSecond->exitCode(), 0);
        EXPECT_FALSE(QDir(Path("second-config")).exists());
    }
    bool Listening() const
    {
        return QTest::qWaitFor([this] { return QFile::exists(Path("rt") + QStringLiteral("/quire-binder.socket")); },
                               30000);
    }

    QByteArray m_oldRuntime;
    QList<QProcess*> m_processes;
};

} // namespace

// This process plays the running instance (under the program's name), the real program the second start.
TEST_F(SingleInstance, SecondStartRestoresTheRunningWindowOrItsModalDialogAndEnds)
{
    m_app.m_szInstanceName = QStringLiteral("quire-binder");
    ASSERT_TRUE(m_app.InitInstance());
    CMainFrame* pFrame = m_app.MainFrame();
    ASSERT_TRUE(Listening());
    pFrame->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([pFrame] { return pFrame->isMinimized(); }, 5000));
    ExpectSecondStartEnds();
    EXPECT_FALSE(pFrame->isMinimized());
    EXPECT_TRUE(pFrame->isVisible());

    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QWidget other;
    other.show();
    other.activateWindow();
    static_cast<void>(QTest::qWaitFor([&other] { return QApplication::activeWindow() == &other; }, 2000));
    ASSERT_NE(QApplication::activeWindow(), &dialog);
    ExpectSecondStartEnds();
    EXPECT_TRUE(QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; }, 5000));
    m_app.ExitInstance(0);
}

TEST_F(SingleInstance, EndedOrDeadFirstStartsLeaveTheMarkToTheNext)
{
    {
        // The mark is held, but nothing listens yet: the second start ends silently.
        QLockFile lock(Path("rt") + QStringLiteral("/quire-binder.lock"));
        ASSERT_TRUE(lock.tryLock(0));
        ExpectSecondStartEnds();
    }
    QProcess* pFirst = Start("first-config");
    ASSERT_TRUE(Listening());
    ExpectSecondStartEnds();
    EXPECT_EQ(pFirst->state(), QProcess::Running);

    // Ended the way a desktop session ends it, the program writes its settings.
    ::kill(static_cast<pid_t>(pFirst->processId()), SIGTERM);
    ASSERT_TRUE(Ended(pFirst));
    EXPECT_EQ(pFirst->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pFirst->exitCode(), 0);
    const std::string ini = ReadWholeFile(m_tmp.File("first-config") + "/Vellum/Quire Binder/Settings.ini");
    EXPECT_NE(ini.find("[General]\nOpenResult=1\nAutoBackup=1\nSavePath="), std::string::npos) << ini;
    EXPECT_EQ(ini.find("PDFTitle"), std::string::npos);

    // The next start runs itself; killed, it leaves a stale lock behind, which does not keep the next
    // from starting either.
    QProcess* pThird = Start("third-config");
    ASSERT_TRUE(Listening());
    EXPECT_EQ(pThird->state(), QProcess::Running) << "the first took its mark with it";
    pThird->kill();
    ASSERT_TRUE(Ended(pThird));
    ASSERT_TRUE(QFile::exists(Path("rt") + QStringLiteral("/quire-binder.lock")));
    CSingleInstance guard(QStringLiteral("quire-binder"));
    EXPECT_TRUE(guard.TryLock());
    EXPECT_TRUE(guard.Listen());
}
