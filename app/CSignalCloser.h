// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>

#include <csignal>
#include <iterator>

class QSocketNotifier;

// The program's answer to signals, for as long as it exists.
//
// SIGTERM, SIGINT and SIGHUP become a normal close of every top-level window, so that a desktop
// session ending the program, Ctrl+C or a closed terminal still writes the settings back; a running
// job is stopped by its dialog and removes its own temporary file. A signal that was ignored at start
// (nohup) stays ignored. SIGXFSZ is ignored: a write past the file size limit then fails like any
// other write, and the job reports it instead of the program being killed. The destructor puts the
// previous dispositions back.
class CSignalCloser : public QObject
{
    Q_OBJECT

public:
    explicit CSignalCloser(QObject* parent = nullptr);
    ~CSignalCloser() override;

private:
    void OnSignal();

    static constexpr int kClosingSignals[] = {SIGTERM, SIGINT, SIGHUP};

    QSocketNotifier* m_pNotifier = nullptr;
    struct sigaction m_previous[std::size(kClosingSignals)] = {};
    bool m_bInstalled[std::size(kClosingSignals)] = {};
    struct sigaction m_previousFileSize = {};
};
