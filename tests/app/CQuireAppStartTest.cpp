// SPDX-License-Identifier: Apache-2.0
#include "AppFixture.h"
#include "CMainFrame.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

using AppStart = AppFixture;

QStringList Args(std::initializer_list<QString> rest)
{
    QStringList args {QStringLiteral("quire-binder")};
    args.append(QStringList(rest));
    return args;
}

} // namespace

TEST_F(AppStart, AMissingFileArgumentIsNamedInAMessageAndEndsStartUp)
{
    const QString missing = Path("nowhere/missing.pdf");
    EXPECT_FALSE(m_app.ProcessShellCommand(Args({missing})));
    const QStringList shown = CMessageBox::TakeShownTexts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(missing)) << shown[0].toStdString();
    EXPECT_EQ(m_app.GetRecentFileList().Count(), 0);

    QDir(Path("")).mkdir(QStringLiteral("folder"));
    EXPECT_FALSE(m_app.ProcessShellCommand(Args({Path("folder")})));
    EXPECT_EQ(CMessageBox::TakeShownTexts().size(), 1);
}

TEST_F(AppStart, AnExistingFileArgumentOnlyGoesOnTopOfTheRecentFiles)
{
    WriteWholeFile(m_tmp.File("old.pdf"), "%PDF-1.4\n");
    WriteWholeFile(m_tmp.File("new.pdf"), "not read at all");
    m_app.AddToRecentFileList(Path("old.pdf"));
    QDir::setCurrent(Path(""));
    // Options are passed over; a relative path is recorded in full.
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({QStringLiteral("-style=fusion"), QStringLiteral("new.pdf")})));
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    EXPECT_EQ(m_app.GetRecentFileList().Entries(), (QStringList {Path("new.pdf"), Path("old.pdf")}));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({})));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({QStringLiteral("--"), Path("old.pdf")})));
    EXPECT_EQ(m_app.GetRecentFileList().Entry(0), Path("old.pdf"));
}

TEST_F(AppStart, TheRecentFileListKeepsSixteenAndSurvivesARestart)
{
    for (int i = 0; i < 20; ++i)
        m_app.AddToRecentFileList(QStringLiteral("/docs/%1.pdf").arg(i));
    m_app.AddToRecentFileList(QStringLiteral("/docs/10.pdf"));
    ASSERT_EQ(m_app.GetRecentFileList().Count(), 16);
    EXPECT_EQ(m_app.GetRecentFileList().Entry(0), QStringLiteral("/docs/10.pdf"));
    EXPECT_EQ(m_app.GetRecentFileList().Entry(1), QStringLiteral("/docs/19.pdf"));
    EXPECT_EQ(m_app.GetRecentFileList().Entry(15), QStringLiteral("/docs/4.pdf"));
    m_app.GetRecentFileList().WriteList();

    CRecentFileList again(16);
    again.ReadList();
    EXPECT_EQ(again.Entries(), m_app.GetRecentFileList().Entries());
}

TEST_F(AppStart, StartUpShowsTheWindowWithTheSavedOutputPathAndExitWritesEverything)
{
    WriteWholeFile(m_app.m_szSettingsFile.toStdString(), "[General]\nSavePath=/out/merged.pdf\nAutoBackup=0\n");
    m_app.m_szInstanceName = QStringLiteral("quire-app-start-test");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", Path("").toLocal8Bit());
    const bool bStarted = m_app.InitInstance();
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    ASSERT_TRUE(bStarted);
    CMainFrame* pFrame = m_app.MainFrame();
    ASSERT_NE(pFrame, nullptr);
    EXPECT_TRUE(pFrame->isVisible());
    EXPECT_EQ(pFrame->GetOutputPathText(), QStringLiteral("/out/merged.pdf"));
    EXPECT_EQ(m_app.m_nAutoBackup, 0);

    m_app.m_nOpenResult = 0;
    m_app.AddToRecentFileList(QStringLiteral("/docs/a.pdf"));
    EXPECT_EQ(m_app.ExitInstance(3), 3);
    const std::string ini = ReadWholeFile(m_app.m_szSettingsFile.toStdString());
    EXPECT_NE(ini.find("OpenResult=0"), std::string::npos) << ini;
    EXPECT_NE(ini.find("SavePath=/out/merged.pdf"), std::string::npos) << ini;
    EXPECT_EQ(Registry().value(QStringLiteral("Recent File List/File1")).toString(), QStringLiteral("/docs/a.pdf"));
}
