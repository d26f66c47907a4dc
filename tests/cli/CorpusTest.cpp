// SPDX-License-Identifier: Apache-2.0
// Every real-world file of the shared corpus goes through `quire info`, a merge and a split: it works
// and what was written passes a second reader, or it is refused with status 1 and a sentence that
// names the file. Nothing may crash or run past its time limit.
#include "tests/cli/QuireCliFixture.h"

namespace {

using ::testing::HasSubstr;

// The files that cannot be read at all, with the reason the user is told.
const std::map<std::string, std::string> kUnreadable = {
    {"bad1.pdf", "is not a PDF file"},
    {"bad7.pdf", "is damaged beyond repair"},
    {"issue-99.pdf", "is damaged beyond repair"},
    {"pages-loop.pdf", "is damaged beyond repair"},
    {"enc-R3,V2,U=view,O=master.pdf", "needs a password"},
    {"enc-XI-R6,V5,U=view,O=master.pdf", "needs a password"},
};

const Strings kFiles = Matching(kCorpus, ".*\\.pdf");

class CorpusTest : public QuireCliTest, public ::testing::WithParamInterface<std::string>
{
};

} // namespace

TEST_P(CorpusTest, EveryFileWorksOrIsRefusedWithItsName)
{
    const std::string source = GetParam(), name = fs::path(source).filename();
    const bool bReadable = !kUnreadable.contains(name);
    const Outcome info = Run({"info", source});
    EXPECT_EQ(info.status, bReadable ? 0 : 1);
    const std::string head = bReadable ? source + ": " : "quire: " + source + " " + kUnreadable.at(name);
    ASSERT_TRUE((bReadable ? info.out : info.err).starts_with(head)) << info.out << info.err;
    EXPECT_EQ(bReadable ? info.err : info.out, "");
    const int pages = bReadable ? std::stoi(info.out.substr(head.size())) : -1;

    // Merge from the read-only corpus folder into the test's folder; split a copy, since a split
    // writes beside its source. Nothing else may show up there, whatever happened: no temporary file.
    fs::copy_file(source, m_tmp.File(name));
    const std::string part = fs::path(name).stem().string() + "_p1-" + std::to_string(pages) + ".pdf";
    const Outcome merge = Run({"merge", "-omerged.pdf", source}), split = Run({"split", name});
    if (pages > 0) {
        ASSERT_EQ(merge.status + split.status, 0) << merge.err << split.err;
        EXPECT_EQ(split.out + merge.changes + split.changes, part + "\n +merged.pdf +" + part);
        for (const std::string& written : {m_tmp.File("merged.pdf"), m_tmp.File(part)}) {
            EXPECT_TRUE(fx::QpdfCheckPasses(written)) << written;
            EXPECT_EQ(fx::RunChild({"qpdf", "--show-npages", written}).out, std::to_string(pages) + "\n");
        }
        // poppler needs minutes for the source of shared-unnamed-field.pdf.
        EXPECT_TRUE(name == "shared-unnamed-field.pdf" || fx::PdfInfo(m_tmp.File("merged.pdf"))["Encrypted"] == "no");
        // A file that opens without its owner password is merged, and the user is told the merged
        // file is not protected; its split part keeps the protection.
        const bool bProtected = name.starts_with("enc-");
        EXPECT_EQ(merge.err.find("quire: note: merged.pdf is not password-protected; " + source + " was")
                      != std::string::npos,
                  bProtected)
            << merge.err;
        EXPECT_TRUE(name == "shared-unnamed-field.pdf"
                    || fx::PdfInfo(m_tmp.File(part))["Encrypted"].starts_with("yes") == bProtected);
    } else {
        EXPECT_EQ(std::pair(merge.status, split.status), std::pair(1, 1));
        EXPECT_THAT(merge.err, HasSubstr(pages == 0 ? "merged.pdf" : source));
        EXPECT_THAT(split.err, HasSubstr(name));
        EXPECT_EQ(merge.out + split.out + merge.changes + split.changes, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             return std::regex_replace(param.param.substr(kCorpus.size() + 1), std::regex("\\W"), "_");
                         });

TEST(CorpusPresenceTest, TheCorpusIsThere)
{
    // Without the corpus the sweep above would pass by running nothing.
    EXPECT_GE(kFiles.size(), 40u) << kCorpus;
}
