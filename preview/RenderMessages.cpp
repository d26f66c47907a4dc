// SPDX-License-Identifier: Apache-2.0
#include "preview/RenderMessages.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace RenderMessages {

namespace {

constexpr char kMagic[4] = {'Q', 'R', 'P', 'G'};
constexpr quint16 kVersion = 1;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;
// Rows may carry a little padding, as QImage's own do; no more.
constexpr int kMaxRowPadding = 64;

QByteArray Frame(quint16 nKind, const QByteArray& body)
{
    QByteArray frame(kHeaderBytes, '\0');
    std::memcpy(frame.data(), kMagic, 4);
    qToBigEndian<quint16>(kVersion, frame.data() + 4);
    qToBigEndian<quint16>(nKind, frame.data() + 6);
    qToBigEndian<quint32>(static_cast<quint32>(body.size()), frame.data() + 8);
    return frame + body;
}

bool TextFits(const QString& sz)
{
    return sz.size() <= kMaxTextLength;
}

// Whole, in bounds, and nothing after it.
bool Finished(const QDataStream& stream)
{
    return stream.status() == QDataStream::Ok && stream.atEnd();
}

} // namespace

QByteArray EncodeRequest(const Request& request)
{
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream.setVersion(kStreamVersion);
    stream << request.nSerial << request.szPath << request.szPassword << qint32(request.nPage)
           << qint32(request.box.width()) << qint32(request.box.height());
    return Frame(kRequestKind, body);
}

std::optional<Request> DecodeRequest(const QByteArray& body)
{
    QDataStream stream(body);
    stream.setVersion(kStreamVersion);
    Request request;
    qint32 nPage = 0, nWidth = 0, nHeight = 0;
    stream >> request.nSerial >> request.szPath >> request.szPassword >> nPage >> nWidth >> nHeight;
    if (!Finished(stream) || !TextFits(request.szPath) || !TextFits(request.szPassword) || nPage < 0 || nWidth < 1
        || nHeight < 1 || nWidth > kMaxBoxSide || nHeight > kMaxBoxSide)
        return std::nullopt;
    request.nPage = nPage;
    request.box = QSize(nWidth, nHeight);
    return request;
}

QByteArray EncodeAnswer(const Answer& answer)
{
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream.setVersion(kStreamVersion);
    const QImage& image = answer.image;
    const bool bImage = answer.bOk && image.format() == QImage::Format_RGB32 && image.width() >= 1
        && image.height() >= 1 && image.width() <= kMaxBoxSide && image.height() <= kMaxBoxSide;
    stream << answer.nSerial << qint32(answer.nPage) << bImage;
    if (bImage) {
        // Rows without their padding: the reader need not trust any.
        const qsizetype nRowBytes = qsizetype(image.width()) * 4;
        QByteArray pixels(nRowBytes * image.height(), Qt::Uninitialized);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(pixels.data() + nRowBytes * y, image.constScanLine(y), static_cast<size_t>(nRowBytes));
        stream << qint32(image.width()) << qint32(image.height()) << qint32(nRowBytes) << pixels << answer.szLabel;
    } else {
        stream << (answer.bOk ? QStringLiteral("The page could not be drawn.") : answer.szReason);
    }
    return Frame(kAnswerKind, body);
}

std::optional<Answer> DecodeAnswer(const QByteArray& body)
{
    QDataStream stream(body);
    stream.setVersion(kStreamVersion);
    Answer answer;
    qint32 nPage = 0;
    stream >> answer.nSerial >> nPage >> answer.bOk;
    if (stream.status() != QDataStream::Ok || nPage < 0)
        return std::nullopt;
    answer.nPage = nPage;
    if (!answer.bOk) {
        stream >> answer.szReason;
        if (!Finished(stream) || !TextFits(answer.szReason))
            return std::nullopt;
        return answer;
    }
    qint32 nWidth = 0, nHeight = 0, nRowBytes = 0;
    stream >> nWidth >> nHeight >> nRowBytes;
    if (stream.status() != QDataStream::Ok || nWidth < 1 || nHeight < 1 || nWidth > kMaxBoxSide || nHeight > kMaxBoxSide
        || nRowBytes < nWidth * 4 || nRowBytes > nWidth * 4 + kMaxRowPadding)
        return std::nullopt;
    QByteArray pixels;
    stream >> pixels >> answer.szLabel;
    if (!Finished(stream) || !TextFits(answer.szLabel) || pixels.size() != qsizetype(nRowBytes) * nHeight)
        return std::nullopt;
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(image.scanLine(y), pixels.constData() + qsizetype(nRowBytes) * y, size_t(nWidth) * 4);
    answer.image = std::move(image);
    return answer;
}

FrameReader::FrameReader(quint16 nKind)
    : m_nKind(nKind)
{ }

void FrameReader::Append(const QByteArray& bytes)
{
    if (!m_bBroken)
        m_buffer.append(bytes);
}

FrameReader::Result FrameReader::Next(QByteArray* pBody)
{
    if (m_bBroken)
        return Result::Broken;
    if (m_buffer.size() < kHeaderBytes) {
        // A wrong magic is seen as soon as its bytes come, not after a frame's worth of garbage.
        if (std::memcmp(m_buffer.constData(), kMagic, std::min<size_t>(4, size_t(m_buffer.size()))) == 0)
            return Result::NeedMore;
        m_bBroken = true;
        m_buffer.clear();
        return Result::Broken;
    }
    const char* pHeader = m_buffer.constData();
    const quint32 nLength = qFromBigEndian<quint32>(pHeader + 8);
    if (std::memcmp(pHeader, kMagic, 4) != 0 || qFromBigEndian<quint16>(pHeader + 4) != kVersion
        || qFromBigEndian<quint16>(pHeader + 6) != m_nKind || nLength > kMaxFrameBytes) {
        m_bBroken = true;
        m_buffer.clear();
        return Result::Broken;
    }
    if (m_buffer.size() - kHeaderBytes < qsizetype(nLength))
        return Result::NeedMore;
    *pBody = m_buffer.mid(kHeaderBytes, nLength);
    m_buffer.remove(0, kHeaderBytes + nLength);
    return Result::Frame;
}

void FrameReader::Clear()
{
    m_buffer.clear();
    m_bBroken = false;
}

} // namespace RenderMessages
