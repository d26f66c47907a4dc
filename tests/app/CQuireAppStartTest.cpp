// SPDX-License-Identifier: Apache-2.0
#include "app/CMainFrame.h"
#include "tests/app/AppFixture.h"

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

TEST_F(AppStart, AFileArgumentGoesOnTopOfTheRecentFilesOrIsNamedInAMessageWhenMissing)
{
    const QString missing = Path("nowhere/missing.pdf");
    QDir(Path("")).mkdir(QStringLiteral("folder"));
    for (const QString& szBad : {missing, Path("folder")}) {
        EXPECT_FALSE(m_app.ProcessShellCommand(Args({szBad})));
        const QStringList shown = CMessageBox::TakeShownTexts();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].contains(szBad)) << shown[0].toStdString();
    }
    EXPECT_EQ(m_app.GetRecentFileList().Count(), 0);

    // An existing file is not read at all; options are passed over, a relative path is recorded in full.
    WriteWholeFile(m_tmp.File("new.pdf"), "not read at all");
    m_app.AddToRecentFileList(Path("old.pdf"));
    QDir::setCurrent(Path(""));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({QStringLiteral("-style=fusion"), QStringLiteral("new.pdf")})));
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    EXPECT_EQ(m_app.GetRecentFileList().Entries(), (QStringList {Path("new.pdf"), Path("old.pdf")}));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({})));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({QStringLiteral("--"), Path("new.pdf")})));
    EXPECT_EQ(m_app.GetRecentFileList().Count(), 2);
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

    // The recent files keep the last sixteen, a file added again moving to the top.
    m_app.m_nOpenResult = 0;
    for (int i = 0; i < 20; ++i)
        m_app.AddToRecentFileList(QStringLiteral("/docs/%1.pdf").arg(i));
    m_app.AddToRecentFileList(QStringLiteral("/docs/10.pdf"));
    const QStringList recent = m_app.GetRecentFileList().Entries();
    ASSERT_EQ(recent.size(), 16);
    EXPECT_EQ(recent.mid(0, 2), (QStringList {"/docs/10.pdf", "/docs/19.pdf"}));
    EXPECT_EQ(recent.last(), QStringLiteral("/docs/4.pdf"));

    EXPECT_EQ(m_app.ExitInstance(3), 3);
    const std::string ini = ReadWholeFile(m_app.m_szSettingsFile.toStdString());
    EXPECT_NE(ini.find("OpenResult=0"), std::string::npos) << ini;
    EXPECT_NE(ini.find("SavePath=/out/merged.pdf"), std::string::npos) << ini;
    CRecentFileList again(16);
    again.ReadList();
    EXPECT_EQ(again.Entries(), recent);
}
