// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cerrno>
#include <cstdint>

namespace quire {

// A failure to stage on purpose in the files a job writes, so that tests can show what a full disk,
// a size limit or a failing device does to a job without needing one. The default stages nothing;
// the programs never set one.
struct WriteFault
{
    enum class Stage {
        None,
        Write, // the bytes past `afterBytes` are refused
        Flush, // the last buffered bytes cannot be written out
        Sync, // fsync fails
        Close, // close fails
        Rename, // the finished file cannot be moved over its target
    };
    // Which of the files a job writes fails.
    enum class File {
        Output, // a merge output or a split file
        Backup, // the copy of an output about to be replaced
    };

    Stage stage = Stage::None;
    File file = File::Output;
    std::int64_t afterBytes = 0;
    int error = ENOSPC;
};

} // namespace quire
