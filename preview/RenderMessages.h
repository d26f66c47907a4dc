// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// What the window and the page-drawing helper say to each other through the helper's standard input
// and output. Each message is one frame:
//
//   magic "QRPG" | version (u16) | kind (u16) | body length (u32) | body
//
// all big-endian, the body a QDataStream (Qt 6.4 format). Either side may be hostile or broken, so
// every decoder bounds what it reads: a frame longer than kMaxFrameBytes, an unknown magic, version or
// kind, a body with bytes left over or missing, a string or an image beyond its limits is refused
// whole, and the reader treats the other side as broken.
namespace RenderMessages {

// The largest thumbnail the helper draws, per side, in device pixels.
constexpr int kMaxBoxSide = 2048;
// Room for a whole image of the largest box plus its label and the framing.
constexpr quint32 kMaxFrameBytes = 4u * kMaxBoxSide * kMaxBoxSide + 256u * 1024u;
// Paths, passwords, labels and reasons: at most this many UTF-16 units each.
constexpr int kMaxTextLength = 16384;
constexpr int kHeaderBytes = 12;

struct Request
{
    quint32 nSerial = 0; // echoed by the answer, so that an answer to a question not asked is seen
    QString szPath;
    QString szPassword;
    int nPage = 0; // 0-based
    QSize box; // 1..kMaxBoxSide each way
};

struct Answer
{
    quint32 nSerial = 0;
    int nPage = 0;
    bool bOk = false;
    // With bOk: the page, opaque (QImage::Format_RGB32), and its label (empty when none).
    QImage image;
    QString szLabel;
    // Without: a sentence for a tooltip.
    QString szReason;
};

QByteArray EncodeRequest(const Request& request);
// An answer whose image is not within kMaxBoxSide, or not RGB32, is encoded without its image.
QByteArray EncodeAnswer(const Answer& answer);

// `body` is a frame's body as FrameReader gave it. Empty when anything in it is out of bounds.
std::optional<Request> DecodeRequest(const QByteArray& body);
std::optional<Answer> DecodeAnswer(const QByteArray& body);

// Collects bytes as they come and cuts them into frames of one kind.
class FrameReader
{
public:
    enum class Result { NeedMore, Frame, Broken };

    explicit FrameReader(quint16 nKind);
    void Append(const QByteArray& bytes);
    // With Frame, `pBody` receives the next frame's body. Once Broken, always Broken.
    Result Next(QByteArray* pBody);
    void Clear();
    // Bytes held that are not yet a whole frame.
    qsizetype Pending() const { return m_buffer.size(); }

private:
    quint16 m_nKind;
    QByteArray m_buffer;
    bool m_bBroken = false;
};

constexpr quint16 kRequestKind = 1;
constexpr quint16 kAnswerKind = 2;

} // namespace RenderMessages
