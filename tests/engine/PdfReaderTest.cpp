// SPDX-License-Identifier: Apache-2.0
#include "engine/PdfReader.h"
#include "tests/support/PdfFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quire::fixtures;
using pdf::PdfReader;

// What the reader tells about a file, and the words it refuses one with, are checked through
// `quire info` (tests/cli) and the list's intake (tests/joblist).

class PdfReaderTest : public TempDirTest
{
};

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
