// SPDX-License-Identifier: Apache-2.0
#include "engine/SyncBatch.h"

#include "engine/PdfError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quire {

SyncBatch::~SyncBatch()
{
    for (const Watched& w : m_watched)
        ::close(w.fd);
}

void SyncBatch::Watch(const std::string& folder)
{
    for (const Watched& w : m_watched) {
        if (w.folder == folder)
            return;
    }
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, folder.empty() ? "." : folder, std::strerror(errno));
    m_watched.push_back({folder, fd});
}

std::string SyncBatch::Flush(std::vector<std::string>& failed)
{
    std::string error;
    for (const Watched& w : m_watched) {
        if (error.empty() && ::syncfs(w.fd) != 0)
            error = (w.folder.empty() ? "." : w.folder) + " could not be flushed to disk: " + std::strerror(errno);
        ::close(w.fd);
    }
    m_watched.clear();
    if (!error.empty())
        failed = m_files;
    m_files.clear();
    return error;
}

} // namespace quire
