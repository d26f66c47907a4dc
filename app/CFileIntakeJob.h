// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/CSecretText.h"
#include "joblist/FileIntake.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
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
//
// A file that needs a password (one that opens without it, with restrictions only, needs none) is
// first tried with the run's shared password, if the user gave one; when that does not open it, the
// worker emits passwordNeeded() and waits, keeping the files in order, until AnswerPassword() says
// what to do: try a password (asked again, bWrong set, while it does not open the file), skip the file
// (a result with bSkipped, nothing else), or end the run there (finished() follows; the files after it
// are not read). Cancel() and the destructor end the wait too. A password that opened its file goes
// into the record only; the shared password lives as long as the run.
class CFileIntakeJob : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        QString szPath;
        quire::ListItemResult result;
        bool bSkipped = false; // the user skipped the file at its password: neither record nor error
    };

    // What the user said when asked for a password.
    struct PasswordAnswer
    {
        enum class Action { Open, Skip, Cancel };
        Action action = Action::Cancel;
        CSecretText szPassword {}; // for Open
        bool bForOtherFiles = false; // for Open: try it first on the run's later files that need one
    };

    explicit CFileIntakeJob(QObject* pParent = nullptr);
    ~CFileIntakeJob() override;

    // Starts reading `paths`. Only while not running; a job that is running ignores the call.
    void Start(const QStringList& paths);
    void Cancel();
    // From Start() until finished() was emitted.
    bool IsRunning() const { return m_bRunning; }
    std::vector<Result> TakeResults();
    // The answer to the last passwordNeeded(); ignored unless the worker is waiting for one.
    void AnswerPassword(PasswordAnswer answer);

signals:
    void resultsReady();
    void finished();
    // The worker waits for AnswerPassword(): `szPath` needs a password; `bWrong`: the one given last
    // for it did not open it. Every result read before it has been queued already.
    void passwordNeeded(const QString& szPath, bool bWrong);

private:
    void Run(const QStringList& paths, int nRun);
    // Reads `szPath`, asking for its password as needed; false when the user ended the run or it was
    // cancelled (no result then).
    bool Read(const QString& szPath, int nRun, CSecretText& szShared, Result& result);
    // Emits passwordNeeded() on the job's thread and waits; no answer when cancelled meanwhile.
    std::optional<PasswordAnswer> Ask(const QString& szPath, bool bWrong, int nRun);
    void OnWorkerDone(int nRun);
    void Join();

    std::thread m_worker;
    std::atomic<bool> m_bCancel {false};
    std::mutex m_mutex;
    std::deque<Result> m_results; // guarded by m_mutex
    std::condition_variable m_answered; // with m_mutex: an answer came, or a cancel
    bool m_bAsking = false; // guarded by m_mutex
    std::optional<PasswordAnswer> m_answer; // guarded by m_mutex
    bool m_bRunning = false;
    // Counts the runs, so that the end of a cancelled run, queued before the press, is not taken for
    // the end of the next one.
    int m_nRun = 0;
};
