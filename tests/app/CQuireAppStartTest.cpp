// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

#include <QLocalSocket>

namespace {

using AppStart = AppFixture;

// Runs the real program with its own config folder, under the test's home, runtime folder and display
// platform.
class Program : public AppFixture
{
protected:
    // `inChild` runs in the new process just before the program is started in it.
    QProcess* Start(const std::string& configName, const std::function<void()>& inChild = {},
                    const QStringList& arguments = {})
    {
        // Destroying a QProcess kills what still runs.
        QProcess* pProcess = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", Path(configName));
        pProcess->setProcessEnvironment(env);
        pProcess->setChildProcessModifier(inChild ? inChild : [] {});
        pProcess->start(QStringLiteral(QUIRE_BINARY_DIR "/quire-binder"), arguments);
        EXPECT_TRUE(pProcess->waitForStarted(10000));
        return pProcess;
    }
    // Whether the process ends within 30 s, and `bCleanly`: normally, with exit code 0.
    static bool Ended(QProcess* pProcess, bool bCleanly = true)
    {
        return QTest::qWaitFor([pProcess] { return pProcess->state() == QProcess::NotRunning; }, 30000)
            && (!bCleanly || (pProcess->exitStatus() == QProcess::NormalExit && pProcess->exitCode() == 0));
    }
    // Waits until the program has its signal handlers in place, then until it listens for a second start.
    bool Ready(QProcess* pProcess) const
    {
        return QTest::qWaitFor([pProcess] { return fx::InSignalMask(pProcess->processId(), "SigCgt", SIGTERM); }, 30000)
            && QTest::qWaitFor([this] { return QFile::exists(Path("rt/quire-binder.socket")); }, 30000);
    }
    // The second program, given `files`, must end at once and cleanly, before reading or writing any setting.
    void ExpectSecondStartEnds(const QStringList& files = {})
    {
        EXPECT_TRUE(Ended(Start("second-config", {}, files)));
        EXPECT_FALSE(QDir(Path("second-config")).exists());
    }

    std::vector<std::unique_ptr<QProcess>> m_processes;
};

} // namespace

// What a second start would send, broken in every way: the running side drops it whole, and answers
// only the well-formed request last.
TEST_F(AppStart, AGarbledRequestFromASecondStartDoesNothing)
{
    CSingleInstance running(QStringLiteral("quire-forward-test"));
    ASSERT_TRUE(running.TryLock() && running.Listen());
    QSignalSpy requests(&running, &CSingleInstance::activationRequested);
    const QByteArray rows[] = {
        "activate\n",
        "not json\n",
        "{\"files\":\"/a.pdf\"}\n",
        "{\"files\":[\"relative.pdf\"]}\n",
        "{\"files\":[\"/a.pdf\",7]}\n",
        "{\"files\":[\"/a\\u0000b.pdf\"]}\n",
        "{\"files\":[\"/a.pdf\"],\"more\":1}\n",
        "{\"files\":[\"/\xff.pdf\"]}\n",
        QByteArray(CSingleInstance::kMaxRequestBytes + 2, '['),
        "{\"files\":[\"/a.pdf\"]}\n",
    };
    for (const QByteArray& request : rows) {
        SCOPED_TRACE(request.left(40).toStdString());
        QLocalSocket socket;
        socket.connectToServer(running.ServerPath());
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write(request);
        EXPECT_TRUE(QTest::qWaitFor([&socket] { return socket.state() == QLocalSocket::UnconnectedState; }, 10000));
        EXPECT_EQ(socket.readAll(), QByteArray(&request == std::end(rows) - 1 ? "ok\n" : ""));
    }
    EXPECT_EQ(requests, QList<QVariantList> {{QStringList {"/a.pdf"}}});
}

// Files given at start go through the intake, which names the unreadable ones in one message; options
// are passed over until "--", and relative paths are taken against the current folder.
TEST_F(AppStart, StartUpShowsTheWindowWithTheSavedSettingsAndTheFilesGivenAndExitWritesWhatTheUserChanged)
{
    // The first start proposes the documents folder.
    EXPECT_EQ(Settings().SavePath(),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QLatin1Char('/'));

    WriteWholeFile(Ini(), "[General]\nSavePath=/out/merged.pdf\nAutoBackup=0\n");
    MakePdf("good one.pdf", 2);
    MakePdf("-dash.pdf", 1);
    WriteWholeFile(m_tmp.File("notes.txt"), "plain text");
    QDir(Path("")).mkdir(QStringLiteral("folder"));
    QDir::setCurrent(Path(""));
    m_app.m_szInstanceName = QStringLiteral("quire-app-start-test");
    ASSERT_TRUE(m_app.InitInstance(
        {"quire-binder", "-style=fusion", "good one.pdf", "missing.pdf", "folder", "notes.txt", "--", "-dash.pdf"}));
    CMainFrame* pFrame = m_app.MainFrame();
    ASSERT_NE(pFrame, nullptr);
    EXPECT_TRUE(pFrame->isVisible());
    EXPECT_EQ(pFrame->GetOutputPathText(), QStringLiteral("/out/merged.pdf"));
    EXPECT_FALSE(Child<QAction>(*pFrame, "ID_OPTIONS_AUTO_BACKUP")->isChecked());
    CXListCtrl* pList = pFrame->findChild<CXListCtrl*>();
    EXPECT_TRUE(QTest::qWaitFor([pList] { return pList->GetItemCount() == 2; }, 10000));
    QStringList shown;
    EXPECT_TRUE(QTest::qWaitFor([&shown] { return !(shown += CMessageBox::TakeShownTexts()).isEmpty(); }, 10000));
    ASSERT_EQ(shown.size(), 1);
    for (const char* szName : {"missing.pdf", "folder", "notes.txt"})
        EXPECT_TRUE(shown[0].contains(Path(szName))) << szName;
    EXPECT_FALSE(shown[0].contains(QLatin1String("one.pdf")) || shown[0].contains(QLatin1String("dash.pdf")));
    EXPECT_EQ(Settings().RecentFiles().Entries(), (QStringList {Path("-dash.pdf"), Path("good one.pdf")}));

    TriggerAction(*pFrame, "ID_OPTIONS_AUTO_OPEN");
    EXPECT_EQ(m_app.ExitInstance(3), 3);
    EXPECT_EQ(ReadWholeFile(Ini()),
              "[General]\nSavePath=/out/merged.pdf\nAutoBackup=0\nOpenResult=0\nNestBookmarks=0\n\n"
              "[General Settings]\nPropertiesAlways=0\n\n[Split]\nMode=0\nEvery=1\nLevel=1\nNameTemplate=\nFolder=\n");
}

