// SPDX-License-Identifier: Apache-2.0
// What `quire` leaves behind when it cannot finish a file: the exact sentence, every file that was
// there byte for byte, and nothing else: no temporary file, no backup.
#include "tests/cli/QuireCliFixture.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <thread>

namespace {

// 1.5 MB in 10 pages, and slow to write: the temporary file is there for a good while.
const char* const kBig = "fax-decode-parms.pdf";

int Mode(const std::string& path)
{
    struct stat st = {};
    ::lstat(path.c_str(), &st);
    return static_cast<int>(st.st_mode & 07777);
}

// Whether `nSignal` is still waiting to be delivered to the process `pid`.
bool Pending(pid_t pid, int nSignal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if ((line.starts_with("ShdPnd:") || line.starts_with("SigPnd:"))
            && (std::stoull(line.substr(7), nullptr, 16) & (1ULL << (nSignal - 1))))
            return true;
    return false;
}

using WriteSafetyTest = QuireCliTest;

} // namespace

TEST_F(WriteSafetyTest, AFileSizeLimitOrAFullDiskFailsTheJobWithoutEndingTheProgram)
{
    const std::string big = Copy(kBig, "big.pdf"), small = Copy("rotated.pdf", "small.pdf");
    const std::string out = m_tmp.File("out.pdf"), bigPart = m_tmp.File("big_p1-10.pdf");
    const std::string smallPart = m_tmp.File("small_p1-20.pdf"), onDisk = m_tmp.File("disk/out.pdf");
    // Over the file size limit, and more than half the disk below.
    const std::string large(600 * 1024, 'x');
    const auto backupFails = [&](const std::string& path, const std::string& reason) {
        return "quire: The backup copy " + path.substr(0, path.size() - 4) + "_<stamp>.pdf cannot be made: " + reason
            + "; " + path + " was not replaced.\n";
    };
    const auto cannot = [](const std::string& path, const std::string& reason) {
        return "quire: " + path + " cannot be written: " + reason + "\n";
    };
    // The command, the file in the way and what it holds, and the sentence.
    std::vector<std::tuple<Strings, std::string, std::string, std::string>> cases = {
        {{"merge", "-o", out, big}, out, "the old output", cannot(out, "File too large")},
        {{"merge", "-o", out, small}, out, large, backupFails(out, "File too large")},
        {{"split", big}, bigPart, "the old part", cannot(bigPart, "File too large")},
        {{"split", small}, smallPart, large, backupFails(smallPart, "File too large")},
    };
    fs::create_directory(m_tmp.Path() / "disk");
    // On a disk of 1 MB the new file fits beside the old one, a backup copy does not.
    if (geteuid() == 0 && mount("tmpfs", (m_tmp.Path() / "disk").c_str(), "tmpfs", 0, "size=1m") == 0) {
        const std::string full = "No space left on device";
        cases.push_back({{"merge", "--no-backup", "-o", onDisk, big}, onDisk, large, cannot(onDisk, full)});
        cases.push_back({{"merge", "-o", onDisk, big}, onDisk, large, cannot(onDisk, full)});
        cases.push_back({{"merge", "-o", onDisk, small}, onDisk, large, backupFails(onDisk, full)});
    }
    ChildOptions options;
    for (const auto& [args, existing, content, err] : cases) {
        WriteWholeFile(existing, content);
        options.fileSizeLimit = existing == onDisk ? -1 : 512 * 1024;
        EXPECT_EQ(Run(args, options), (Outcome {1, "", err})) << ::testing::PrintToString(args);
    }
    umount2((m_tmp.Path() / "disk").c_str(), MNT_DETACH);
}

