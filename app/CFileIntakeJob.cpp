// SPDX-License-Identifier: Apache-2.0
#include "app/CFileIntakeJob.h"

#include "app/EngineText.h"

CFileIntakeJob::CFileIntakeJob(QObject* pParent)
    : QObject(pParent)
{ }

CFileIntakeJob::~CFileIntakeJob()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bCancel = true;
    }
    m_answered.notify_all();
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
        m_bAsking = false;
        m_answer.reset();
    }
    m_bCancel = false;
    m_bRunning = true;
    m_worker = std::thread(&CFileIntakeJob::Run, this, paths, ++m_nRun);
}

void CFileIntakeJob::Cancel()
{
    if (!m_bRunning)
        return;
    {
        // NOTE: set under the lock because a worker waiting for a password checks it under the lock
        // before it sleeps; set outside, the wake-up could come between its check and its sleep.
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bCancel = true;
        m_results.clear();
    }
    m_answered.notify_all();
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

void CFileIntakeJob::AnswerPassword(PasswordAnswer answer)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bAsking || m_answer)
            return;
        m_answer = std::move(answer);
    }
    m_answered.notify_all();
}

std::optional<CFileIntakeJob::PasswordAnswer> CFileIntakeJob::Ask(const QString& szPath, bool bWrong, int nRun)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_bCancel)
        return std::nullopt;
    m_bAsking = true;
    m_answer.reset();
    // NOTE: queued after the wake-up of the results read before, so the window adds those rows first.
    QMetaObject::invokeMethod(
        this,
        [this, szPath, bWrong, nRun] {
            if (m_bRunning && nRun == m_nRun)
                emit passwordNeeded(szPath, bWrong);
        },
        Qt::QueuedConnection);
    m_answered.wait(lock, [this] { return m_answer.has_value() || m_bCancel; });
    m_bAsking = false;
    if (m_bCancel)
        return std::nullopt;
    std::optional<PasswordAnswer> answer = std::move(m_answer);
    m_answer.reset();
    return answer;
}

bool CFileIntakeJob::Read(const QString& szPath, int nRun, CSecretText& szShared, Result& result)
{
    const std::string szFile = EngineText::FromPath(szPath);
    result = Result {szPath, quire::MakeListItem(szFile)};
    const auto needs
        = [&result](pdf::PdfError::Kind kind) { return result.result.error && result.result.error->kind() == kind; };
    if (!needs(pdf::PdfError::Kind::Password))
        return true;
    if (!szShared.IsEmpty()) {
        result.result = quire::MakeListItem(szFile, szShared.Get());
        if (!needs(pdf::PdfError::Kind::WrongPassword))
            return true;
    }
    bool bWrong = false;
    for (;;) {
        std::optional<PasswordAnswer> answer = Ask(szPath, bWrong, nRun);
        if (!answer || answer->action == PasswordAnswer::Action::Cancel)
            return false;
        if (answer->action == PasswordAnswer::Action::Skip) {
            result.result = {};
            result.bSkipped = true;
            return true;
        }
        result.result = quire::MakeListItem(szFile, answer->szPassword.Get());
        // NOTE: an empty answer is refused as "needs a password", not as a wrong one; both ask again.
        bWrong = needs(pdf::PdfError::Kind::WrongPassword) || needs(pdf::PdfError::Kind::Password);
        if (!bWrong) {
            if (answer->bForOtherFiles && result.result.item)
                szShared = std::move(answer->szPassword);
            return true;
        }
    }
}

void CFileIntakeJob::Run(const QStringList& paths, int nRun)
{
    // The password the user asked to use for the other files of this run; wiped when the run ends.
    CSecretText szShared;
    for (const QString& szPath : paths) {
        if (m_bCancel)
            return;
        Result result;
        if (!Read(szPath, nRun, szShared, result))
            break;
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
