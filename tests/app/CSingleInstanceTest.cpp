// SPDX-License-Identifier: Apache-2.0
#include "app/CSingleInstance.h"

#include "tests/app/ProgramFixture.h"

#include <csignal>

namespace {

class SingleInstance : public ProgramFixture
{
protected:
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
    const std::string ini = SettingsOf("first-config");
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