TEST_F(WriteSafetyTest, AnOutputThatIsAFifoASocketOrADeviceIsRefusedAndStaysOne)
{
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo_p1-2.pdf").c_str(), 0600), 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(m_tmp.File("socket_p1-2.pdf").size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, m_tmp.File("socket_p1-2.pdf").c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    Strings stems {"fifo", "socket"};
    // Only root may make a device node.
    if (::mknod(m_tmp.File("null_p1-2.pdf").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        stems.push_back("null");
    for (const std::string& stem : stems) {
        const std::string source = Copy("rotated.pdf", stem + ".pdf"), node = m_tmp.File(stem + "_p1-2.pdf");
        const std::string refusal = "quire: " + node + " is not a regular file; give the name of a PDF file to write\n";
        for (const Strings& args : {Strings {"merge", "--no-backup", "-o", node, source},
                                    {"merge", "-o", node, source},
                                    {"split", "--no-backup", source, "1-2"},
                                    {"split", source, "1-2"}})
            EXPECT_EQ(Run(args), (Outcome {1, "", refusal})) << ::testing::PrintToString(args);
    }
}

TEST_F(WriteSafetyTest, AReplacedFileKeepsItsPermissionBitsAndGroupAndANewOneFollowsTheUmask)
{
    const std::string source = Copy("rotated.pdf", "a.pdf");
    ChildOptions options;
    options.umask = 027;
    // The command, and the title of the file it writes.
    const std::pair<Strings, std::string> cases[]
        = {{{"merge", "-o", m_tmp.File("out.pdf"), source}, "out"}, {{"split", source, "1-2"}, "a_p1-2"}};
    for (const auto& [args, title] : cases) {
        const std::string target = m_tmp.File(title + ".pdf");
        ASSERT_EQ(Quire(args, options).exitCode, 0);
        EXPECT_EQ(Mode(target), 0640) << target;

        ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
        // Only root may give a file away to a group it is not in.
        const bool bGroup = ::chown(target.c_str(), static_cast<uid_t>(-1), 4242) == 0;
        const std::string before = ReadWholeFile(target);
        ASSERT_EQ(Quire(args, options).exitCode, 0);
        EXPECT_EQ(Mode(target), 0604) << target;
        struct stat st = {};
        EXPECT_TRUE(::stat(target.c_str(), &st) == 0 && (!bGroup || st.st_gid == 4242u)) << target;
        const Strings backups = Backups(title);
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(Mode(backups[0]), 0604);
        EXPECT_EQ(ReadWholeFile(backups[0]), before);
    }
}

TEST_F(WriteSafetyTest, ASecondEndSignalOrAHangupEndsTheProgramByItAndRemovesTheUnfinishedFile)
{
    const std::string big = Copy(kBig, "big.pdf");
    const std::string out = m_tmp.File("out.pdf");
    // The signals sent one after the other while out.pdf is being written, and the one that ends quire.
    const std::pair<std::vector<int>, int> cases[]
        = {{{SIGHUP}, SIGHUP}, {{SIGTERM, SIGTERM}, SIGTERM}, {{SIGINT, SIGTERM}, SIGTERM}};
    for (const auto& [signals, ending] : cases) {
        SCOPED_TRACE(::testing::PrintToString(signals));
        std::map<std::string, std::string> before;
        ChildResult result;
        bool bCaught = false;
        // A machine fast enough to finish the write before the signals get there gets a bigger job.
        for (int copies = 3; !bCaught && copies <= 48; copies *= 4) {
            WriteWholeFile(out, "the old output");
            before = Snapshot();
            Strings args {kQuire, "merge", "-o", out};
            args.insert(args.end(), static_cast<std::size_t>(copies), big);
            ChildOptions options;
            options.limit = std::chrono::seconds(30);
            options.whileRunning = [&](pid_t pid) {
                // The temporary file holds bytes: the write is under way.
                const std::string temporary = "\\.out\\.pdf\\." + std::to_string(pid) + "\\.[0-9]+\\.tmp";
                const auto writing = [&] {
                    std::error_code ec;
                    const Strings found = Matching(temporary);
                    return !found.empty() && fs::file_size(found[0], ec) > 0 && !ec;
                };
                while (!HasEnded(pid) && !(bCaught = writing()))
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                // Two signals of one kind sent together may arrive as one.
                for (int nSignal : bCaught ? signals : std::vector<int> {}) {
                    ::kill(pid, nSignal);
                    while (Pending(pid, nSignal) && !HasEnded(pid))
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            };
            result = RunChild(args, options);
        }
        ASSERT_TRUE(bCaught) << "the temporary file never showed up";
        EXPECT_EQ(result.signal, ending) << result.err;
        EXPECT_EQ(Changes(before), "");
    }
}
