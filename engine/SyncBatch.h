// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

namespace quire {

// New files put in place without an fsync of their own, made durable together by one syncfs of
// the file system that holds their folder.
//
// Watch(folder) before the first file is written there: syncfs reports the write-back failures
// that happen after that (Linux 5.8 and later). OutputFile adds a file once it is complete in
// place; only a file whose name was free is added (see OutputFile). Flush syncs and tells what
// failed: the caller removes those files, so that none stays that may be incomplete.
//
// Every kStartEvery files added, a thread of the batch's own starts a sync of the watched file
// systems, so that the write-back runs beside the job and Flush has little left to wait for. It
// syncs through descriptors of its own: a failure it meets is still reported by Flush.
class SyncBatch
{
public:
    static constexpr std::size_t kStartEvery = 512;

    SyncBatch() = default;
    ~SyncBatch();
    SyncBatch(const SyncBatch&) = delete;
    SyncBatch& operator=(const SyncBatch&) = delete;

    // Opens `folder` ("" for the working folder) to sync later. Throws PdfError (Unwritable) when
    // it cannot be opened.
    void Watch(const std::string& folder);
    void Add(const std::string& path);

    // Syncs the watched file systems and forgets them. Empty when everything added is on disk; else
    // "<folder> could not be flushed to disk: <reason>", and the files added are left in `failed`.
    // Either way the batch starts afresh.
    std::string Flush(std::vector<std::string>& failed);

private:
    void JoinEarlySync();

    struct Watched
    {
        std::string folder;
        int fd = -1;
        int earlyFd = -1; // the early syncs' own descriptor, or -1
    };
    std::vector<Watched> m_watched;
    std::vector<std::string> m_files;
    std::size_t m_sinceStart = 0;
    std::thread m_early;
    std::atomic<bool> m_earlyBusy {false};
};

} // namespace quire
