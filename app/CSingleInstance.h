// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// The mark of a running instance and the way a second start reaches it.
//
// The mark is a lock file "<name>.lock" in the user's runtime folder, held for the life of the
// process (a lock left by a process that died is taken over). The running instance's main window
// listens on the local socket "<name>.socket" beside it, reachable by the same user only. A second
// start that cannot take the lock connects, sends one request line, waits briefly for the answer and
// ends; when nothing listens yet it ends without doing anything.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    // `szName`: the executable's name without extension.
    explicit CSingleInstance(const QString& szName, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // The executable's file name without its extension.
    static QString ExecutableName();

    // Takes the mark. False only when another running process holds it; a runtime folder that cannot
    // be used gives true (the program then runs unguarded rather than not at all).
    bool TryLock();
    // From a second start: asks the running instance to bring its window forward. False when nothing
    // listens or no answer came within `nTimeoutMs`.
    bool SignalRunningInstance(int nTimeoutMs = 3000);
    // In the running instance: starts listening; each request emits activationRequested().
    bool Listen();
    bool IsListening() const;

    QString LockPath() const;
    QString ServerPath() const;

signals:
    void activationRequested();

private:
    void OnNewConnection();

    QString m_szName;
    std::unique_ptr<QLockFile> m_pLock;
    QLocalServer* m_pServer = nullptr;
};
