// SPDX-License-Identifier: Apache-2.0
#include "CSignalCloser.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
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
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPair) != 0)
        return;
    m_pNotifier = new QSocketNotifier(g_signalPair[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSignalCloser::OnSignal);
    struct sigaction action {};
    action.sa_handler = HandleQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

CSignalCloser::~CSignalCloser()
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

void CSignalCloser::OnSignal()
{
    char byte = 0;
    [[maybe_unused]] const auto got = ::read(g_signalPair[1], &byte, 1);
    QApplication::closeAllWindows();
    QApplication::quit();
}
