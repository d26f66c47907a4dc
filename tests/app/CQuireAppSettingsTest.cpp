// SPDX-License-Identifier: Apache-2.0
#include "CQuireApp.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <filesystem>

namespace {

// Points the test-mode config folder (~/.qttest/config) into the test's own folder.
class AppSettings : public TempDirTest
{
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(m_tmp.Path().string()));
        m_app.GetAppPath();
        m_app.GetAppDataPath();
        m_app.m_szSettingsFile = m_app.m_szAppDataPath + QStringLiteral("Settings.ini");
    }
    void TearDown() override { qputenv("HOME", m_oldHome); }

    std::string Ini() const { return m_app.m_szSettingsFile.toStdString(); }
    std::string Documents() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString() + "/";
    }

    QByteArray m_oldHome;
    CQuireApp m_app;
};

} // namespace

TEST_F(AppSettings, DataFolderIsCreatedUnderTheConfigFolder)
{
    const QString expected = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Vellum/Quire Binder/");
    EXPECT_EQ(m_app.m_szAppDataPath, expected);
    EXPECT_TRUE(QDir(expected).exists());
    EXPECT_TRUE(m_app.m_szAppPath.endsWith(QLatin1Char('/')));
}

TEST_F(AppSettings, FirstStartTakesDefaultsAndTheFirstExitWritesOnlyTheThreeKeys)
{
    m_app.GetAppSettings();
    EXPECT_EQ(m_app.m_nOpenResult, 1);
    EXPECT_EQ(m_app.m_nAutoBackup, 1);
    EXPECT_EQ(m_app.m_szSavePath.toStdString(), Documents());
    EXPECT_TRUE(m_app.m_szPDFTitle.isEmpty());
    EXPECT_EQ(m_app.m_nPropertiesAlways, 0);

    m_app.m_szPDFTitle = QStringLiteral("not saved");
    ASSERT_TRUE(m_app.WriteAppSettings());
    EXPECT_EQ(ReadWholeFile(Ini()), "[General]\nOpenResult=1\nAutoBackup=1\nSavePath=" + Documents() + "\n");
}

TEST_F(AppSettings, PropertiesAlwaysFromTheFileSavesTheDocumentTexts)
{
    WriteWholeFile(Ini(), "[General]\nPDFTitle=Old\n[General Settings]\nPropertiesAlways=1\n");
    m_app.GetAppSettings();
    EXPECT_EQ(m_app.m_nPropertiesAlways, 1);
    EXPECT_EQ(m_app.m_szPDFTitle, QStringLiteral("Old"));
    m_app.m_szPDFAuthor = QStringLiteral("Ann Example");
    ASSERT_TRUE(m_app.WriteAppSettings());

    CQuireApp again;
    again.m_szSettingsFile = m_app.m_szSettingsFile;
    again.GetAppSettings();
    EXPECT_EQ(again.m_szPDFTitle, QStringLiteral("Old"));
    EXPECT_EQ(again.m_szPDFAuthor, QStringLiteral("Ann Example"));
    EXPECT_EQ(again.m_szPDFKeywords, QString());
    // The flag itself is never written back; the hand-edited line stays.
    EXPECT_NE(ReadWholeFile(Ini()).find("[General Settings]\nPropertiesAlways=1\n"), std::string::npos);
}

TEST_F(AppSettings, DocumentTextsLoadEvenWhenTheyAreNotSaved)
{
    WriteWholeFile(Ini(), "[General]\nPDFSubject=Kept from before\n");
    m_app.GetAppSettings();
    EXPECT_EQ(m_app.m_szPDFSubject, QStringLiteral("Kept from before"));
    m_app.m_szPDFSubject = QStringLiteral("changed this run");
    ASSERT_TRUE(m_app.WriteAppSettings());
    EXPECT_NE(ReadWholeFile(Ini()).find("PDFSubject=Kept from before"), std::string::npos);
}

TEST_F(AppSettings, SwitchesAreOnOnlyWhenExactlyOne)
{
    WriteWholeFile(Ini(), "[General]\nOpenResult=2\nAutoBackup=1\n");
    m_app.GetAppSettings();
    EXPECT_FALSE(m_app.IsOpenResultOn());
    EXPECT_TRUE(m_app.IsAutoBackupOn());
    // The value itself is kept, so writing does not quietly change what the user typed.
    ASSERT_TRUE(m_app.WriteAppSettings());
    EXPECT_NE(ReadWholeFile(Ini()).find("OpenResult=2\n"), std::string::npos);
}

TEST_F(AppSettings, GarbageFileGivesDefaultsAndKeepsTheUsersLines)
{
    const std::string junk = std::string("\x7f" "ELF\0\0\x01garbage[[[\n", 17) + "[General\n" + std::string(1 << 20, 'z');
    WriteWholeFile(Ini(), junk);
    m_app.GetAppSettings();
    EXPECT_EQ(m_app.m_nOpenResult, 1);
    EXPECT_EQ(m_app.m_szSavePath.toStdString(), Documents());
    ASSERT_TRUE(m_app.WriteAppSettings());
    const std::string written = ReadWholeFile(Ini());
    EXPECT_EQ(written.substr(0, junk.size()), junk);
    EXPECT_NE(written.find("[General]\nOpenResult=1\n"), std::string::npos);
}

// The real program, started and ended the way a desktop session ends it, writes its settings.
TEST(AppProcess, FirstStartAndNormalExitCreateTheSettingsFile)
{
    TempDir tmp;
    const QString config = QString::fromStdString(tmp.File("config"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QString::fromStdString(tmp.Path().string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUIRE_BINARY_DIR "/quire-binder"), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    // The data folder appears once start-up has reached the settings, after the signal handler is set.
    const QString folder = config + QStringLiteral("/Vellum/Quire Binder");
    QElapsedTimer clock;
    clock.start();
    while (!QDir(folder).exists() && clock.elapsed() < 20000)
        QThread::msleep(20);
    ASSERT_TRUE(QDir(folder).exists());
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const std::string ini = ReadWholeFile((folder + QStringLiteral("/Settings.ini")).toStdString());
    EXPECT_NE(ini.find("[General]\nOpenResult=1\nAutoBackup=1\nSavePath="), std::string::npos) << ini;
    EXPECT_EQ(ini.find("PDFTitle"), std::string::npos);
}
