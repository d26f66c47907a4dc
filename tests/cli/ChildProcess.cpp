// SPDX-License-Identifier: Apache-2.0
#include "tests/cli/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options)
{
    // [0] is read here, [1] is the child's end.
    int outPipe[2];
    int errPipe[2];
    const bool bOpened = pipe2(outPipe, O_CLOEXEC) == 0
        && (options.bStderrOnTerminal ? openpty(&errPipe[0], &errPipe[1], nullptr, nullptr, nullptr) == 0
                                      : pipe2(errPipe, O_CLOEXEC) == 0);
    if (!bOpened)
        throw std::runtime_error("cannot make the child's output streams");
    // openpty cannot set close-on-exec itself.
    for (const int fd : errPipe)
        fcntl(fd, F_SETFD, FD_CLOEXEC);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        // NOTE: a runner started under nohup, or a thread of this process with signals blocked, would
        // otherwise hand its dispositions down and hide how the program handles them itself.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int nSignal : {SIGHUP, SIGINT, SIGTERM, SIGXFSZ})
            signal(nSignal, SIG_DFL);
        if (options.fileSizeLimit >= 0) {
            const rlimit limit {static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(126);
        }
        if (options.umask >= 0)
            ::umask(static_cast<mode_t>(options.umask));
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        if (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0)
            _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    std::thread watcher;
    if (options.whileRunning)
        watcher = std::thread(options.whileRunning, pid);

    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + options.limit;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        const int ready = poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // End of file, or EIO from a terminal whose last writer has gone.
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0)
            close(fd.fd);

    if (watcher.joinable())
        watcher.join();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

bool HasEnded(pid_t pid)
{
    siginfo_t info {};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}
