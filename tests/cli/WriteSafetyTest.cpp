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
const std::string kNotRegular = " is not a regular file; give the name of a PDF file to write\n";

int Mode(const std::string& path)
{
    return static_cast<int>(Lstat(path).st_mode & 07777);
}

// Whether `nSignal` is still waiting to be delivered to the process `pid`.
bool Pending(pid_t pid, int nSignal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const unsigned long long bit = 1ULL << (nSignal - 1);
    for (std::string line; std::getline(status, line);)
        if ((line.starts_with("ShdPnd:") || line.starts_with("SigPnd:"))
            && (std::stoull(line.substr(7), nullptr, 16) & bit))
            return true;
    return false;
}

class WriteSafetyTest : public QuireCliTest
{
protected:
    // Waits until the process `pid` is writing out.pdf: its temporary file holds bytes. False when
    // the process ended first.
    bool AwaitWriteUnderWay(pid_t pid) const
    {
        const std::regex temporary("\\.out\\.pdf\\." + std::to_string(pid) + "\\.[0-9]+\\.tmp");
        while (!HasEnded(pid)) {
            for (const std::string& name : Listing()) {
                std::error_code ec;
                if (std::regex_match(name, temporary) && fs::file_size(m_tmp.File(name), ec) > 0 && !ec)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
};

} // namespace

TEST_F(WriteSafetyTest, AFileSizeLimitFailsTheJobWithoutEndingTheProgram)
{
    const std::string big = Copy(kBig, "big.pdf");
    const std::string small = Copy("rotated.pdf", "small.pdf");
    const std::string out = m_tmp.File("out.pdf");
    const std::string bigPart = m_tmp.File("big_p1-10.pdf");
    const std::string smallPart = m_tmp.File("small_p1-20.pdf");
    const std::string overLimit(700 * 1024, 'x');
    const auto backupFails = [&](const std::string& path) {
        const std::string stem = path.substr(0, path.size() - 4);
        return "quire: The backup copy " + stem + "_<stamp>.pdf cannot be made: File too large; " + path
            + " was not replaced.\n";
    };
    struct Case
    {
        Strings args;
        std::string existing; // the file in the way, and what it holds
        std::string content;
        std::string err;
    };
    const Case cases[] = {
        {{"merge", "-o", out, big}, out, "the old output", "quire: " + out + " cannot be written: File too large\n"},
        {{"merge", "-o", out, small}, out, overLimit, backupFails(out)},
        {{"split", big}, bigPart, "the old part", "quire: " + bigPart + " cannot be written: File too large\n"},
        {{"split", small}, smallPart, overLimit, backupFails(smallPart)},
    };
    ChildOptions options;
    options.fileSizeLimit = 512 * 1024;
    for (const Case& c : cases) {
        WriteWholeFile(c.existing, c.content);
        ExpectFailure(c.args, c.err, options);
    }
}

TEST_F(WriteSafetyTest, AFullDiskFailsTheJobAndLeavesNoBackup)
{
    const fs::path disk = m_tmp.Path() / "disk";
    fs::create_directory(disk);
    if (geteuid() != 0 || mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "no small file system can be mounted here (that needs root)";
    const struct Unmount
    {
        const fs::path& folder;
        ~Unmount() { umount2(folder.c_str(), MNT_DETACH); }
    } unmount {disk};
    const std::string big = Copy(kBig, "big.pdf");
    const std::string small = Copy("rotated.pdf", "small.pdf");
    const std::string out = m_tmp.File("disk/out.pdf");
    // More than half the disk: the new file fits beside it, a backup copy does not.
    WriteWholeFile(out, std::string(600 * 1024, 'x'));

    const std::string full = "quire: " + out + " cannot be written: No space left on device\n";
    ExpectFailure({"merge", "--no-backup", "-o", out, big}, full);
    ExpectFailure({"merge", "-o", out, big}, full);
    ExpectFailure({"merge", "-o", out, small},
                  "quire: The backup copy " + m_tmp.File("disk/out_<stamp>.pdf")
                      + " cannot be made: No space left on device; " + out + " was not replaced.\n");
}

TEST_F(WriteSafetyTest, AnOutputThatIsAFifoASocketOrADeviceIsRefusedAndStaysOne)
{
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo_p1-2.pdf").c_str(), 0600), 0);
    const std::string socket = m_tmp.File("socket_p1-2.pdf");
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socket.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    Strings stems {"fifo", "socket"};
    // Only root may make a device node.
    if (geteuid() == 0 && ::mknod(m_tmp.File("null_p1-2.pdf").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        stems.push_back("null");

    for (const std::string& stem : stems) {
        const std::string source = Copy("rotated.pdf", stem + ".pdf");
        const std::string node = m_tmp.File(stem + "_p1-2.pdf");
        const std::string refusal = "quire: " + node + kNotRegular;
        ExpectFailure({"merge", "--no-backup", "-o", node, source}, refusal);
        ExpectFailure({"merge", "-o", node, source}, refusal);
        ExpectFailure({"split", "--no-backup", source, "1-2"}, refusal);
        ExpectFailure({"split", source, "1-2"}, refusal);
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
        if (bGroup) {
            EXPECT_EQ(Lstat(target).st_gid, 4242u) << target;
        }
        const Strings backups = Backups(title);
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(Mode(backups[0]), 0604);
        EXPECT_EQ(ReadWholeFile(backups[0]), before);
    }
}

TEST_F(WriteSafetyTest, SplitRefusesRowsThatWouldWriteOneFileOrOverASourceBeforeWritingAnything)
{
    const std::string a = Copy("rotated.pdf", "a.pdf");
    const std::string upper = Copy("rotated.pdf", "a.PDF");
    const std::string part = Copy("rotated.pdf", "a_p1-2.pdf");
    ExpectFailure({"split", "--no-backup", a, "1-2", upper, "1-2"},
                  "quire: Rows 1 and 2 (" + a + " and " + upper + ") would both be split into " + part
                      + "; nothing was written.\n");
    ExpectFailure({"split", "--no-backup", a, "1-2", part, "3-4"},
                  "quire: " + part + ", the file row 1 would be split into, is " + part
                      + ", the source of row 2; nothing was written.\n");

    // The very same row twice writes its file once: a second write would have backed up the first.
    const auto before = Snapshot();
    const ChildResult result = Quire({"split", a, "3-4", a, "3-4"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, m_tmp.File("a_p3-4.pdf") + "\n");
    ExpectSound(m_tmp.File("a_p3-4.pdf"), Original(3, 4));
    EXPECT_EQ(Changes(before), " +a_p3-4.pdf");
}

TEST_F(WriteSafetyTest, ObjectsNestedTooDeeplyAreRefusedInPlainWordsAndNothingCrashes)
{
    const std::string chain = m_tmp.File("chain.pdf");
    const std::string tree = m_tmp.File("tree.pdf");
    fx::WriteReferenceChainPdf(chain, 150000);
    fx::WriteDeepPageTreePdf(tree, 2000);
    const std::string out = m_tmp.File("out.pdf");
    WriteWholeFile(out, "the old output");
    const std::string deepChain
        = "quire: " + chain + " is damaged beyond repair: page 1 holds objects nested more than 100000 levels deep\n";
    const std::string deepTree
        = "quire: " + tree + " is damaged beyond repair: its page tree is nested more than 1000 levels deep\n";
    ExpectFailure({"merge", "-o", out, chain}, deepChain);
    ExpectFailure({"split", chain}, deepChain);
    ExpectFailure({"merge", "-o", out, tree}, deepTree);
    ExpectFailure({"split", tree}, deepTree);
    ExpectFailure({"info", tree}, deepTree);

    // Reading the file does not go down the chain.
    const ChildResult info = Quire({"info", chain});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(info.out, chain + ": 1 pages, outline no, form no\n");
}

TEST_F(WriteSafetyTest, AChainOfSixtyThousandNestedObjectsIsCopied)
{
    const std::string chain = m_tmp.File("chain.pdf");
    const std::string out = m_tmp.File("out.pdf");
    fx::WriteReferenceChainPdf(chain, 60000);
    ChildResult result = Quire({"merge", "-o", out, chain});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ExpectSound(out, {"Chain page 1"});
    result = Quire({"split", chain});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ExpectSound(m_tmp.File("chain_p1-1.pdf"), {"Chain page 1"});
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
            for (const std::string& backup : Backups("out"))
                fs::remove(backup);
            WriteWholeFile(out, "the old output");
            before = Snapshot();
            Strings args {kQuire, "merge", "-o", out};
            args.insert(args.end(), static_cast<std::size_t>(copies), big);
            ChildOptions options;
            options.limit = std::chrono::seconds(30);
            options.whileRunning = [&](pid_t pid) {
                if (!AwaitWriteUnderWay(pid))
                    return;
                bCaught = true;
                // Two signals of one kind sent together may arrive as one.
                for (int nSignal : signals) {
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
