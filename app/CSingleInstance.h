// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// The mark of a running instance and the way a second start reaches it.
//
// The mark is a lock file "<name>.lock" in the user's runtime folder, held for the life of the
// process (a lock left by a process that died is taken over). The running instance's main window
// listens on the local socket "<name>.socket" beside it, reachable by the same user only. A second
// start that cannot take the lock connects, sends one request, waits briefly for the answer and ends;
// when nothing listens within its time it ends without doing anything.
//
// The request is one line: a compact JSON object {"files": [...]} whose strings are absolute paths
// (UTF-8; a newline inside a path is escaped by JSON, so the line ends only at the request's end).
// The answer is the line "ok". A request that is longer than kMaxRequestBytes, is not that object, or
// holds a path that is empty, relative or contains a NUL character is dropped whole: no answer, no
// signal. A connection that sends nothing is closed after kIdleMs.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxRequestBytes = 8 * 1024 * 1024;
    static constexpr int kIdleMs = 10000;

    // `szName`: the executable's name without extension.
    explicit CSingleInstance(const QString& szName, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // The executable's file name without its extension.
    static QString ExecutableName();

    // Takes the mark. False only when another running process holds it; a runtime folder that cannot
    // be used gives true (the program then runs unguarded rather than not at all).
    bool TryLock();
    // From a second start: asks the running instance to bring its window forward and to add `files`
    // (a relative path is made absolute against the current folder here). Waits up to `nTimeoutMs`
    // for it to listen (it takes the mark before it listens) and as long again for its answer; false
    // when nothing listened or no answer came.
    bool SignalRunningInstance(const QStringList& files = {}, int nTimeoutMs = 3000);
    // In the running instance: starts listening; each valid request emits activationRequested().
    bool Listen();
    bool IsListening() const;

    QString LockPath() const;
    QString ServerPath() const;

signals:
    // A second start asked for the window; `files` are its absolute paths in order, often none.
    void activationRequested(const QStringList& files);

private:
    void OnNewConnection();
    void OnRequestData(QLocalSocket* pSocket);

    QString m_szName;
    std::unique_ptr<QLockFile> m_pLock;
    QLocalServer* m_pServer = nullptr;
};
