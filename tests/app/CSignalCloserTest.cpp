// SPDX-License-Identifier: Apache-2.0
#include "app/CSignalCloser.h"
#include "tests/app/ProgramFixture.h"

#include <csignal>

namespace {

using SignalCloser = ProgramFixture;

// Whether `signal` is in the mask `szField` ("SigIgn", "SigCgt") of the process's /proc status.
bool InSignalMask(QProcess* pProcess, const char* szField, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pProcess->processId()));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray prefix = QByteArray(szField) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return (line.mid(prefix.size()).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1U;
    }
    return false;
}

// Waits until the program has its handlers in place.
bool Ready(QProcess* pProcess)
{
    return QTest::qWaitFor([pProcess] { return InSignalMask(pProcess, "SigCgt", SIGTERM); }, 30000);
}

} // namespace

TEST_F(SignalCloser, HangupEndsTheProgramNormallyUnlessItWasStartedIgnoringIt)
{
    QProcess* pProgram = Start("config");
    ASSERT_TRUE(Ready(pProgram));
    EXPECT_TRUE(InSignalMask(pProgram, "SigIgn", SIGXFSZ));
    ::kill(static_cast<pid_t>(pProgram->processId()), SIGHUP);
    ASSERT_TRUE(Ended(pProgram));
    EXPECT_EQ(pProgram->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pProgram->exitCode(), 0);
    EXPECT_NE(SettingsOf("config").find("SavePath="), std::string::npos);

    QProcess* pNohup = Start("nohup-config", [] { std::signal(SIGHUP, SIG_IGN); });
    ASSERT_TRUE(Ready(pNohup));
    ::kill(static_cast<pid_t>(pNohup->processId()), SIGHUP);
    EXPECT_FALSE(pNohup->waitForFinished(500));
    ::kill(static_cast<pid_t>(pNohup->processId()), SIGTERM);
    ASSERT_TRUE(Ended(pNohup));
    EXPECT_EQ(pNohup->exitCode(), 0);
}
