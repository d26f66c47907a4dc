// SPDX-License-Identifier: Apache-2.0
// Drops every PDF file of a folder on the main window: the desktop program's intake path (the reader
// opens each file once on the intake thread, the records read are appended and their rows added as
// they arrive, each path goes on top of the recent-file list), then prints the row count.
//
//   QT_QPA_PLATFORM=offscreen quire_bench_intake FOLDER
#include "app/CMainFrame.h"
#include "app/CQuireApp.h"
#include "app/CQuireView.h"
#include "preview/CPageRenderer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // Settings and the recent-file list go to a throw-away folder, never the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quire Binder"));
    QApplication::setOrganizationName(QStringLiteral("Vellum"));

    CQuireApp app;
    app.GetAppPath();
    app.GetAppDataPath();
    app.m_szSettingsFile = app.m_szAppDataPath + QStringLiteral("Settings.ini");
    app.GetAppSettings();
    // The intake is measured alone: no pages are drawn beside it.
    app.Settings().SetPreview(false);
    CPageRenderer renderer(QString(), {});
    CMainFrame frame(app.Settings(), renderer);
    auto* pView = new CQuireView(frame, app.Settings());
    frame.SetView(pView, pView);
    frame.resize(1000, 700);
    frame.show();
    QApplication::processEvents();

    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QStringList names = folder.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    QElapsedTimer clock;
    clock.start();
    QStringList paths;
    for (const QString& name : names)
        paths << folder.absoluteFilePath(name);
    // The same path as files dropped on the window: the name test, then one file at a time.
    frame.OnDropFiles(paths);
    while (frame.IsIntakeRunning())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const int nRows = pView->GetListCtrl()->GetItemCount();
    std::printf("%d rows, %lld ms\n", nRows, static_cast<long long>(clock.elapsed()));
    return nRows == static_cast<int>(paths.size()) ? 0 : 1;
}
