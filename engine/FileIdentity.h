// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pdf {

// What identifies one state of a file on disk: device, inode, size and modification time. Two
// identities compare equal only when they describe the same file with the same content stamp.
class FileIdentity
{
public:
    // The identity of the file at `path` (symbolic links followed); nothing when it cannot be read.
    static std::optional<FileIdentity> Of(const std::string& path);

    // `a` and `b` name the same file (same device and inode), whatever their spelling: "./" aliases,
    // hard links and symbolic links included. False when either does not exist.
    static bool SameFile(const std::string& a, const std::string& b);

    bool operator==(const FileIdentity&) const = default;

    std::int64_t Size() const { return m_size; }

private:
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    std::int64_t m_size = 0;
    std::int64_t m_modifiedNs = 0;
};

} // namespace pdf
