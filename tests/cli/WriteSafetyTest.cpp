// SPDX-License-Identifier: Apache-2.0
// What `quire` leaves behind when it cannot finish a file: the exact sentence, every file that was
// there byte for byte, and nothing else: no temporary file, no backup.
#include "tests/cli/QuireCliFixture.h"

#include <sys/mount.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// 1.5 MB in 10 pages, and slow to write: the temporary file is there for a good while.
const std::string kBig = kCorpus + "/fax-decode-parms.pdf";

using WriteSafetyTest = QuireCliTest;

} // namespace

TEST_F(WriteSafetyTest, AnOutputThatCannotBeWrittenFailsTheJobWithoutEndingTheProgramOrTouchingAnyFile)
{
    fs::copy_file(kBig, m_tmp.File("big.pdf"));
    Make("small.pdf", 20);
    // Over the file size limit, and more than half the disk below.
    const std::string large(600 * 1024, 'x');
    for (const auto& [name, content] : std::map<std::string, std::string> {{"old.pdf", "the old output"},
                                                                           {"large.pdf", large},
                                                                           {"big_p1-10.pdf", "the old part"},
                                                                           {"small_p1-20.pdf", large}})
        WriteWholeFile(m_tmp.File(name), content);
    const auto backupFails = [](const std::string& title, const std::string& reason) {
        return "quire: The backup copy " + title + "_<stamp>.pdf cannot be made: " + reason + "; " + title
            + ".pdf was not replaced.\n";
    };
    const auto cannot = [](const std::string& path, const std::string& reason) {
        return "quire: " + path + " cannot be written: " + reason + "\n";
    };
    const long long kLimit = 512 * 1024;
    // The command, the sentence, and the file size limit it runs under.
    std::vector<std::tuple<Strings, std::string, long long>> cases = {
        {{"merge", "-o", "old.pdf", "big.pdf"}, cannot("old.pdf", "File too large"), kLimit},
        {{"merge", "-o", "large.pdf", "small.pdf"}, backupFails("large", "File too large"), kLimit},
        {{"split", "big.pdf"}, cannot("big_p1-10.pdf", "File too large"), kLimit},
        {{"split", "small.pdf"}, backupFails("small_p1-20", "File too large"), kLimit},
    };
    fs::create_directory(m_tmp.File("disk"));
    // On a disk of 1 MB the new file fits beside the old one, a backup copy does not.
    if (geteuid() == 0 && mount("tmpfs", m_tmp.File("disk").c_str(), "tmpfs", 0, "size=1m") == 0) {
        WriteWholeFile(m_tmp.File("disk/out.pdf"), large);
        const std::string full = "No space left on device";
        cases.push_back({{"merge", "--no-backup", "-o", "disk/out.pdf", "big.pdf"}, cannot("disk/out.pdf", full), -1});
        cases.push_back({{"merge", "-o", "disk/out.pdf", "big.pdf"}, cannot("disk/out.pdf", full), -1});
        cases.push_back({{"merge", "-o", "disk/out.pdf", "small.pdf"}, backupFails("disk/out", full), -1});
    }
    // A fifo, a socket or a device node where the output is to go is refused, and stays what it is.
    Strings stems;
    for (const auto& [stem, type] :
         {std::pair<std::string, mode_t> {"fifo", S_IFIFO}, {"socket", S_IFSOCK}, {"null", S_IFCHR}})
        if (::mknod(m_tmp.File(stem + "_p1-2.pdf").c_str(), type | 0666, makedev(1, 3)) == 0)
            stems.push_back(stem);
    // Only root may make a device node.
    ASSERT_THAT(stems, ::testing::IsSupersetOf({"fifo", "socket"}));
    for (const std::string& stem : stems) {
        const std::string source = fs::path(Make(stem + ".pdf", 2)).filename(), node = stem + "_p1-2.pdf";
        const std::string refusal = "quire: " + node + " is not a regular file; give the name of a PDF file to write\n";
        for (const Strings& args : {Strings {"merge", "--no-backup", "-o", node, source},
                                    {"merge", "-o", node, source},
                                    {"split", "--no-backup", source, "1-2"},
                                    {"split", source, "1-2"}})
            cases.push_back({args, refusal, -1});
    }
    for (const auto& [args, err, limit] : cases)
        EXPECT_EQ(Run(args, {.fileSizeLimit = limit}), (Outcome {1, "", err})) << ::testing::PrintToString(args);
    umount2(m_tmp.File("disk").c_str(), MNT_DETACH);
}

