// SPDX-License-Identifier: Apache-2.0
#include "engine/OutputFile.h"

#include "engine/BackupFile.h"
#include "engine/PathSplit.h"
#include "engine/PdfError.h"
#include "engine/SyncBatch.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quire {

namespace {

// NOTE: the buffer grows as it fills, up to this: a part of a few kilobytes, one of thousands,
// must not take a megabyte from the allocator and give it back every time.
constexpr std::size_t kBufferBytes = std::size_t(1) << 20;
constexpr std::size_t kMaxNameBytes = 255;

std::atomic<unsigned> g_serial {0};

// The unfinished temporary files of the process, for a signal handler to remove. It has to be
// process-wide: a handler reaches nothing else. Fixed slots, so that neither registering nor the
// handler allocates; a job has at most an output and a backup open at once.
struct Slot
{
    std::atomic<int> state {0}; // 0 free, 1 being filled, 2 holds a path
    char path[PATH_MAX];
};
constexpr int kSlots = 16;
Slot g_slots[kSlots];
// Temporary files between their open and their listing. The creating thread holds the signals off,
// but the process's handler may run on another thread meanwhile: it waits for the listing.
std::atomic<int> g_creating {0};

int Register(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_slots[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void Unregister(int slot)
{
    if (slot >= 0)
        g_slots[slot].state.store(0);
}

// Holds off the signals that end a job while a temporary file is created and listed, so that no
// handler runs between the two and misses it.
class SignalsHeld
{
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &m_previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t m_previous;
};

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string OutputFile::HiddenSibling(const std::string& target, const std::string& suffix)
{
    const std::string folder = PathLocation(target);
    std::string name = target.substr(folder.size());
    const std::size_t room = kMaxNameBytes - 1 - std::min(suffix.size(), kMaxNameBytes - 1);
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && IsContinuationByte(name[cut]))
            --cut;
        name.resize(cut);
    }
    return folder + "." + name + suffix;
}

void OutputFile::CheckTarget(const std::string& target)
{
    struct stat st
    {
    };
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Refused, target,
                                  "is not a regular file; give the name of a PDF file to write");
}

OutputFile::OutputFile(std::string target, const std::string& modelPath, const WriteFault& fault, WriteFault::File role,
                       SyncBatch* batch)
    : m_target(std::move(target))
    , m_fault(fault.file == role ? fault : WriteFault {})
    , m_backupFault(fault.file == WriteFault::File::Backup ? fault : WriteFault {})
    , m_batch(batch)
{
    if (m_batch && CreateInPlace())
        return;
    struct stat model
    {
    };
    const bool hasModel = !modelPath.empty() && ::stat(modelPath.c_str(), &model) == 0 && S_ISREG(model.st_mode);
    const std::string suffix = "." + std::to_string(::getpid()) + ".";
    int error = 0;
    {
        const SignalsHeld held;
        ++g_creating;
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_temporary = HiddenSibling(m_target, suffix + std::to_string(g_serial++) + ".tmp");
            // O_EXCL: a name that is taken, also by a symbolic link, is never opened. Until the
            // bits of the model are set, a copy of an existing file is readable by its owner only.
            m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          hasModel ? 0600 : 0666);
            error = errno;
            if (m_fd < 0 && error != EEXIST)
                break;
        }
        if (m_fd >= 0)
            m_slot = Register(m_temporary);
        --g_creating;
    }
    if (m_fd < 0) {
        m_temporary.clear();
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, m_target, std::strerror(error));
    }
    if (hasModel) {
        // NOTE: the group first: changing it may clear bits that the mode then sets again. Either
        // may fail (a group the user is not in, a file system without modes); the file then stays
        // readable by its owner only, never by more people than before.
        [[maybe_unused]] const int grouped = ::fchown(m_fd, static_cast<uid_t>(-1), model.st_gid);
        [[maybe_unused]] const int moded = ::fchmod(m_fd, model.st_mode & 0777);
    }
}

