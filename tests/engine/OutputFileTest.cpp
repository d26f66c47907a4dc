// SPDX-License-Identifier: Apache-2.0
#include "engine/OutputFile.h"
#include "engine/PdfError.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
using quire::OutputFile;

namespace {

class OutputFileTest : public TempDirTest
{
protected:
    std::string Written(const std::string& target, const std::string& content)
    {
        OutputFile file(target, target);
        file.Write(content.data(), content.size());
        file.Finish();
        file.Commit(false);
        return ReadWholeFile(target);
    }

    unsigned Mode(const std::string& path)
    {
        struct stat st
        {
        };
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }
};

} // namespace

TEST(HiddenSibling, StaysWithinTheFileSystemsNameLimitCuttingWholeCharacters)
{
    EXPECT_EQ(OutputFile::HiddenSibling("/out/merged.pdf", ".7.0.tmp"), "/out/.merged.pdf.7.0.tmp");
    EXPECT_EQ(OutputFile::HiddenSibling("merged.pdf", ".7.0.tmp"), ".merged.pdf.7.0.tmp");
    std::string name;
    for (int i = 0; i < 125; ++i)
        name += "\xC3\xA9"; // 250 bytes
    const std::string hidden = OutputFile::HiddenSibling("/out/" + name, ".12345.67.tmp");
    const std::string file = hidden.substr(5);
    EXPECT_EQ(file.size(), 255u - 1u) << "one byte less: an 'é' is not cut in two";
    EXPECT_EQ(file.substr(file.size() - 13), ".12345.67.tmp");
}

TEST_F(OutputFileTest, ReplacesTheTargetKeepingItsPermissionBits)
{
    const std::string target = m_tmp.File("out.pdf");
    WriteWholeFile(target, "old");
    ::chmod(target.c_str(), 0640);
    EXPECT_EQ(Written(target, "new"), "new");
    EXPECT_EQ(Mode(target), 0640u);

    const mode_t mask = ::umask(022);
    ::umask(mask);
    const std::string fresh = m_tmp.File("fresh.pdf");
    EXPECT_EQ(Written(fresh, "new"), "new");
    EXPECT_EQ(Mode(fresh), 0666u & ~mask);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_tmp.Path()), fs::directory_iterator()), 2);
}

TEST_F(OutputFileTest, NeverOpensALinkPlantedUnderItsNextTemporaryName)
{
    const std::string target = m_tmp.File("out.pdf");
    const std::string victim = m_tmp.File("victim.txt");
    WriteWholeFile(victim, "someone else's file");
    // The serial number of this process's temporary names tells the next one.
    std::string next;
    {
        OutputFile probe(target, target);
        const std::string used = probe.TemporaryPath();
        const auto dot = used.rfind('.', used.size() - 5);
        const int serial = std::stoi(used.substr(dot + 1));
        next = used.substr(0, dot + 1) + std::to_string(serial + 1) + ".tmp";
    }
    fs::create_symlink(victim, next);

    EXPECT_EQ(Written(target, "new"), "new");
    EXPECT_EQ(ReadWholeFile(victim), "someone else's file");
    EXPECT_TRUE(fs::is_symlink(next));
}

TEST_F(OutputFileTest, AFailureAtAnyStageLeavesTheTargetAndNoTemporaryFile)
{
    using Stage = quire::WriteFault::Stage;
    const std::string target = m_tmp.File("out.pdf");
    WriteWholeFile(target, "old");
    for (const Stage stage : {Stage::Write, Stage::Flush, Stage::Sync, Stage::Close, Stage::Rename}) {
        SCOPED_TRACE(static_cast<int>(stage));
        quire::WriteFault fault;
        fault.stage = stage;
        fault.afterBytes = 3;
        try {
            OutputFile file(target, target, fault);
            const std::string content(5000000, 'x');
            file.Write(content.data(), content.size());
            file.Finish();
            file.Commit(false);
            ADD_FAILURE() << "no failure";
        } catch (const pdf::PdfError& e) {
            EXPECT_EQ(std::string(e.what()), target + " cannot be written: No space left on device");
        }
        EXPECT_EQ(ReadWholeFile(target), "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(m_tmp.Path()), fs::directory_iterator()), 1);
    }
}

TEST_F(OutputFileTest, RefusesATargetThatIsNotARegularFile)
{
    const std::string regular = m_tmp.File("a.pdf");
    WriteWholeFile(regular, "%PDF-");
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = m_tmp.File("socket.pdf");
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink(regular, m_tmp.File("link.pdf"));
    fs::create_symlink(m_tmp.File("fifo.pdf"), m_tmp.File("link-to-fifo.pdf"));
    fs::create_directory(m_tmp.File("folder.pdf"));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::mknod(m_tmp.File("null.pdf").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }

    const struct
    {
        const char* name;
        bool refused;
    } cases[] = {{"a.pdf", false},     {"missing.pdf", false},     {"link.pdf", false},  {"fifo.pdf", true},
                 {"socket.pdf", true}, {"link-to-fifo.pdf", true}, {"folder.pdf", true}, {"null.pdf", root}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_tmp.File(c.name);
        if (c.refused) {
            try {
                OutputFile::CheckTarget(path);
                ADD_FAILURE() << "accepted";
            } catch (const pdf::PdfError& e) {
                EXPECT_EQ(std::string(e.what()), path + " is not a regular file; give the name of a PDF file to write");
            }
        } else {
            EXPECT_NO_THROW(OutputFile::CheckTarget(path));
        }
    }
    ::close(sock);
}
