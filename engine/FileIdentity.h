// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pdf {

// What identifies one state of a file on disk: device, inode, size, modification time and inode
// change time. Two identities compare equal only when they describe the same file with the same
// content stamp. The change time is there because a rewrite in place can set the modification time
// back (rsync --inplace -t does) while nothing but the kernel sets the change time.
class FileIdentity
{
public:
    // The identity of the file at `path` (symbolic links followed); nothing when it cannot be read.
    static std::optional<FileIdentity> Of(const std::string& path);

    // `a` and `b` name the same file (same device and inode), whatever their spelling: "./" aliases,
    // hard links and symbolic links included. False when either does not exist.
    static bool SameFile(const std::string& a, const std::string& b);

    bool operator==(const FileIdentity&) const = default;
    // The same file (device and inode), whatever its state.
    bool SameFileAs(const FileIdentity& other) const { return m_device == other.m_device && m_inode == other.m_inode; }

    std::int64_t Size() const { return m_size; }
    // A text that differs whenever the identity does: the key of what is kept of one state of a file.
    std::string Stamp() const;

private:
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    std::int64_t m_size = 0;
    std::int64_t m_modifiedNs = 0;
    std::int64_t m_changedNs = 0;
};

} // namespace pdf
