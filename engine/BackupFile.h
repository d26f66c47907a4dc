// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/WriteFault.h"

#include <chrono>
#include <string>

namespace quire {

// The 17-digit local time stamp "YYYYMMDDhhmmssmmm" of `when`.
std::string BackupStamp(std::chrono::system_clock::time_point when);

// "<location><title>_<stamp>.pdf" for `path`; the extension is ".pdf" whatever the source's is.
// The title is cut (at a character boundary) so that the file name stays within 255 bytes.
std::string BackupPathFor(const std::string& path, std::chrono::system_clock::time_point when);

// Copies the existing file `path` to its time-stamped backup beside it and returns the backup path.
// The copy is written like every output (OutputFile: an exclusive temporary file, every write,
// fsync and close checked, then a rename that replaces a file of the backup's name); it gets the
// permission bits of `path`. Throws pdf::PdfError when the copy cannot be made, with a sentence
// naming the backup path and the reason and saying that `path` was not replaced; nothing is then
// left behind. `fault` stages a failure for tests (its Backup file).
std::string doBackupFile(const std::string& path, const WriteFault& fault = {});

// The same, with the stamp taken from `when`.
std::string doBackupFileAt(const std::string& path, std::chrono::system_clock::time_point when,
                           const WriteFault& fault = {});

} // namespace quire
