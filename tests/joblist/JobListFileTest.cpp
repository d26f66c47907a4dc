// SPDX-License-Identifier: Apache-2.0
// The job list file on its own; saving and opening one in the desktop program and running one with
// quire are checked in tests/app and tests/cli.
#include "joblist/JobListFile.h"
#include "engine/PdfError.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

using namespace quire;

using JobListFileTest = TempDirTest;

TEST_F(JobListFileTest, ReadsBackWhatItWroteAndRefusesWhatIsNoJobListWithTheReason)
{
    JobListFile list {{{"/docs/a.pdf", 3, 9, "Intro", true}, {"/docs/b \xc3\xa9.pdf", 1, 0, "", false}},
                      "/out/M.pdf",
                      true,
                      "T",
                      "A",
                      "S",
                      "k1, k2",
                      SplitMode::AtBookmarks,
                      4,
                      2,
                      "{n}",
                      "/out/parts"};
    const std::string path = m_tmp.File("jobs.quirejob");
    WriteJobList(path, list);
    EXPECT_EQ(ReadJobList(path), list);

    const std::string head = R"({"format": "quire-binder-job-list", "version": 1, )";
    const std::pair<std::string, const char*> cases[] = {
        {"not json", "it is not valid JSON (parse error at line 1, column 2"},
        {R"({"format": "other", "version": 1, "rows": []})", "it does not say it is one"},
        {R"({"format": "quire-binder-job-list", "version": 2, "rows": []})", "it was made by a later version"},
        {head + R"("rows": [{"path": "a.pdf"}]})", "row 1 has no absolute \"path\""},
        {head + R"("rows": [{"path": "/a.pdf", "end": 99999999999999999999999}]})",
         "row 1 \"end\" is not a whole number"},
        {head + R"("rows": [], "split": {"mode": "sideways"}})", "\"split\" \"mode\" is not one Quire Binder knows"},
        {head + R"("x": )" + std::string(100000, '[') + std::string(100000, ']') + "}", "it nests deeper"},
        {std::string(JobListFile::kMaxBytes + 1, ' '), "it is larger than 16 MiB"},
    };
    for (const auto& [content, reason] : cases) {
        SCOPED_TRACE(content.substr(0, 80));
        WriteWholeFile(path, content);
        EXPECT_THROW(
            try { ReadJobList(path); } catch (const pdf::PdfError& e) {
                EXPECT_THAT(e.what(), testing::StartsWith(path + " is not a job list: " + reason));
                throw;
            },
            pdf::PdfError);
    }
}
