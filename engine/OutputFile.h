// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/WriteFault.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quire {

class SyncBatch;

// A new file that takes the place of `target` only once it is complete and on disk.
//
// The constructor creates a temporary file in the target's folder, exclusively: a name that is
// already taken, by a file or by a symbolic link planted there, is never opened, the next one is
// tried. The name is "." + target name + ".<pid>.<n>.tmp", the target name shortened so that the
// whole stays within 255 bytes. The temporary file gets the permission bits and group of
// `modelPath` when that file exists (the target itself for an output; the file being copied for a
// backup), else 0666 less the umask.
//
// Write buffers; Finish writes out the rest, fsyncs and closes; Commit moves the file over the
// target. Every write, fsync and close is checked. Any failure throws pdf::PdfError (Unwritable:
// "<target> cannot be written: <system's reason>"); the first failure sticks, so that a failure qpdf
// swallowed inside its writer is raised again by Finish. Until Commit's rename the target is not
// touched; the destructor removes a temporary file that was not committed.
//
// While it exists, the temporary file is also listed for RemoveUnfinished, so that a signal that
// ends the process leaves nothing behind.
//
// With a `batch`, a target that does not exist is created in place instead, exclusively (nothing
// that turns up under its name meanwhile, a symbolic link included, is ever opened or replaced):
// there is no file of the user's to keep whole, so the temporary name and the rename would only
// cost time. Durability is then left to the batch: Finish writes and closes without an fsync, and
// Commit adds the target to `batch`. Until Commit the file is still removed on failure, by the
// destructor (only while its name still leads to it) or by RemoveUnfinished. A target that exists
// is written as without a batch, through a temporary file synced before its rename, the folder
// after it.
class OutputFile
{
public:
    // `fault` takes effect when its file is `role`.
    OutputFile(std::string target, const std::string& modelPath, const WriteFault& fault = {},
               WriteFault::File role = WriteFault::File::Output, SyncBatch* batch = nullptr);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const void* data, std::size_t size);
    // Throws the first failure again, if there was one.
    void ThrowIfFailed();
    // Writes out what is buffered, then fsyncs and closes the file.
    void Finish();

    // After Finish: puts the file in place of the target. First refuses (PdfError::Kind::Refused) a
    // target that is now something other than a regular file; then, when `backup` is set and the
    // target exists, copies it to its time-stamped backup beside it (a failed copy throws and
    // replaces nothing); then renames and makes the rename durable. When the rename fails, the
    // backup just made is removed again. Returns the backup path, or empty when none was made.
    std::string Commit(bool backup);

    const std::string& Target() const { return m_target; }
    // The file being written: the target itself when it was created in place.
    const std::string& TemporaryPath() const { return m_temporary; }
    // The target did not exist and is being written under its own name (see the class comment).
    bool CreatedInPlace() const { return m_inPlace; }

    // Refuses (PdfError::Kind::Refused, "<target> is not a regular file") a target that exists and
    // is not a regular file: a device, a FIFO, a socket, a folder. A symbolic link to a regular file
    // is accepted. Nothing there at all is accepted.
    static void CheckTarget(const std::string& target);

    // Removes every temporary file of this process that is still unfinished. Only async-signal-safe
    // calls: meant for a signal handler that is about to end the process.
    static void RemoveUnfinished() noexcept;

    // "." + the file name of `target` + `suffix`, in the target's folder, with the name cut at a
    // character boundary so that the file name stays within 255 bytes.
    static std::string HiddenSibling(const std::string& target, const std::string& suffix);

private:
    // Creates the target exclusively; false when something is there already.
    bool CreateInPlace();
    [[noreturn]] void Fail(int error);
    bool WriteOut(const char* data, std::size_t size);

    std::string m_target;
    std::string m_temporary;
    WriteFault m_fault; // the failure staged for this file
    WriteFault m_backupFault; // the failure staged for the backup Commit makes
    int m_fd = -1;
    int m_slot = -1;
    int m_error = 0; // the first failure's errno
    std::int64_t m_written = 0; // bytes handed to the system
    std::vector<char> m_buffer;
    bool m_finished = false;
    bool m_committed = false;
    bool m_inPlace = false;
    std::uint64_t m_device = 0; // of the file created in place
    std::uint64_t m_inode = 0;
    SyncBatch* m_batch = nullptr;
};

} // namespace quire
