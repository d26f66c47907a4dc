// SPDX-License-Identifier: Apache-2.0
// Every real-world file of the shared corpus goes through `quire info`, a merge and a split: it works
// and what was written passes a second reader, or it is refused with status 1 and a sentence that
// names the file. Nothing may crash or run past its time limit.
#include "tests/cli/QuireCliFixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

namespace {

// The files that cannot be read at all, with the reason the user is told.
const std::map<std::string, std::string> kUnreadable = {
    {"bad1.pdf", "is not a PDF file"},
    {"bad7.pdf", "is damaged beyond repair"},
    {"issue-99.pdf", "is damaged beyond repair"},
    {"pages-loop.pdf", "is damaged beyond repair"},
    {"enc-R3,V2,U=view,O=master.pdf", "needs a password"},
    {"enc-XI-R6,V5,U=view,O=master.pdf", "needs a password"},
};

Strings CorpusFiles()
{
    Strings names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(kCorpus, ec))
        if (entry.path().extension() == ".pdf")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The page count qpdf reads from `path`.
int QpdfPages(const std::string& path)
{
    const ChildResult result = RunChild({"qpdf", "--show-npages", path});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return std::atoi(result.out.c_str());
}

class CorpusTest : public ::testing::TestWithParam<std::string>
{
protected:
    TempDir m_tmp;
};

} // namespace

TEST_P(CorpusTest, EveryFileWorksOrIsRefusedWithItsName)
{
    const std::string name = GetParam();
    const std::string source = kCorpus + "/" + name;
    const auto unreadable = kUnreadable.find(name);

    const ChildResult info = Quire({"info", source});
    int pages = -1;
    if (unreadable != kUnreadable.end()) {
        EXPECT_EQ(info.exitCode, 1);
        EXPECT_EQ(info.out, "");
        EXPECT_EQ(info.err.rfind("quire: " + source + " " + unreadable->second, 0), 0u) << info.err;
    } else {
        ASSERT_EQ(info.exitCode, 0) << info.err;
        ASSERT_EQ(info.out.rfind(source + ": ", 0), 0u) << info.out;
        pages = std::atoi(info.out.c_str() + source.size() + 2);
    }

    // Merge from the read-only corpus folder into the test's folder.
    const std::string out = m_tmp.File("merged.pdf");
    const ChildResult merge = Quire({"merge", "-o", out, source});
    if (pages > 0) {
        ASSERT_EQ(merge.exitCode, 0) << merge.err;
        EXPECT_TRUE(fx::QpdfCheckPasses(out));
        EXPECT_EQ(QpdfPages(out), pages);
        // poppler needs no minutes for what we wrote (it does for the source of shared-unnamed-field.pdf).
        if (name != "shared-unnamed-field.pdf") {
            auto written = fx::PdfInfo(out);
            EXPECT_EQ(written["Pages"], std::to_string(pages));
            EXPECT_EQ(written["Encrypted"], "no");
        }
        // A file that opens without its owner password is merged, and the user is told its
        // restrictions are gone.
        if (name.starts_with("enc-")) {
            const std::string note = " is protected by an owner password; its restrictions are not carried over";
            EXPECT_NE(merge.err.find("quire: note: " + source + note), std::string::npos) << merge.err;
        }
    } else {
        EXPECT_EQ(merge.exitCode, 1);
        EXPECT_NE(merge.err.find(pages == 0 ? out : source), std::string::npos) << merge.err;
        EXPECT_FALSE(fs::exists(out));
    }

    // Split a copy, since the output goes beside the source.
    const std::string copy = m_tmp.File(name);
    fs::copy_file(source, copy);
    const ChildResult split = Quire({"split", copy});
    if (pages > 0) {
        ASSERT_EQ(split.exitCode, 0) << split.err;
        const std::string written
            = m_tmp.File(fs::path(name).stem().string() + "_p1-" + std::to_string(pages) + ".pdf");
        EXPECT_EQ(split.out, written + "\n");
        EXPECT_TRUE(fx::QpdfCheckPasses(written));
        EXPECT_EQ(QpdfPages(written), pages);
    } else {
        EXPECT_EQ(split.exitCode, 1);
        EXPECT_EQ(split.out, "");
        EXPECT_NE(split.err.find(copy), std::string::npos) << split.err;
    }
    // No temporary file is left behind, whatever happened.
    for (const fs::directory_entry& entry : fs::directory_iterator(m_tmp.Path()))
        EXPECT_EQ(entry.path().extension(), ".pdf") << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest, ::testing::ValuesIn(CorpusFiles()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string id;
                             for (const char c : param.param)
                                 id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return id;
                         });

TEST(CorpusPresenceTest, TheCorpusIsThere)
{
    // Without the corpus the sweep above would pass by running nothing.
    EXPECT_GE(CorpusFiles().size(), 40u) << kCorpus;
}
