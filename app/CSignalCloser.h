// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a normal close of every top-level window, so that a desktop
// session ending the program (or Ctrl+C in a terminal) still writes the settings back.
class CSignalCloser : public QObject
{
    Q_OBJECT

public:
    explicit CSignalCloser(QObject* parent = nullptr);
    ~CSignalCloser() override;

private:
    void OnSignal();

    QSocketNotifier* m_pNotifier = nullptr;
};
