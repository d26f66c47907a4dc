// SPDX-License-Identifier: Apache-2.0
#include "app/CSingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

const QByteArray kRequest = QByteArrayLiteral("activate\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

QString RuntimeFolder()
{
    QString szFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (szFolder.isEmpty())
        szFolder = QDir::tempPath();
    return szFolder;
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

bool CSingleInstance::SignalRunningInstance(int nTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(nTimeoutMs))
        return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(nTimeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(nTimeoutMs))
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
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] {
            if (!pSocket->canReadLine()) {
                if (pSocket->bytesAvailable() > 64)
                    pSocket->abort();
                return;
            }
            // Anything else than the one request, or more than a short line, is dropped.
            if (pSocket->readLine(64) == kRequest) {
                pSocket->write(kAnswer);
                pSocket->flush();
                emit activationRequested();
            }
            pSocket->disconnectFromServer();
        });
    }
}
