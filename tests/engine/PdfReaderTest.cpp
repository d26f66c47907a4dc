// SPDX-License-Identifier: Apache-2.0
#include "PdfReader.h"
#include "PdfFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace quire::fixtures;
using pdf::PdfError;
using pdf::PdfReader;

namespace {

class PdfReaderTest : public TempDirTest
{
protected:
    // The error PdfReader raises for `path`; fails the test when it opens.
    PdfError OpenError(const std::string& path)
    {
        try {
            PdfReader reader(path);
        } catch (const PdfError& e) {
            return e;
        }
        ADD_FAILURE() << path << " opened";
        return PdfError::Make(PdfError::Kind::Refused, path, "opened");
    }
};

} // namespace

TEST_F(PdfReaderTest, ReadsPagesOutlineFormInfoAndVersion)
{
    PdfSpec desc;
    desc.tag = "A";
    desc.pages = 7;
    desc.outline = OnePerPage(7);
    desc.fields = {{FieldKind::Text, "name", {1}, "x"}};
    desc.info = {{"Title", "Quarterly Ünïcødé ☃"}, {"Author", "Ann"}};
    desc.version = "1.6";
    const std::string path = m_tmp.File("a.pdf");
    WritePdf(path, desc);

    PdfReader reader(path);
    EXPECT_EQ(reader.Path(), path);
    EXPECT_EQ(reader.NumberOfPages(), 7);
    EXPECT_TRUE(reader.HasOutline());
    EXPECT_TRUE(reader.HasAcroForm());
    EXPECT_FALSE(reader.IsEncrypted());
    EXPECT_FALSE(reader.WasRepaired());
    const auto info = reader.Info();
    EXPECT_EQ(info.at("Title"), "Quarterly Ünïcødé ☃");
    EXPECT_EQ(info.at("Author"), "Ann");
    EXPECT_EQ(info.count("Subject"), 0u);

    PdfSpec plain;
    WritePdf(m_tmp.File("plain.pdf"), plain);
    PdfReader bare(m_tmp.File("plain.pdf"));
    EXPECT_FALSE(bare.HasOutline());
    EXPECT_FALSE(bare.HasAcroForm());
    EXPECT_TRUE(bare.Info().empty());
}

TEST_F(PdfReaderTest, RefusesUnusableFilesInPlainWords)
{
    WriteNotPdf(m_tmp.File("notes.pdf"));
    WriteZeroByteFile(m_tmp.File("zero.pdf"));
    WriteDamagedPdf(m_tmp.File("damaged.pdf"));
    WriteTruncatedPdf(m_tmp.File("truncated.pdf"));
    WriteBrokenPageTreePdf(m_tmp.File("tree.pdf"));
    PdfSpec locked;
    locked.userPassword = "view";
    locked.ownerPassword = "master";
    WritePdf(m_tmp.File("locked.pdf"), locked);
    std::filesystem::create_directory(m_tmp.File("folder.pdf"));
    ASSERT_EQ(::mkfifo(m_tmp.File("fifo.pdf").c_str(), 0600), 0); // opening it would block for ever

    struct Case
    {
        std::string name;
        PdfError::Kind kind;
        std::string sentence; // what() starts with the path, then this
    };
    const Case cases[] = {
        {"notes.pdf", PdfError::Kind::NotPdf, " is not a PDF file"},
        {"zero.pdf", PdfError::Kind::NotPdf, " is not a PDF file"},
        {"damaged.pdf", PdfError::Kind::Damaged, " is damaged beyond repair: "},
        {"truncated.pdf", PdfError::Kind::Damaged, " is damaged beyond repair: "},
        {"tree.pdf", PdfError::Kind::Damaged, " is damaged beyond repair: page 2 is not a page object"},
        {"locked.pdf", PdfError::Kind::Password, " needs a password"},
        {"folder.pdf", PdfError::Kind::Unreadable, " cannot be read: it is a folder"},
        {"missing.pdf", PdfError::Kind::Unreadable, " cannot be read: No such file or directory"},
        {"fifo.pdf", PdfError::Kind::Unreadable, " cannot be read: it is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_tmp.File(c.name);
        const PdfError e = OpenError(path);
        EXPECT_EQ(e.kind(), c.kind);
        EXPECT_EQ(e.path(), path);
        EXPECT_EQ(std::string(e.what()).rfind(path + c.sentence, 0), 0u) << e.what();
    }
}

TEST_F(PdfReaderTest, OpensOwnerOnlyAndRepairableFiles)
{
    PdfSpec owner;
    owner.tag = "O";
    owner.pages = 3;
    owner.ownerPassword = "master";
    WritePdf(m_tmp.File("owner.pdf"), owner);
    PdfReader locked(m_tmp.File("owner.pdf"));
    EXPECT_TRUE(locked.IsEncrypted());
    EXPECT_EQ(locked.NumberOfPages(), 3);

    WriteRepairablePdf(m_tmp.File("repairable.pdf"), "R", 4);
    PdfReader repaired(m_tmp.File("repairable.pdf"));
    EXPECT_EQ(repaired.NumberOfPages(), 4);
    EXPECT_TRUE(repaired.WasRepaired());
}

TEST_F(PdfReaderTest, HoldsAtMostOneDescriptorUntilClosedAndCopiesShareTheDocument)
{
    PdfSpec desc;
    desc.pages = 2;
    desc.outline = OnePerPage(2);
    const std::string path = m_tmp.File("a.pdf");
    WritePdf(path, desc);
    const auto openFiles = [] {
        int n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
            ++n;
        return n;
    };
    const int before = openFiles();

    // A small file is parsed from memory and holds no descriptor at all.
    PdfReader small(path);
    EXPECT_EQ(openFiles(), before);
    EXPECT_TRUE(small.HasOutline());

    // Read from disk, the reader keeps one descriptor until Close, then reopens the file per read.
    PdfReader::SetInMemoryLimit(0);
    PdfReader reader(path);
    PdfReader::SetInMemoryLimit(1 << 20);
    EXPECT_EQ(openFiles(), before + 1);
    reader.Close();
    EXPECT_EQ(openFiles(), before);
    PdfReader copy = reader;
    EXPECT_EQ(copy.impl(), reader.impl());
    EXPECT_TRUE(copy.HasOutline());
    EXPECT_EQ(openFiles(), before);
}
