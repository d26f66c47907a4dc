// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "preview/RenderMessages.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

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
// When the helper dies (or is killed: late, or saying what it was not asked) while drawing a page, it
// is started again and that page asked again. A file during whose drawing the helper died twice is
// "cannot be previewed" until this object goes: fileUnpreviewable() says so once, its waiting pages
// are dropped, and its pages are no longer asked for. Other files go on.
//
// The helper's answers are checked as input from a stranger: a frame too long, out of order or for
// a question not asked, an image larger than the box or with the wrong byte count is a death.
//
// A helper that cannot be started at all fails the pages asked for (pageFailed()); the next Render()
// tries to start it again.
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
    // opened with `szPassword` (empty: none). Each image fits within `box` device pixels (at most
    // RenderMessages::kMaxBoxSide each way), the page's shape kept, in QImage::Format_RGB32. Pages of a
    // file that cannot be previewed are not asked for; an empty box asks for nothing.
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

private:
    struct Job
    {
        QString szPath;
        QString szPassword;
        int nPage = 0;
        QSize box;
    };

    // Sends the next page waiting when none is in flight, starting the helper if need be.
    void Pump();
    void StartHelper();
    void OnOutput();
    void OnHelperEnded();
    void OnHelperError(QProcess::ProcessError error);
    // Kills a helper that broke the protocol or its time: its end counts as a crash.
    void Abandon();
    // Forgets the helper object (it is gone, or going).
    void ReleaseHelper();

    QString m_szProgram;
    QStringList m_arguments;
    QProcess* m_pHelper = nullptr;
    bool m_bAbandoned = false; // the helper is being killed; what it still says is ignored
    QTimer* m_pTimer = nullptr;
    int m_nTimeLimitMs = kDefaultTimeLimitMs;
    RenderMessages::FrameReader m_reader {RenderMessages::kAnswerKind};
    QList<Job> m_waiting;
    bool m_bInFlight = false;
    Job m_inFlight;
    quint32 m_nSerial = 0;
    QHash<QString, int> m_deaths; // per file, the helper's deaths while drawing one of its pages
    QSet<QString> m_unpreviewable;
};
