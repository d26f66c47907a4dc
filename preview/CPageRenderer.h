// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

class QProcess;
class QTimer;

// Draws pages of PDF files at thumbnail size in a helper process, so that a renderer that crashes or
// hangs on a hostile file costs that file's preview and never the window. The helper is started on
// the first request and again after it dies; a request it answers late (the time limit, 10 s) kills
// it as a crash would.
//
// One list of pages waits at a time: Render() replaces it, so pages of a row the user has left are
// never drawn, except the one the helper is drawing already, whose answer still comes (tagged with its
// file: a receiver shows only its own file's pages). The first page of the list is drawn first.
//
// A file during whose drawing the helper died twice is "cannot be previewed" until this object goes:
// fileUnpreviewable() says so once, and its pages are no longer asked for. Other files go on.
//
// Passwords go to the helper through its standard input, never its command line.
class CPageRenderer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeLimitMs = 10000;

    // `szProgram` with `arguments` starts the helper (quire-binder --render-pages).
    CPageRenderer(const QString& szProgram, const QStringList& arguments, QObject* pParent = nullptr);
    ~CPageRenderer() override;

    // Replaces the pages waiting by `pages` (0-based, drawn in this order) of the file at `szPath`,
    // opened with `szPassword` (empty: none). Each image fits within `box` device pixels, the page's
    // shape kept. Pages of a file that cannot be previewed are not asked for.
    void Render(const QString& szPath, const QString& szPassword, const QList<int>& pages, const QSize& box);
    // Drops the pages waiting.
    void Cancel();

    bool IsUnpreviewable(const QString& szPath) const;
    void SetTimeLimit(int nMilliseconds);
    // The helper's process id, 0 while none runs.
    qint64 ProcessId() const;

signals:
    // `szLabel` is the page's label when the file gives it one, else empty.
    void pageRendered(const QString& szPath, int nPage, const QImage& image, const QString& szLabel);
    // `szReason` is a sentence for a tooltip ("The page could not be drawn.").
    void pageFailed(const QString& szPath, int nPage, const QString& szReason);
    void fileUnpreviewable(const QString& szPath, const QString& szReason);
};
