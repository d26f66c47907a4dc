// SPDX-License-Identifier: Apache-2.0
#include "tests/cli/QuireCliFixture.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace {

// Everything in `fd` from its start (a terminal cannot seek: what is waiting in it).
std::string ReadFrom(int fd)
{
    lseek(fd, 0, SEEK_SET);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

} // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options)
{
    // NOTE: files in memory rather than pipes: nothing has to drain them while the child runs, and
    // nothing shows up in the folder a test watches.
    const int out = memfd_create("out", MFD_CLOEXEC);
    int err = options.bStderrOnTerminal ? -1 : memfd_create("err", MFD_CLOEXEC);
    int terminal = -1;
    if (options.bStderrOnTerminal && openpty(&terminal, &err, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        // NOTE: a runner started under nohup, or a thread of this process with signals blocked, would
        // otherwise hand its dispositions down and hide how the program handles them itself.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int nSignal : {SIGHUP, SIGINT, SIGTERM, SIGXFSZ, SIGALRM})
            signal(nSignal, SIG_DFL);
        const rlim_t size = static_cast<rlim_t>(options.fileSizeLimit);
        const rlimit limit {size, size};
        if ((options.fileSizeLimit >= 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0)
            || (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0))
            _exit(126);
        if (options.umask >= 0)
            ::umask(static_cast<mode_t>(options.umask));
        dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (terminal >= 0)
            close(terminal);
        // The alarm outlives exec: the program is ended at the limit without a watcher here.
        alarm(static_cast<unsigned>(std::chrono::ceil<std::chrono::seconds>(options.limit).count()));
        execvp(args[0], args.data());
        _exit(127);
    }
    if (terminal >= 0)
        close(err);
    std::thread watcher;
    if (options.whileRunning)
        watcher = std::thread(options.whileRunning, pid);
    siginfo_t ended {};
    waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT);
    if (watcher.joinable())
        watcher.join();
    int status = 0;
    waitpid(pid, &status, 0);
    ChildResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.timedOut = result.signal == SIGALRM;
    result.out = ReadFrom(out);
    result.err = ReadFrom(terminal >= 0 ? terminal : err);
    close(out);
    close(terminal >= 0 ? terminal : err);
    return result;
}

bool HasEnded(pid_t pid)
{
    siginfo_t info {};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}
