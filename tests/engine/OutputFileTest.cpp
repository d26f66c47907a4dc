// SPDX-License-Identifier: Apache-2.0
#include "engine/OutputFile.h"
#include "engine/PdfError.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
using quire::OutputFile;

namespace {

class OutputFileTest : public TempDirTest
{
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

    OutputFile file(target, target);
    file.Write("new", 3);
    file.Finish();
    file.Commit(false);
    EXPECT_EQ(ReadWholeFile(target), "new");
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
    // Sockets and devices are refused through the jobs (tests/cli WriteSafetyTest).
    const std::string regular = m_tmp.File("a.pdf");
    WriteWholeFile(regular, "%PDF-");
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0);
    fs::create_symlink(regular, m_tmp.File("link.pdf"));
    fs::create_symlink(m_tmp.File("fifo.pdf"), m_tmp.File("link-to-fifo.pdf"));
    fs::create_directory(m_tmp.File("folder.pdf"));
    const std::pair<const char*, bool> cases[] = {{"a.pdf", false},   {"missing.pdf", false},     {"link.pdf", false},
                                                  {"fifo.pdf", true}, {"link-to-fifo.pdf", true}, {"folder.pdf", true}};
    for (const auto& [name, refused] : cases) {
        SCOPED_TRACE(name);
        const std::string path = m_tmp.File(name);
        if (refused) {
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
}
