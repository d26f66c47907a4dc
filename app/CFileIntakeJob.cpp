// SPDX-License-Identifier: Apache-2.0
#include "app/CFileIntakeJob.h"

#include "app/EngineText.h"

CFileIntakeJob::CFileIntakeJob(QObject* pParent)
    : QObject(pParent)
{ }

CFileIntakeJob::~CFileIntakeJob()
{
    m_bCancel = true;
    Join();
}

void CFileIntakeJob::Join()
{
    if (m_worker.joinable())
        m_worker.join();
}

void CFileIntakeJob::Start(const QStringList& paths)
{
    if (m_bRunning)
        return;
    // A cancelled worker may still be finishing its last file: its result is dropped, and the next
    // run waits for that one file only.
    Join();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_results.clear();
    }
    m_bCancel = false;
    m_bRunning = true;
    m_worker = std::thread(&CFileIntakeJob::Run, this, paths, ++m_nRun);
}

void CFileIntakeJob::Cancel()
{
    if (!m_bRunning)
        return;
    m_bCancel = true;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_results.clear();
    }
    m_bRunning = false;
    emit finished();
}

std::vector<CFileIntakeJob::Result> CFileIntakeJob::TakeResults()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Result> results(std::make_move_iterator(m_results.begin()), std::make_move_iterator(m_results.end()));
    m_results.clear();
    return results;
}

void CFileIntakeJob::Run(const QStringList& paths, int nRun)
{
    for (const QString& szPath : paths) {
        if (m_bCancel)
            return;
        Result result {szPath, quire::MakeListItem(EngineText::FromPath(szPath))};
        bool bWake = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            // NOTE: checked under the lock because Cancel() clears the queue under it: a result read
            // while the user pressed Cancel must not outlive the press.
            if (m_bCancel)
                return;
            bWake = m_results.empty();
            m_results.push_back(std::move(result));
        }
        // One wake-up per empty-to-waiting change: the window takes whatever came in meanwhile in one
        // go, rather than one queued call per file.
        if (bWake)
            QMetaObject::invokeMethod(this, &CFileIntakeJob::resultsReady, Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(
        this, [this, nRun] { OnWorkerDone(nRun); }, Qt::QueuedConnection);
}

void CFileIntakeJob::OnWorkerDone(int nRun)
{
    // A run that was cancelled has already said so; a new run may have started since.
    if (!m_bRunning || nRun != m_nRun)
        return;
    Join();
    m_bRunning = false;
    emit finished();
}
