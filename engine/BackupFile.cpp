// SPDX-License-Identifier: Apache-2.0
#include "BackupFile.h"

#include "PathSplit.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace quire {

std::string BackupStamp(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(when);
    const auto millis = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm local {};
    localtime_r(&seconds, &local);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
    return stamp;
}

std::string BackupPathFor(const std::string& path, std::chrono::system_clock::time_point when)
{
    const PathParts parts = SplitPath(path);
    return parts.dir + parts.name + "_" + BackupStamp(when) + ".pdf";
}

std::string doBackupFile(const std::string& path, bool* ok)
{
    return doBackupFileAt(path, std::chrono::system_clock::now(), ok);
}

std::string doBackupFileAt(const std::string& path, std::chrono::system_clock::time_point when, bool* ok)
{
    namespace fs = std::filesystem;
    const std::string backup = BackupPathFor(path, when);
    const std::string temporary = backup + ".part";
    std::error_code ec;
    fs::copy_file(path, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temporary, backup, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    if (ok)
        *ok = !ec;
    return backup;
}

} // namespace quire
