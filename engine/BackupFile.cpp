// SPDX-License-Identifier: Apache-2.0
#include "engine/BackupFile.h"

#include "engine/OutputFile.h"
#include "engine/PathSplit.h"
#include "engine/PdfError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace quire {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

// Closes a descriptor when it goes out of scope.
class InputDescriptor
{
public:
    explicit InputDescriptor(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    { }
    ~InputDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InputDescriptor(const InputDescriptor&) = delete;
    InputDescriptor& operator=(const InputDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

void Copy(const std::string& path, OutputFile& out)
{
    const InputDescriptor in(path);
    if (in.Get() < 0)
        throw pdf::PdfError::Make(pdf::PdfError::Kind::Unreadable, path, std::strerror(errno));
    char buffer[1 << 16];
    while (true) {
        const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw pdf::PdfError::Make(pdf::PdfError::Kind::Unreadable, path, std::strerror(errno));
        if (n == 0)
            return;
        out.Write(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

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
    const std::string tail = "_" + BackupStamp(when) + ".pdf";
    std::string title = parts.name;
    if (title.size() + tail.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes - tail.size();
        while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80)
            --cut;
        title.resize(cut);
    }
    return parts.dir + title + tail;
}

std::string doBackupFile(const std::string& path, const WriteFault& fault)
{
    return doBackupFileAt(path, std::chrono::system_clock::now(), fault);
}

std::string doBackupFileAt(const std::string& path, std::chrono::system_clock::time_point when, const WriteFault& fault)
{
    const std::string backup = BackupPathFor(path, when);
    try {
        OutputFile out(backup, path, fault, WriteFault::File::Backup);
        Copy(path, out);
        out.Finish();
        out.Commit(false);
    } catch (const pdf::PdfError& e) {
        const std::string reason = e.kind() == pdf::PdfError::Kind::Refused
            ? "something that is not a regular file has its name"
            : e.reason();
        throw pdf::PdfError(e.kind(), backup, reason,
                            "The backup copy " + backup + " cannot be made: " + reason + "; " + path
                                + " was not replaced.");
    }
    return backup;
}

} // namespace quire