TEST_F(WriteSafetyTest, AReplacedFileKeepsItsPermissionBitsAndGroupAndANewOneFollowsTheUmask)
{
    const std::string source = Make("a.pdf", 2);
    const fx::ChildOptions options {.umask = 027};
    // The command, and the title of the file it writes.
    const std::pair<Strings, std::string> cases[]
        = {{{"merge", "-o", m_tmp.File("out.pdf"), source}, "out"}, {{"split", source, "1-2"}, "a_p1-2"}};
    for (const auto& [args, title] : cases) {
        const std::string target = m_tmp.File(title + ".pdf");
        ASSERT_EQ(Run(args, options).status, 0);
        EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640)) << target;

        ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
        // Only root may give a file away to a group it is not in.
        const bool bGroup = ::chown(target.c_str(), static_cast<uid_t>(-1), 4242) == 0;
        const std::string before = ReadWholeFile(target);
        ASSERT_EQ(Run(args, options).status, 0);
        EXPECT_EQ(fs::status(target).permissions(), fs::perms(0604)) << target;
        struct stat st = {};
        EXPECT_TRUE(::stat(target.c_str(), &st) == 0 && (!bGroup || st.st_gid == 4242u)) << target;
        const Strings backups = Matching(m_tmp.Path(), title + "_[0-9]{17}\\.pdf");
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(fs::status(backups[0]).permissions(), fs::perms(0604));
        EXPECT_EQ(ReadWholeFile(backups[0]), before);
    }
}

TEST_F(WriteSafetyTest, ASecondEndSignalOrAHangupEndsTheProgramByItAndRemovesTheUnfinishedFile)
{
    fs::copy_file(kBig, m_tmp.File("big.pdf"));
    // The signals sent one after the other while out.pdf is being written, and the one that ends quire.
    const std::pair<std::vector<int>, int> cases[]
        = {{{SIGHUP}, SIGHUP}, {{SIGTERM, SIGTERM}, SIGTERM}, {{SIGINT, SIGTERM}, SIGTERM}};
    for (const auto& [signals, ending] : cases) {
        SCOPED_TRACE(::testing::PrintToString(signals));
        Outcome outcome;
        bool bCaught = false;
        const auto signalWhileWriting = [&](pid_t pid) {
            // The temporary file holds bytes: the write is under way.
            const std::string temporary = "\\.out\\.pdf\\." + std::to_string(pid) + "\\.[0-9]+\\.tmp";
            for (std::error_code ec; !fx::HasEnded(pid) && !bCaught;
                 std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
                const Strings found = Matching(m_tmp.Path(), temporary);
                bCaught = !found.empty() && fs::file_size(found[0], ec) > 0 && !ec;
            }
            // Two signals of one kind sent together may arrive as one.
            for (int nSignal : bCaught ? signals : std::vector<int> {}) {
                ::kill(pid, nSignal);
                while ((fx::InSignalMask(pid, "ShdPnd", nSignal) || fx::InSignalMask(pid, "SigPnd", nSignal))
                       && !fx::HasEnded(pid))
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        // A machine fast enough to finish the write before the signals get there gets a bigger job.
        for (int copies = 3; !bCaught && copies <= 48; copies *= 4) {
            WriteWholeFile(m_tmp.File("out.pdf"), "the old output");
            Strings args {"merge", "-o", "out.pdf"};
            args.insert(args.end(), static_cast<std::size_t>(copies), "big.pdf");
            outcome = Run(args, {.limit = std::chrono::seconds(30), .whileRunning = signalWhileWriting});
        }
        ASSERT_TRUE(bCaught) << "the temporary file never showed up";
        EXPECT_EQ(std::pair(outcome.status, outcome.changes), std::pair(-ending, std::string())) << outcome.err;
    }
}
