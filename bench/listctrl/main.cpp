// SPDX-License-Identifier: Apache-2.0
// Rebuilds a file list of 10,000 rows the way the application does (delete all rows and tooltips,
// then per row: insert, check box, five texts, six tooltips, three edit cells) on a shown list with
// updates locked (or, with "unlocked", without the lock), and prints each run's time and the median.
//
//   quire_bench_listctrl [rows] [runs] [unlocked]

#include "controls/CXListCtrl.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Rebuild(CXListCtrl& list, int nRows, bool bLock)
{
    if (bLock)
        list.setUpdatesEnabled(false);
    list.DeleteAllItems();
    list.DeleteAllToolTips();
    for (int n = 0; n < nRows; ++n) {
        const int nItem = list.InsertItem(list.GetItemCount(), QStringLiteral(" "));
        list.SetItemToolTipText(nItem, 0, QStringLiteral(" "));
        list.SetCheckbox(nItem, 0, n % 3 ? 2 : 1);
        const QString texts[5]
            = {QStringLiteral("document-%1.pdf").arg(n), QString::number(n % 400 + 1), QStringLiteral("1"),
               QString::number(n % 400 + 1), QStringLiteral("Bookmark of file %1").arg(n)};
        for (int c = 1; c <= 5; ++c) {
            list.SetItemText(nItem, c, texts[c - 1]);
            list.SetItemToolTipText(nItem, c, texts[c - 1]);
        }
        for (int c = 3; c <= 5; ++c)
            list.SetEdit(nItem, c);
    }
    list.setUpdatesEnabled(true);
    // The view lays out its scroll bars and repaints on the next turn of the loop; that is part of
    // what the user waits for.
    QCoreApplication::processEvents();
    list.repaint();
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int nRows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int nRuns = std::max(1, argc > 2 ? std::atoi(argv[2]) : 7);
    const bool bLock = !(argc > 3 && std::strcmp(argv[3], "unlocked") == 0);

    CXListCtrl list;
    list.resize(900, 600);
    const char* const headings[6] = {"", "File Name", "Pages", "Begin Page", "End Page", "Bookmark"};
    const int widths[6] = {40, 260, 110, 100, 100, 270};
    for (int c = 0; c < 6; ++c)
        list.InsertColumn(c, QString::fromLatin1(headings[c]), c == 1 || c == 5 ? Qt::AlignLeft : Qt::AlignHCenter,
                          widths[c], c == 0 ? 1 : 0);
    list.show();
    QCoreApplication::processEvents();

    std::vector<double> times;
    for (int i = 0; i < nRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Rebuild(list, nRows, bLock);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
        std::printf("run %d: %.1f ms\n", i + 1, elapsed.count());
    }
    std::sort(times.begin(), times.end());
    std::printf("rebuild of %d rows (%s): median %.1f ms over %d runs (min %.1f, max %.1f)\n", nRows,
                bLock ? "updates locked" : "updates not locked", times[times.size() / 2], nRuns, times.front(),
                times.back());
    return list.GetItemCount() == nRows ? 0 : 1;
}
