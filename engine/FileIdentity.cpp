// SPDX-License-Identifier: Apache-2.0
#include "engine/FileIdentity.h"

#include <sys/stat.h>

namespace pdf {

std::optional<FileIdentity> FileIdentity::Of(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    FileIdentity id;
    id.m_device = static_cast<std::uint64_t>(st.st_dev);
    id.m_inode = static_cast<std::uint64_t>(st.st_ino);
    id.m_size = static_cast<std::int64_t>(st.st_size);
    id.m_modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    id.m_changedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return id;
}

std::string FileIdentity::Stamp() const
{
    return std::to_string(m_device) + ':' + std::to_string(m_inode) + ':' + std::to_string(m_size) + ':'
        + std::to_string(m_modifiedNs) + ':' + std::to_string(m_changedNs);
}

bool FileIdentity::SameFile(const std::string& a, const std::string& b)
{
    // NOTE: a string comparison would miss "dir/./x.pdf", hard links and symbolic links; the device
    // and inode pair does not.
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace pdf
