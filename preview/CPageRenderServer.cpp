// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageRenderServer.h"
#include "preview/RenderMessages.h"

#include "engine/FileIdentity.h"

#include <QFile>
#include <QPdfDocument>

#include <sys/prctl.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>

// A sanitizer reserves terabytes of address space for its shadow memory: no address-space limit
// can be set under one.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUIRE_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define QUIRE_UNDER_SANITIZER 1
#endif
#endif

using namespace RenderMessages;

namespace {

// Far above what drawing a thumbnail takes; a renderer led astray by a hostile file fails its
// allocations here and dies, instead of taking the machine's memory.
constexpr rlim_t kAddressSpaceLimit = rlim_t(2) * 1024 * 1024 * 1024;
// Counts beyond this are taken for damage, whatever the file claims.
constexpr int kMaxPageCount = 10'000'000;

// False when the window is gone already.
bool LimitProcess()
{
#ifndef QUIRE_UNDER_SANITIZER
    const rlimit limit {kAddressSpaceLimit, kAddressSpaceLimit};
    setrlimit(RLIMIT_AS, &limit);
#endif
    // NOTE: the signal comes when the thread that started the helper ends: CPageRenderer lives on
    // the window's main thread, whose end is the window's.
    const pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    return getppid() == parent;
}

bool WriteAll(int nFd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype nLeft = bytes.size();
    while (nLeft > 0) {
        const ssize_t n = ::write(nFd, p, size_t(nLeft));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        nLeft -= n;
    }
    return true;
}

QString OpenFailure(QPdfDocument::Error error, bool bPassword)
{
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QStringLiteral("The file cannot be opened: it was not found.");
    case QPdfDocument::Error::InvalidFileFormat:
        return QStringLiteral("The file cannot be opened: it is not a PDF file, or it is damaged.");
    case QPdfDocument::Error::IncorrectPassword:
        return bPassword ? QStringLiteral("The file cannot be opened: the password is wrong.")
                         : QStringLiteral("The file cannot be opened: it needs a password.");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QStringLiteral("The file cannot be opened: its protection is not supported.");
    default:
        return QStringLiteral("The file cannot be opened.");
    }
}

// Opaque pixels, the page's transparent parts white as paper.
QImage OnWhite(const QImage& drawn)
{
    QImage image = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = pLine[x];
            const int nClear = 255 - qAlpha(p);
            pLine[x] = qRgb(qRed(p) + nClear, qGreen(p) + nClear, qBlue(p) + nClear);
        }
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

// The document last asked for, kept open while requests name the same file, unchanged on disk, and
// the same password.
class Documents
{
public:
    Answer Draw(const Request& request)
    {
        Answer answer;
        answer.nSerial = request.nSerial;
        answer.nPage = request.nPage;
        const std::optional<pdf::FileIdentity> identity
            = pdf::FileIdentity::Of(QFile::encodeName(request.szPath).toStdString());
        if (!m_pDocument || request.szPath != m_szPath || request.szPassword != m_szPassword
            || identity != m_identity) {
            m_identity = identity;
            Open(request.szPath, request.szPassword);
        }
        if (m_error != QPdfDocument::Error::None) {
            answer.szReason = OpenFailure(m_error, !m_szPassword.isEmpty());
            return answer;
        }
        if (request.nPage >= m_pDocument->pageCount()) {
            answer.szReason = QStringLiteral("The file has no page %1.").arg(qint64(request.nPage) + 1);
            return answer;
        }
        answer.szReason = QStringLiteral("The page could not be drawn.");
        const QSizeF points = m_pDocument->pagePointSize(request.nPage);
        if (!std::isfinite(points.width()) || !std::isfinite(points.height()) || points.width() <= 0
            || points.height() <= 0)
            return answer;
        const double scale = std::min(request.box.width() / points.width(), request.box.height() / points.height());
        const QSize size(std::clamp(int(std::lround(points.width() * scale)), 1, request.box.width()),
                         std::clamp(int(std::lround(points.height() * scale)), 1, request.box.height()));
        const QImage image = OnWhite(m_pDocument->render(request.nPage, size));
        if (image.isNull() || image.size() != size)
            return answer;
        answer.bOk = true;
        answer.image = image;
        answer.szReason.clear();
        // Without labels, Qt PDF gives the page's number: that is no label.
        const QString szLabel = m_pDocument->pageLabel(request.nPage);
        if (szLabel != QString::number(request.nPage + 1))
            answer.szLabel = szLabel.left(kMaxTextLength);
        return answer;
    }

private:
    void Open(const QString& szPath, const QString& szPassword)
    {
        m_pDocument = std::make_unique<QPdfDocument>();
        m_szPath = szPath;
        m_szPassword = szPassword;
        m_pDocument->setPassword(szPassword);
        m_error = m_pDocument->load(szPath);
        if (m_error == QPdfDocument::Error::None
            && (m_pDocument->pageCount() <= 0 || m_pDocument->pageCount() > kMaxPageCount))
            m_error = QPdfDocument::Error::InvalidFileFormat;
    }

    std::unique_ptr<QPdfDocument> m_pDocument;
    std::optional<pdf::FileIdentity> m_identity; // the file on disk as it was opened
    QString m_szPath;
    QString m_szPassword;
    QPdfDocument::Error m_error = QPdfDocument::Error::Unknown;
};

} // namespace

int CPageRenderServer::Run(int nIn, int nOut)
{
    if (!LimitProcess())
        return 1;
    // A closed window shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Anything a library prints to standard output would break the frames: the answers go through a
    // descriptor of their own, and standard output is sent to standard error.
    if (nOut == STDOUT_FILENO) {
        nOut = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
        if (nOut < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
            return 1;
    }

    Documents documents;
    FrameReader reader(kRequestKind);
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t nRead = ::read(nIn, chunk.data(), size_t(chunk.size()));
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0)
            return 1;
        if (nRead == 0)
            return reader.Pending() == 0 ? 0 : 1;
        reader.Append(chunk.left(nRead));
        QByteArray body;
        for (;;) {
            const FrameReader::Result result = reader.Next(&body);
            if (result == FrameReader::Result::NeedMore)
                break;
            const std::optional<Request> request
                = result == FrameReader::Result::Frame ? DecodeRequest(body) : std::nullopt;
            if (!request)
                return 2;
            if (!WriteAll(nOut, EncodeAnswer(documents.Draw(*request))))
                return 1;
        }
    }
}
