// SPDX-License-Identifier: Apache-2.0
#include "app/CSingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <optional>

namespace {

const QByteArray kAnswer = QByteArrayLiteral("ok\n");
const QString kFilesKey = QStringLiteral("files");

QString RuntimeFolder()
{
    QString szFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (szFolder.isEmpty())
        szFolder = QDir::tempPath();
    return szFolder;
}

QByteArray EncodeRequest(const QStringList& files)
{
    QJsonArray list;
    for (const QString& szFile : files)
        list.append(QFileInfo(szFile).absoluteFilePath());
    return QJsonDocument(QJsonObject {{kFilesKey, list}}).toJson(QJsonDocument::Compact) + '\n';
}

// The paths of a request line, or nothing when it is not exactly a valid request.
std::optional<QStringList> DecodeRequest(const QByteArray& line)
{
    if (!line.endsWith('\n'))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (object.size() != 1 || !object.value(kFilesKey).isArray())
        return std::nullopt;
    QStringList files;
    for (const QJsonValue& value : object.value(kFilesKey).toArray()) {
        const QString szFile = value.toString();
        if (!value.isString() || !szFile.startsWith(QLatin1Char('/')) || szFile.contains(QChar(0)))
            return std::nullopt;
        files.append(szFile);
    }
    return files;
}

} // namespace

CSingleInstance::CSingleInstance(const QString& szName, QObject* parent)
    : QObject(parent)
    , m_szName(szName)
{ }

CSingleInstance::~CSingleInstance()
{
    if (m_pServer)
        m_pServer->close();
}

QString CSingleInstance::ExecutableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString CSingleInstance::LockPath() const
{
    return RuntimeFolder() + QLatin1Char('/') + m_szName + QStringLiteral(".lock");
}

QString CSingleInstance::ServerPath() const
{
    return RuntimeFolder() + QLatin1Char('/') + m_szName + QStringLiteral(".socket");
}

bool CSingleInstance::TryLock()
{
    m_pLock = std::make_unique<QLockFile>(LockPath());
    // No age limit: a lock is only taken over when its process is gone.
    m_pLock->setStaleLockTime(0);
    if (m_pLock->tryLock(0))
        return true;
    const bool bHeldByOther = m_pLock->error() == QLockFile::LockFailedError;
    m_pLock.reset();
    return !bHeldByOther;
}

bool CSingleInstance::SignalRunningInstance(const QStringList& files, int nTimeoutMs)
{
    const QByteArray request = EncodeRequest(files);
    QLocalSocket socket;
    // NOTE: the running instance takes the mark before its window exists and listens only then; a
    // start in between tries again rather than lose its files.
    const QDeadlineTimer listening(nTimeoutMs);
    for (;;) {
        socket.connectToServer(ServerPath());
        if (socket.waitForConnected(static_cast<int>(listening.remainingTime())))
            break;
        if (listening.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(request);
    const QDeadlineTimer answered(nTimeoutMs);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(answered.remainingTime())))
            return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(static_cast<int>(answered.remainingTime())))
            return false;
    }
    return socket.readLine() == kAnswer;
}

bool CSingleInstance::Listen()
{
    if (m_pServer)
        return m_pServer->isListening();
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    // We hold the lock, so a socket file left behind can only be from an instance that died.
    QLocalServer::removeServer(ServerPath());
    return m_pServer->listen(ServerPath());
}

bool CSingleInstance::IsListening() const
{
    return m_pServer && m_pServer->isListening();
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] { OnRequestData(pSocket); });
        QTimer::singleShot(kIdleMs, pSocket, &QLocalSocket::abort);
    }
}

void CSingleInstance::OnRequestData(QLocalSocket* pSocket)
{
    if (!pSocket->canReadLine()) {
        if (pSocket->bytesAvailable() > kMaxRequestBytes)
            pSocket->abort();
        return;
    }
    const std::optional<QStringList> files = DecodeRequest(pSocket->readLine(kMaxRequestBytes + 1));
    // Anything after the request is not read: one connection, one request.
    disconnect(pSocket, &QLocalSocket::readyRead, this, nullptr);
    if (files) {
        pSocket->write(kAnswer);
        pSocket->flush();
    }
    pSocket->disconnectFromServer();
    // Last, because the window may show a message in its own event loop meanwhile.
    if (files)
        emit activationRequested(*files);
}
