// SPDX-License-Identifier: Apache-2.0
// The job list file on its own; saving and opening one in the desktop program and running one with
// quire are checked in tests/app and tests/cli.
#include "joblist/JobListFile.h"
#include "engine/PdfError.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

using namespace quire;
using testing::HasSubstr;

using JobListFileTest = TempDirTest;

TEST_F(JobListFileTest, ReplacesAWholeFileAndReadsBackWhatItWrote)
{
    JobListFile list;
    list.rows = {{"/docs/a.pdf", 3, 9, "Intro", true}, {"/docs/b \xc3\xa9.pdf", 1, 0, "", false}};
    list.szMergeOutput = "/out/Merged.pdf";
    list.bNestBookmarks = true;
    list.szTitle = "T";
    list.szKeywords = "k1, k2";
    list.splitMode = SplitMode::EveryPages;
    list.nSplitEvery = 4;
    list.szSplitNameTemplate = "{n}-{title}";
    list.szSplitFolder = "/out/parts";
    const std::string path = m_tmp.File("jobs.quirejob");
    WriteWholeFile(path, "old");
    WriteJobList(path, list);
    EXPECT_EQ(ReadJobList(path), list);
    EXPECT_EQ(FolderContents(m_tmp.Path()).size(), 1u); // no temporary file left

    // A folder that is not there: the message names the file and the system's reason; the old list stays.
    const std::string missing = m_tmp.File("gone/jobs.quirejob");
    try {
        WriteJobList(missing, list);
        ADD_FAILURE() << "written";
    } catch (const pdf::PdfError& e) {
        EXPECT_EQ(std::string(e.what()), missing + " cannot be written: No such file or directory");
    }
    EXPECT_EQ(ReadJobList(path), list);
}

TEST_F(JobListFileTest, ANonJobListIsRefusedWithTheReason)
{
    const std::string head = R"({"format": "quire-binder-job-list", "version": 1, )";
    const std::pair<std::string, const char*> cases[] = {
        {"not json", "is not a job list: it is not valid JSON (parse error at line 1, column 2"},
        {R"({"format": "other", "version": 1, "rows": []})", "is not a job list: it does not say it is one"},
        {"[1, 2]", "is not a job list: it does not say it is one"},
        {R"({"format": "quire-binder-job-list", "version": 2, "rows": []})", "made by a later version"},
        {R"({"format": "quire-binder-job-list", "rows": []})", "it has no version"},
        {head + R"("rows": {}})", "it has no list of rows"},
        {head + R"("rows": [{"path": 7}]})", "row 1 \"path\" is not a text"},
        {head + R"("rows": [{"path": "a.pdf"}]})", "row 1 has no absolute \"path\""},
        {head + R"("rows": [{"path": "/a.pdf", "begin": 1.5}]})", "row 1 \"begin\" is not a whole number"},
        {head + R"("rows": [{"path": "/a.pdf", "end": 99999999999999999999999}]})", "\"end\" is not a whole number"},
        {head + R"("rows": [{"path": "/a.pdf", "end": -1}]})", "\"end\" is not a whole number from 0"},
        {head + R"("rows": [{"path": "/a.pdf", "checked": "yes"}]})", "row 1 \"checked\" is not true or false"},
        {head + R"("rows": [], "split": {"mode": "sideways"}})", "\"split\" \"mode\" is not one Quire Binder knows"},
        {head + R"("rows": [], "split": {"everyPages": 0}})", "\"everyPages\" is not a whole number from 1"},
        {head + R"("rows": [], "merge": []})", "\"merge\" is not an object"},
        {head + R"("rows": [], "x": )" + std::string(100000, '[') + std::string(100000, ']') + "}",
         "it nests deeper than a job list does"},
        {std::string(JobListFile::kMaxBytes + 1, ' '), "it is larger than 16 MiB"},
    };
    const std::string path = m_tmp.File("bad.quirejob");
    for (const auto& [content, reason] : cases) {
        SCOPED_TRACE(content.substr(0, 80));
        WriteWholeFile(path, content);
        try {
            ReadJobList(path);
            ADD_FAILURE() << "read";
        } catch (const pdf::PdfError& e) {
            EXPECT_THAT(e.what(), testing::StartsWith(path + " "));
            EXPECT_THAT(e.what(), HasSubstr(reason));
        }
    }
    EXPECT_THROW(ReadJobList(m_tmp.File("gone.quirejob")), pdf::PdfError);
}

TEST(JobListClamp, PagesBeyondTheSourcesLastPageBecomeItsLastPage)
{
    // begin, end, the source's pages now; begin and end after, and whether anything changed.
    const std::tuple<int, int, int, int, int, bool> cases[] = {
        {3, 5, 10, 3, 5, false}, {3, 12, 10, 3, 10, true}, {12, 15, 10, 10, 10, true},
        {1, 0, 4, 1, 0, false},  {0, 0, 4, 0, 0, false},
    };
    for (const auto& [begin, end, pages, wantBegin, wantEnd, changed] : cases) {
        JobListRow row {"/a.pdf", begin, end};
        SCOPED_TRACE(std::to_string(begin) + "-" + std::to_string(end) + " of " + std::to_string(pages));
        EXPECT_EQ(ClampToPages(row, pages), changed);
        EXPECT_EQ(std::pair(row.nBeginPage, row.nEndPage), std::pair(wantBegin, wantEnd));
    }
}