bool OutputFile::CreateInPlace()
{
    int error = 0;
    {
        const SignalsHeld held;
        ++g_creating;
        // O_EXCL: a file, a folder or a symbolic link that is there is never opened.
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        error = errno;
        if (m_fd >= 0)
            m_slot = Register(m_target);
        --g_creating;
    }
    if (m_fd < 0) {
        if (error == EEXIST)
            return false;
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, m_target, std::strerror(error));
    }
    struct stat st
    {
    };
    if (::fstat(m_fd, &st) != 0)
        Fail(errno);
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_temporary = m_target;
    m_inPlace = true;
    return true;
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.empty()) {
        struct stat st
        {
        };
        // NOTE: a file created in place is removed only while its name still leads to it: one that
        // somebody put there after removing ours is not ours to remove.
        if (!m_inPlace || (::lstat(m_temporary.c_str(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode))
            ::unlink(m_temporary.c_str());
    }
    Unregister(m_slot);
}

void OutputFile::Fail(int error)
{
    if (m_error == 0)
        m_error = error;
    throw pdf::PdfError::Make(pdf::PdfError::Kind::Unwritable, m_target, std::strerror(m_error));
}

bool OutputFile::WriteOut(const char* data, std::size_t size)
{
    if (m_fault.stage == WriteFault::Stage::Write && m_written + static_cast<std::int64_t>(size) > m_fault.afterBytes) {
        // Write what fits before the fault, as a full disk would, then fail.
        const auto fits = static_cast<std::size_t>(std::max<std::int64_t>(0, m_fault.afterBytes - m_written));
        if (fits > 0 && !WriteOut(data, fits))
            return false;
        errno = m_fault.error;
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        m_written += n;
    }
    return true;
}

void OutputFile::Write(const void* data, std::size_t size)
{
    if (m_error != 0 || m_fd < 0)
        Fail(m_error != 0 ? m_error : EBADF);
    const char* bytes = static_cast<const char*>(data);
    if (m_buffer.size() + size > kBufferBytes) {
        if (!WriteOut(m_buffer.data(), m_buffer.size()))
            Fail(errno);
        m_buffer.clear();
    }
    if (size >= kBufferBytes) {
        if (!WriteOut(bytes, size))
            Fail(errno);
        return;
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
}

void OutputFile::ThrowIfFailed()
{
    if (m_error != 0)
        Fail(m_error);
}

void OutputFile::Finish()
{
    if (m_error != 0 || m_fd < 0)
        Fail(m_error != 0 ? m_error : EBADF);
    if (m_fault.stage == WriteFault::Stage::Flush)
        Fail(m_fault.error);
    if (!WriteOut(m_buffer.data(), m_buffer.size()))
        Fail(errno);
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    if (m_fault.stage == WriteFault::Stage::Sync)
        Fail(m_fault.error);
    if (!m_batch && ::fsync(m_fd) != 0)
        Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    // NOTE: close is not retried on EINTR: on Linux the descriptor is gone either way.
    if (::close(fd) != 0 && errno != EINTR)
        Fail(errno);
    if (m_fault.stage == WriteFault::Stage::Close)
        Fail(m_fault.error);
    m_finished = true;
}

std::string OutputFile::Commit(bool backup)
{
    if (!m_finished)
        throw std::logic_error("OutputFile::Commit before Finish");
    std::string backupPath;
    if (m_inPlace) {
        if (m_fault.stage == WriteFault::Stage::Rename)
            Fail(m_fault.error);
        m_committed = true;
        Unregister(m_slot);
        m_slot = -1;
        m_batch->Add(m_target);
        return backupPath;
    }
    CheckTarget(m_target);
    struct stat st
    {
    };
    if (m_batch) {
        if (::lstat(m_target.c_str(), &st) != 0 && errno == ENOENT && m_fault.stage != WriteFault::Stage::Rename
            && ::renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, m_target.c_str(), RENAME_NOREPLACE) == 0) {
            m_committed = true;
            Unregister(m_slot);
            m_slot = -1;
            m_batch->Add(m_target);
            return backupPath;
        }
        // NOTE: a file is there after all (or the file system cannot rename without replacing): it
        // is replaced only by a file that is on disk already, as without a batch.
        const int fd = ::open(m_temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            Fail(errno);
        const bool synced = ::fsync(fd) == 0;
        const int error = errno;
        ::close(fd);
        if (!synced)
            Fail(error);
    }
    if (backup && ::stat(m_target.c_str(), &st) == 0)
        backupPath = doBackupFile(m_target, m_backupFault);
    const bool renamed
        = m_fault.stage != WriteFault::Stage::Rename && ::rename(m_temporary.c_str(), m_target.c_str()) == 0;
    if (!renamed) {
        const int error = m_fault.stage == WriteFault::Stage::Rename ? m_fault.error : errno;
        // The output stays as it was, so its copy would only be clutter.
        if (!backupPath.empty())
            ::unlink(backupPath.c_str());
        Fail(error);
    }
    m_committed = true;
    Unregister(m_slot);
    m_slot = -1;
    // NOTE: this makes the rename itself survive a crash. The new file is complete and in place
    // already, so a failure here is not reported: reporting it would say the job failed when the
    // output was written.
    const std::string folder = PathLocation(m_target);
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        [[maybe_unused]] const int synced = ::fsync(dirFd);
        ::close(dirFd);
    }
    return backupPath;
}

void OutputFile::RemoveUnfinished() noexcept
{
    // NOTE: a bounded wait: a creation stuck in the kernel (a hung network file system) must not
    // keep the process from ending.
    for (long spin = 0; g_creating.load() != 0 && spin < 100000000L; ++spin) { }
    for (Slot& slot : g_slots) {
        if (slot.state.load() == 2)
            ::unlink(slot.path);
    }
}

} // namespace quire
