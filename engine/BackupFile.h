// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <string>

namespace quire {

// The 17-digit local time stamp "YYYYMMDDhhmmssmmm" of `when`.
std::string BackupStamp(std::chrono::system_clock::time_point when);

// "<location><title>_<stamp>.pdf" for `path`; the extension is ".pdf" whatever the source's is.
std::string BackupPathFor(const std::string& path, std::chrono::system_clock::time_point when);

// Copies the existing file `path` to its time-stamped backup beside it, replacing a file of that
// name, and returns the backup path. The copy goes through a temporary file and a rename, so a
// failed copy never leaves a half-written backup. `ok`, when given, tells whether the copy was made.
std::string doBackupFile(const std::string& path, bool* ok = nullptr);

// The same, with the stamp taken from `when`.
std::string doBackupFileAt(const std::string& path, std::chrono::system_clock::time_point when, bool* ok = nullptr);

} // namespace quire
