// SPDX-License-Identifier: Apache-2.0
// Times the preview beside the file list in the real window, its pages drawn by the helper process
// of `quire-binder --render-pages`:
//
//   quire_bench_preview RENDERER first FILE...   selects each file's row in turn and prints, per
//                                                 file, the milliseconds from the selection to its
//                                                 first thumbnail painted in the strip
//   quire_bench_preview RENDERER scroll FILE      scrolls the strip of FILE from top to bottom, three
//                                                 rows of pages every 16 ms, and prints the longest
//                                                 time the window's event loop did not turn (a 1 ms
//                                                 timer measures it), its 99th percentile, and the
//                                                 pages drawn meanwhile
//
// RENDERER is the quire-binder program. The files are added through the window's own intake.

#include "app/CAppSettings.h"
#include "app/CMainFrame.h"
#include "app/CQuireApp.h"
#include "app/CQuireView.h"
#include "controls/CXListCtrl.h"
#include "preview/CPageRenderer.h"
#include "preview/CPageStrip.h"
#include "preview/CPageStripModel.h"
#include "preview/CPreviewPane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void WaitUntil(const std::function<bool()>& done, int nLimitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < nLimitMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// The strip shows the file at `szPath` and the first page in view is drawn.
bool FirstVisibleDrawn(CPreviewPane& pane, const QString& szPath)
{
    if (!pane.Model()->FileKey().startsWith(szPath + QLatin1Char('\n')))
        return false;
    const QList<int> pages = pane.Strip()->PagesToDraw(0);
    return !pages.isEmpty()
        && !pane.Model()->data(pane.Model()->index(pages.first()), CPageStripModel::ThumbnailRole).isNull();
}

int First(CMainFrame& frame, CQuireView& view)
{
    CPreviewPane& pane = *frame.GetPreviewPane();
    const int nRows = view.GetListCtrl()->GetItemCount();
    int nMissed = 0;
    for (int i = 0; i < nRows; ++i) {
        const QString szPath
            = QFileInfo(QString::fromStdString(view.GetItems().GetAt(i).szFilePath)).absoluteFilePath();
        QElapsedTimer clock;
        clock.start();
        view.GetListCtrl()->SetCurSel(i, true);
        WaitUntil([&] { return FirstVisibleDrawn(pane, szPath); }, 10000);
        // Visible means painted: the paint the arrival asked for is done now.
        pane.Strip()->viewport()->repaint();
        const bool bDrawn = FirstVisibleDrawn(pane, szPath);
        nMissed += bDrawn ? 0 : 1;
        std::printf("%.1f\n", bDrawn ? clock.nsecsElapsed() / 1e6 : -1.0);
    }
    return nMissed == 0 ? 0 : 1;
}

int Scroll(CMainFrame& frame, CQuireView& view)
{
    CPreviewPane& pane = *frame.GetPreviewPane();
    view.GetListCtrl()->SetCurSel(0, true);
    const QString szPath = QFileInfo(QString::fromStdString(view.GetItems().GetAt(0).szFilePath)).absoluteFilePath();
    WaitUntil([&] { return FirstVisibleDrawn(pane, szPath); }, 10000);
    QScrollBar* pBar = pane.Strip()->verticalScrollBar();
    const int nStep = 3 * pane.Strip()->gridSize().height();
    int nDrawn = 0;
    QObject::connect(pane.Model(), &QAbstractItemModel::dataChanged, pane.Model(), [&nDrawn] { ++nDrawn; });
    std::vector<double> gaps;
    QElapsedTimer probeClock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        gaps.push_back(probeClock.nsecsElapsed() / 1e6);
        probeClock.restart();
    });
    QTimer driver;
    driver.setTimerType(Qt::PreciseTimer);
    driver.setInterval(16);
    QObject::connect(&driver, &QTimer::timeout, [&] { pBar->setValue(pBar->value() + nStep); });
    probeClock.start();
    probe.start();
    driver.start();
    QElapsedTimer clock;
    clock.start();
    WaitUntil([&] { return pBar->value() >= pBar->maximum(); }, 600000);
    driver.stop();
    probe.stop();
    const double dSeconds = clock.elapsed() / 1000.0;
    std::sort(gaps.begin(), gaps.end());
    if (gaps.empty())
        return 1;
    const double dP99 = gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
    std::printf("longest %.1f ms, p99 %.1f ms, %zu turns in %.1f s, %d pages drawn\n", gaps.back(), dP99, gaps.size(),
                dSeconds, nDrawn);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Settings and the recent-file list go to a throw-away folder, never the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quire Binder"));
    QApplication::setOrganizationName(QStringLiteral("Vellum"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 4 || (args[2] != QLatin1String("first") && args[2] != QLatin1String("scroll"))) {
        std::fprintf(stderr, "usage: quire_bench_preview RENDERER first|scroll FILE...\n");
        return 2;
    }

    CQuireApp app;
    app.GetAppPath();
    app.GetAppDataPath();
    app.m_szSettingsFile = app.m_szAppDataPath + QStringLiteral("Settings.ini");
    app.GetAppSettings();
    CPageRenderer renderer(args[1], {QStringLiteral("--render-pages")});
    CMainFrame frame(app.Settings(), renderer);
    auto* pView = new CQuireView(frame, app.Settings());
    frame.SetView(pView, pView);
    frame.resize(1000, 700);
    frame.show();
    QApplication::processEvents();

    // The files are added with the preview off and no row selected, so that nothing is drawn before
    // the measurement selects a row.
    app.Settings().SetPreview(false);
    frame.AddFiles(args.mid(3), CMainFrame::Source::Given);
    WaitUntil([&] { return !frame.IsIntakeRunning(); }, 600000);
    if (pView->GetListCtrl()->GetItemCount() != args.size() - 3) {
        std::fprintf(stderr, "not every file was added\n");
        return 1;
    }
    pView->GetListCtrl()->selectionModel()->clear();
    app.Settings().SetPreview(true);
    QApplication::processEvents();
    return args[2] == QLatin1String("first") ? First(frame, *pView) : Scroll(frame, *pView);
}
