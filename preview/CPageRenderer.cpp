// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageRenderer.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

using namespace RenderMessages;

namespace {

// How long the destructor lets the helper end on its own once its input is closed, then how long
// it waits for the killed helper to be reaped: the window is closing, it must not hang.
constexpr int kGoodbyeMs = 200;
constexpr int kReapMs = 1000;

} // namespace

CPageRenderer::CPageRenderer(const QString& szProgram, const QStringList& arguments, QObject* pParent)
    : QObject(pParent)
    , m_szProgram(szProgram)
    , m_arguments(arguments)
    , m_pTimer(new QTimer(this))
{
    m_pTimer->setSingleShot(true);
    connect(m_pTimer, &QTimer::timeout, this, &CPageRenderer::Abandon);
}

CPageRenderer::~CPageRenderer()
{
    m_pTimer->stop();
    if (!m_pHelper)
        return;
    m_pHelper->disconnect(this);
    m_pHelper->closeWriteChannel();
    if (!m_pHelper->waitForFinished(kGoodbyeMs)) {
        m_pHelper->kill();
        m_pHelper->waitForFinished(kReapMs);
    }
    delete m_pHelper;
}

void CPageRenderer::Render(const QString& szPath, const QString& szPassword, const QList<int>& pages, const QSize& box)
{
    m_waiting.clear();
    const QSize bounded = box.boundedTo(QSize(kMaxBoxSide, kMaxBoxSide));
    if (m_unpreviewable.contains(szPath) || bounded.width() < 1 || bounded.height() < 1)
        return;
    for (const int nPage : pages) {
        // The page in flight is not asked twice: its answer is coming.
        const bool bInFlight = m_bInFlight && m_inFlight.nPage == nPage && m_inFlight.szPath == szPath
            && m_inFlight.szPassword == szPassword && m_inFlight.box == bounded;
        if (nPage >= 0 && !bInFlight)
            m_waiting.append({szPath, szPassword, nPage, bounded});
    }
    Pump();
}

void CPageRenderer::Cancel()
{
    m_waiting.clear();
}

bool CPageRenderer::IsUnpreviewable(const QString& szPath) const
{
    return m_unpreviewable.contains(szPath);
}

void CPageRenderer::SetTimeLimit(int nMilliseconds)
{
    m_nTimeLimitMs = std::max(1, nMilliseconds);
}

qint64 CPageRenderer::ProcessId() const
{
    return m_pHelper ? m_pHelper->processId() : 0;
}

void CPageRenderer::Pump()
{
    if (m_bInFlight || m_waiting.isEmpty())
        return;
    if (!m_pHelper) {
        StartHelper();
        // A helper that cannot be started has failed the pages already.
        if (!m_pHelper || m_waiting.isEmpty())
            return;
    }
    m_inFlight = m_waiting.takeFirst();
    m_bInFlight = true;
    Request request;
    request.nSerial = ++m_nSerial;
    request.szPath = m_inFlight.szPath;
    request.szPassword = m_inFlight.szPassword;
    request.nPage = m_inFlight.nPage;
    request.box = m_inFlight.box;
    m_pTimer->start(m_nTimeLimitMs);
    // A helper that cannot take the request is dying: its end is handled as a crash.
    if (m_pHelper->write(EncodeRequest(request)) < 0)
        Abandon();
}

void CPageRenderer::StartHelper()
{
    m_pHelper = new QProcess(this);
    m_bAbandoned = false;
    m_reader.Clear();
    m_pHelper->setProgram(m_szProgram);
    m_pHelper->setArguments(m_arguments);
    m_pHelper->setProcessChannelMode(QProcess::SeparateChannels);
    // What the renderer says on a hostile file is no news for the terminal.
    m_pHelper->setStandardErrorFile(QProcess::nullDevice());
    connect(m_pHelper, &QProcess::readyReadStandardOutput, this, &CPageRenderer::OnOutput);
    connect(m_pHelper, &QProcess::finished, this, &CPageRenderer::OnHelperEnded);
    connect(m_pHelper, &QProcess::errorOccurred, this, &CPageRenderer::OnHelperError);
    m_pHelper->start(QIODevice::ReadWrite);
}

void CPageRenderer::OnOutput()
{
    QProcess* pHelper = qobject_cast<QProcess*>(sender());
    if (!pHelper || pHelper != m_pHelper || m_bAbandoned) {
        if (pHelper)
            pHelper->readAllStandardOutput();
        return;
    }
    m_reader.Append(pHelper->readAllStandardOutput());
    QByteArray body;
    for (;;) {
        const FrameReader::Result result = m_reader.Next(&body);
        if (result == FrameReader::Result::NeedMore)
            return;
        const std::optional<Answer> answer = result == FrameReader::Result::Frame ? DecodeAnswer(body) : std::nullopt;
        if (!answer || !m_bInFlight || answer->nSerial != m_nSerial || answer->nPage != m_inFlight.nPage
            || answer->image.width() > m_inFlight.box.width() || answer->image.height() > m_inFlight.box.height()) {
            Abandon();
            return;
        }
        m_pTimer->stop();
        m_bInFlight = false;
        const Job job = m_inFlight;
        // A receiver may Render() again, or drop this object.
        const QPointer<CPageRenderer> self(this);
        if (answer->bOk)
            emit pageRendered(job.szPath, job.nPage, answer->image, answer->szLabel);
        else
            emit pageFailed(job.szPath, job.nPage, answer->szReason);
        if (!self || pHelper != m_pHelper || m_bAbandoned)
            return;
        Pump();
    }
}

void CPageRenderer::Abandon()
{
    if (!m_pHelper || m_bAbandoned)
        return;
    m_bAbandoned = true;
    m_pTimer->stop();
    m_reader.Clear();
    m_pHelper->kill();
}

void CPageRenderer::ReleaseHelper()
{
    m_pTimer->stop();
    m_reader.Clear();
    if (m_pHelper) {
        m_pHelper->disconnect(this);
        m_pHelper->deleteLater();
        m_pHelper = nullptr;
    }
    m_bAbandoned = false;
}

void CPageRenderer::OnHelperEnded()
{
    if (sender() != m_pHelper)
        return;
    ReleaseHelper();
    if (!m_bInFlight) {
        Pump();
        return;
    }
    m_bInFlight = false;
    const Job job = m_inFlight;
    if (++m_deaths[job.szPath] < 2) {
        // Asked again even when the list has moved on: the answer of the page in flight is owed.
        m_waiting.prepend(job);
        Pump();
        return;
    }
    m_unpreviewable.insert(job.szPath);
    m_waiting.removeIf([&](const Job& waiting) { return waiting.szPath == job.szPath; });
    const QPointer<CPageRenderer> self(this);
    emit fileUnpreviewable(
        job.szPath,
        QStringLiteral("The file cannot be previewed until Quire Binder is started again: it stopped the "
                       "previewer twice."));
    if (self)
        Pump();
}

void CPageRenderer::OnHelperError(QProcess::ProcessError error)
{
    // A crash ends in finished() as well; only a helper that never ran ends here.
    if (error != QProcess::FailedToStart || sender() != m_pHelper)
        return;
    ReleaseHelper();
    QList<Job> failed;
    if (m_bInFlight)
        failed.append(m_inFlight);
    m_bInFlight = false;
    failed.append(m_waiting);
    m_waiting.clear();
    const QPointer<CPageRenderer> self(this);
    for (const Job& job : failed) {
        emit pageFailed(job.szPath, job.nPage, QStringLiteral("The previewer could not be started."));
        if (!self)
            return;
    }
}
