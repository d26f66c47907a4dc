// SPDX-License-Identifier: Apache-2.0
// Save Job List... and Open Job List... as a user runs them; what a list makes the jobs write is
// checked by running it through quire and reading the outputs back with pdftotext and qpdf.
#include "tests/app/AppFixture.h"

#include "joblist/JobListFile.h"

namespace {

using JobListFrame = FrameFixture;

const std::string kPassword = "Pw-list-7Q";

// The merge and the split `list` makes quire write: the merge's page texts and outline, then each
// part's name and page texts.
std::vector<std::string> Outputs(const std::string& list, const std::string& folder)
{
    const std::string quire = QUIRE_BINARY_DIR "/quire";
    std::vector<std::string> seen;
    const std::string merged = folder + "/merged.pdf";
    const fx::ChildResult merge
        = fx::RunChild({quire, "merge", "--job", list, "--password", kPassword, "-o", merged, "--no-backup"});
    EXPECT_EQ(merge.exitCode, 0) << merge.err;
    for (const auto& texts : {fx::PageTexts(merged), fx::OutlineOf(merged)})
        seen.insert(seen.end(), texts.begin(), texts.end());
    const fx::ChildResult split = fx::RunChild({quire, "split", "--job", list, "--password", kPassword, "--no-backup"});
    EXPECT_EQ(split.exitCode, 0) << split.err;
    std::istringstream parts(split.out);
    for (std::string part; std::getline(parts, part);) {
        seen.push_back(std::filesystem::path(part).filename());
        for (const std::string& text : fx::PageTexts(part))
            seen.push_back(text);
    }
    return seen;
}

} // namespace

TEST_F(JobListFrame, ASavedListComesBackAfterARestartWithItsOptionsAndDropsOrClampsWhatChanged)
{
    const std::string a = MakePdf("A.pdf", 6, true), b = MakePdf("B.pdf", 3),
                      locked = MakePdf("L.pdf", 2, false, kPassword);
    quire::JobListFile given;
    given.rows = {{a, 2, 5, "Aye", true}, {b, 1, 3, "", false}, {locked, 1, 2, "Locked", true}};
    given.szMergeOutput = m_tmp.File("merged.pdf");
    given.szTitle = "Listed";
    given.bNestBookmarks = true;
    given.splitMode = quire::SplitMode::EveryPages;
    given.nSplitEvery = 2;
    given.szSplitNameTemplate = "{title}-{n}";
    given.szSplitFolder = m_tmp.File("");
    quire::WriteJobList(m_tmp.File("given.quirejob"), given);

    QStringList prompts;
    const auto open = [&](const std::string& list) {
        const auto pAnswers = AnswerPasswords({{kPassword}}, prompts);
        CFileDialog::SetNextFileName(Q(m_tmp.File(list)));
        Trigger("ID_FILE_OPEN_JOB_LIST");
        WaitForIntake();
    };
    const std::string rows = "[x] A.pdf 6 2 5 Aye | [ ] B.pdf 3 1 3  | [x] L.pdf 2 1 2 Locked";
    const auto expectOptions = [&] {
        using Key = CAppSettings::Key;
        EXPECT_EQ(Settings().SavePath(), Q(given.szMergeOutput));
        EXPECT_EQ(Settings().Document().szTitle, QStringLiteral("Listed"));
        EXPECT_EQ(std::tuple(Settings().Value(Key::SplitMode).toInt(), Settings().Value(Key::SplitEvery).toInt(),
                             Settings().Value(Key::SplitNameTemplate).toString(),
                             Settings().Value(Key::NestBookmarks).toInt()),
                  std::tuple(1, 2, QStringLiteral("{title}-{n}"), 1));
    };

    // Opening replaces the list in one step Undo takes back; the protected file asks for its password.
    AddFiles({b});
    open("given.quirejob");
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(prompts.size(), 1);
    expectOptions();
    Trigger("ID_EDIT_UNDO");
    EXPECT_EQ(Rows(), "[x] B.pdf 3 1 3 B");
    Trigger("ID_EDIT_REDO");
    EXPECT_EQ(Rows(), rows);

    // Saved, it holds no password nor any word of one; after a restart it opens as it was saved.
    CFileDialog::SetNextFileName(Q(m_tmp.File("saved")));
    Trigger("ID_FILE_SAVE_JOB_LIST");
    const std::string saved = ReadWholeFile(m_tmp.File("saved.quirejob"));
    EXPECT_EQ(saved.find(kPassword), std::string::npos);
    EXPECT_EQ(QString::fromStdString(saved).indexOf(QStringLiteral("password"), 0, Qt::CaseInsensitive), -1);
    Restart();
    EXPECT_NE(Settings().Document().szTitle, QStringLiteral("Listed"));
    open("saved.quirejob");
    EXPECT_EQ(Rows(), rows);
    expectOptions();
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    std::filesystem::create_directory(m_tmp.File("one"));
    std::filesystem::create_directory(m_tmp.File("two"));
    EXPECT_EQ(Outputs(m_tmp.File("saved.quirejob"), m_tmp.File("two")),
              Outputs(m_tmp.File("given.quirejob"), m_tmp.File("one")));

    // A file gone and one that shrank: one message names the row dropped and the range brought in.
    std::filesystem::remove(b);
    MakePdf("A.pdf", 3, true);
    open("saved.quirejob");
    EXPECT_EQ(Rows(), "[x] A.pdf 3 2 3 Aye | [x] L.pdf 2 1 2 Locked");
    EXPECT_EQ(CMessageBox::TakeShownTexts(),
              QStringList {"The job list " + Path("saved.quirejob") + " was opened.\n\nThese rows were dropped:\n"
                           + Q(b)
                           + " cannot be read: No such file or directory\n\nThese rows reached beyond their "
                             "file's last page:\n"
                           + Q(a) + ": pages 2-5 are now 2-3; it has 3 pages."});

    // What is no job list is refused with the reason, and the list stays as it was.
    const std::pair<std::string, std::string> bad[] = {
        {"[]", "is not a job list: it does not say it is one"},
        {R"({"format": "quire-binder-job-list", "version": 9, "rows": []})", "made by a later version"},
        {R"({"format": "quire-binder-job-list", "version": 1, "rows": [{"path": "/a.pdf", "end": "7"}]})",
         "row 1 \"end\" is not a whole number"},
    };
    for (const auto& [content, reason] : bad) {
        SCOPED_TRACE(content);
        WriteWholeFile(m_tmp.File("bad.quirejob"), content);
        open("bad.quirejob");
        const QStringList shown = CMessageBox::TakeShownTexts();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].startsWith(Path("bad.quirejob") + " ")) << shown[0].toStdString();
        EXPECT_TRUE(shown[0].contains(Q(reason))) << shown[0].toStdString();
        EXPECT_EQ(Rows(), "[x] A.pdf 3 2 3 Aye | [x] L.pdf 2 1 2 Locked");
    }
}
