// SPDX-License-Identifier: Apache-2.0
#include "app/CSignalCloser.h"

#include <QApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPair[2] = {-1, -1};

// A signal handler may only do async-signal-safe work: it writes one byte that the event loop reads.
extern "C" void HandleQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPair[0], &byte, 1);
}

} // namespace

CSignalCloser::CSignalCloser(QObject* parent)
    : QObject(parent)
{
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &m_previousFileSize);

    // NOTE: close-on-exec, so that a viewer started to show a result does not hold the pair open.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPair) != 0)
        return;
    m_pNotifier = new QSocketNotifier(g_signalPair[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSignalCloser::OnSignal);
    struct sigaction action
    {
    };
    action.sa_handler = HandleQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kClosingSignals); ++i) {
        sigaction(kClosingSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler != SIG_IGN)
            m_bInstalled[i] = sigaction(kClosingSignals[i], &action, nullptr) == 0;
    }
}

CSignalCloser::~CSignalCloser()
{
    for (std::size_t i = 0; i < std::size(kClosingSignals); ++i) {
        if (m_bInstalled[i])
            sigaction(kClosingSignals[i], &m_previous[i], nullptr);
    }
    sigaction(SIGXFSZ, &m_previousFileSize, nullptr);
}

void CSignalCloser::OnSignal()
{
    char byte = 0;
    [[maybe_unused]] const auto got = ::read(g_signalPair[1], &byte, 1);
    QApplication::closeAllWindows();
    QApplication::quit();
}
