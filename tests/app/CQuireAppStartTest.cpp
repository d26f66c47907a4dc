// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireApp.h"

#include "tests/app/AppFixture.h"

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
    EXPECT_EQ(Settings().RecentFiles().Count(), 0);

    // An existing file is not read at all; options are passed over, a relative path is recorded in full.
    WriteWholeFile(m_tmp.File("new.pdf"), "not read at all");
    Settings().AddRecentFile(Path("old.pdf"));
    QDir::setCurrent(Path(""));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({QStringLiteral("-style=fusion"), QStringLiteral("new.pdf")})));
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    EXPECT_EQ(Settings().RecentFiles().Entries(), (QStringList {Path("new.pdf"), Path("old.pdf")}));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({})));
    EXPECT_TRUE(m_app.ProcessShellCommand(Args({QStringLiteral("--"), Path("new.pdf")})));
    EXPECT_EQ(Settings().RecentFiles().Count(), 2);
}

TEST_F(AppStart, StartUpShowsTheWindowWithTheSavedSettingsAndExitWritesWhatTheUserChanged)
{
    // The settings live in the user's config folder; the first start proposes the documents folder.
    EXPECT_EQ(m_app.m_szAppDataPath,
              QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                  + QStringLiteral("/Vellum/Quire Binder/"));
    EXPECT_TRUE(QDir(m_app.m_szAppDataPath).exists());
    EXPECT_EQ(Settings().SavePath(),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QLatin1Char('/'));

    WriteWholeFile(Ini(), "[General]\nSavePath=/out/merged.pdf\nAutoBackup=0\n");
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
    EXPECT_FALSE(pFrame->findChild<QAction*>(QStringLiteral("ID_OPTIONS_AUTO_BACKUP"))->isChecked());

    TriggerAction(*pFrame, "ID_OPTIONS_AUTO_OPEN");
    EXPECT_EQ(m_app.ExitInstance(3), 3);
    EXPECT_EQ(ReadWholeFile(Ini()), "[General]\nSavePath=/out/merged.pdf\nAutoBackup=0\nOpenResult=0\n");
}
