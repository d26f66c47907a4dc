// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/FileIntake.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// Reads files for the job list on one worker thread, so that the window keeps answering while a
// thousand files are opened.
//
// Start() hands over the paths and returns at once; the worker opens them one at a time, in order,
// with quire::MakeListItem and queues each result. resultsReady() is emitted on the thread that made
// the job whenever results are waiting (once for however many came in meanwhile); TakeResults() hands
// over every result read so far, oldest first. finished() follows the last result, or a Cancel().
//
// Cancel() drops the results not yet taken and ends the worker after the file it is reading: no
// result arrives after it. The destructor cancels and waits for that one file; the worker touches
// nothing but the paths it was given and this job's queue, and reads or writes no user file but the
// sources it opens.
class CFileIntakeJob : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        QString szPath;
        quire::ListItemResult result;
    };

    explicit CFileIntakeJob(QObject* pParent = nullptr);
    ~CFileIntakeJob() override;

    // Starts reading `paths`. Only while not running; a job that is running ignores the call.
    void Start(const QStringList& paths);
    void Cancel();
    // From Start() until finished() was emitted.
    bool IsRunning() const { return m_bRunning; }
    std::vector<Result> TakeResults();

signals:
    void resultsReady();
    void finished();

private:
    void Run(const QStringList& paths, int nRun);
    void OnWorkerDone(int nRun);
    void Join();

    std::thread m_worker;
    std::atomic<bool> m_bCancel {false};
    std::mutex m_mutex;
    std::deque<Result> m_results; // guarded by m_mutex
    bool m_bRunning = false;
    // Counts the runs, so that the end of a cancelled run, queued before the press, is not taken for
    // the end of the next one.
    int m_nRun = 0;
};
