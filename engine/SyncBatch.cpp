// SPDX-License-Identifier: Apache-2.0
#include "engine/SyncBatch.h"

#include "engine/PdfError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace quire {

SyncBatch::~SyncBatch()
{
    JoinEarlySync();
    for (const Watched& w : m_watched) {
        ::close(w.fd);
        if (w.earlyFd >= 0)
            ::close(w.earlyFd);
    }
}

void SyncBatch::Watch(const std::string& folder)
{
    for (const Watched& w : m_watched) {
        if (w.folder == folder)
            return;
    }
    const char* path = folder.empty() ? "." : folder.c_str();
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, folder.empty() ? "." : folder, std::strerror(errno));
    // NOTE: a descriptor of its own, because syncfs reports a write-back failure once per open
    // file: an early sync through `fd` would take from Flush the failure it must report. Without
    // it there are only no early syncs.
    m_watched.push_back({folder, fd, ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)});
}

void SyncBatch::Add(const std::string& path)
{
    m_files.push_back(path);
    if (++m_sinceStart < kStartEvery || m_earlyBusy.load())
        return;
    m_sinceStart = 0;
    JoinEarlySync();
    std::vector<int> fds;
    for (const Watched& w : m_watched) {
        if (w.earlyFd >= 0)
            fds.push_back(w.earlyFd);
    }
    if (fds.empty())
        return;
    m_earlyBusy.store(true);
    try {
        m_early = std::thread([this, fds] {
            for (int fd : fds)
                ::syncfs(fd);
            m_earlyBusy.store(false);
        });
    } catch (const std::system_error&) {
        // No thread to spare: Flush does all the syncing, as it would anyway.
        m_earlyBusy.store(false);
    }
}

void SyncBatch::JoinEarlySync()
{
    if (m_early.joinable())
        m_early.join();
}

std::string SyncBatch::Flush(std::vector<std::string>& failed)
{
    JoinEarlySync();
    std::string error;
    for (const Watched& w : m_watched) {
        if (error.empty() && ::syncfs(w.fd) != 0)
            error = (w.folder.empty() ? "." : w.folder) + " could not be flushed to disk: " + std::strerror(errno);
        ::close(w.fd);
        if (w.earlyFd >= 0)
            ::close(w.earlyFd);
    }
    m_watched.clear();
    if (!error.empty())
        failed = m_files;
    m_files.clear();
    m_sinceStart = 0;
    return error;
}

} // namespace quire