// This process plays the running instance (under the program's name), the real program the second start,
// which hands over its files as absolute paths.
TEST_F(Program, SecondStartHandsOverItsFilesRestoresTheRunningWindowOrItsModalDialogAndEnds)
{
    MakePdf("one twö.pdf", 1);
    MakePdf("three.pdf", 1);
    QDir::setCurrent(Path(""));
    m_app.m_szInstanceName = QStringLiteral("quire-binder");
    ASSERT_TRUE(m_app.InitInstance());
    CMainFrame* pFrame = m_app.MainFrame();
    CXListCtrl* pList = pFrame->findChild<CXListCtrl*>();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QFile::exists(Path("rt/quire-binder.socket")); }, 30000));
    pFrame->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([pFrame] { return pFrame->isMinimized(); }, 5000));
    ExpectSecondStartEnds({"one twö.pdf", "/docs/two\nlines.pdf", "/docs/../up.pdf"});
    EXPECT_EQ(std::pair(pFrame->isMinimized(), pFrame->isVisible()), std::pair(false, true));
    EXPECT_TRUE(QTest::qWaitFor([pList] { return pList->GetItemCount() == 1; }, 10000));
    QStringList shown;
    EXPECT_TRUE(QTest::qWaitFor([&shown] { return !(shown += CMessageBox::TakeShownTexts()).isEmpty(); }, 10000));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("/docs/two\nlines.pdf") && shown[0].contains("/up.pdf")
                && !shown[0].contains("/docs/../"))
        << shown[0].toStdString();

    // While a modal dialog runs (a job's progress), the files wait until it has closed.
    auto dialog = std::make_unique<QDialog>();
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QWidget other;
    other.show();
    other.activateWindow();
    static_cast<void>(QTest::qWaitFor([&other] { return QApplication::activeWindow() == &other; }, 2000));
    ASSERT_NE(QApplication::activeWindow(), dialog.get());
    ExpectSecondStartEnds({Path("three.pdf")});
    EXPECT_TRUE(QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == dialog.get(); }, 5000));
    QTest::qWait(500);
    EXPECT_EQ(pList->GetItemCount(), 1);
    dialog.reset();
    EXPECT_TRUE(QTest::qWaitFor([pList] { return pList->GetItemCount() == 2; }, 10000));
    m_app.ExitInstance(0);
}

TEST_F(Program, RunsAloneEndsNormallyOnHangupOrTerminateAndLeavesTheMarkToTheNext)
{
    {
        // The mark is held, but nothing listens yet: the second start ends silently.
        QLockFile lock(Path("rt/quire-binder.lock"));
        ASSERT_TRUE(lock.tryLock(0));
        ExpectSecondStartEnds();
    }
    // Ended the way a desktop session or a closed terminal ends it, the program writes its settings.
    for (const int nSignal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(nSignal);
        const std::string config = "config" + std::to_string(nSignal);
        QProcess* pProgram = Start(config);
        ASSERT_TRUE(Ready(pProgram)) << "the one before took its mark with it";
        EXPECT_TRUE(fx::InSignalMask(pProgram->processId(), "SigIgn", SIGXFSZ));
        ExpectSecondStartEnds();
        EXPECT_EQ(pProgram->state(), QProcess::Running);
        ::kill(pProgram->processId(), nSignal);
        ASSERT_TRUE(Ended(pProgram));
        const std::string ini = ReadWholeFile(m_tmp.File(config) + "/Vellum/Quire Binder/Settings.ini");
        EXPECT_NE(ini.find("[General]\nOpenResult=1\nAutoBackup=1\nSavePath="), std::string::npos) << ini;
        EXPECT_EQ(ini.find("PDFTitle"), std::string::npos);
    }

    // Started ignoring hangups, it keeps running; killed, it leaves a stale lock behind, which does not
    // keep the next from starting either.
    QProcess* pNohup = Start("nohup-config", [] { std::signal(SIGHUP, SIG_IGN); });
    ASSERT_TRUE(Ready(pNohup));
    ::kill(pNohup->processId(), SIGHUP);
    EXPECT_FALSE(pNohup->waitForFinished(500));
    pNohup->kill();
    ASSERT_TRUE(Ended(pNohup, false) && QFile::exists(Path("rt/quire-binder.lock")));
    CSingleInstance guard(QStringLiteral("quire-binder"));
    EXPECT_TRUE(guard.TryLock() && guard.Listen());
}
