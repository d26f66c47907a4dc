// SPDX-License-Identifier: Apache-2.0
// Save Job List... and Open Job List... as a user runs them; what a list makes the jobs write is
// checked by running it through quire and reading the outputs back with pdftotext and qpdf.
#include "tests/app/AppFixture.h"

#include "joblist/JobListFile.h"

namespace {

using JobListFrame = FrameFixture;

const std::string kPassword = "Pw-list-7Q";

// The name, page texts and outline of every file `quire VERB --job LIST` writes (a merge into `merged`).
std::vector<std::string> Outputs(const std::string& verb, const std::string& list, const std::string& merged)
{
    std::vector<std::string> args = {QUIRE_BINARY_DIR "/quire", verb, "--job", list};
    if (verb == "merge")
        args.push_back("-o" + merged);
    const fx::ChildResult run = fx::RunChild(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> seen;
    std::istringstream written(verb == "merge" ? merged : run.out);
    for (std::string part; std::getline(written, part);) {
        seen.push_back(std::filesystem::path(part).filename());
        for (const auto& texts : {fx::PageTexts(part), fx::OutlineOf(part)})
            seen.insert(seen.end(), texts.begin(), texts.end());
    }
    return seen;
}

} // namespace

TEST_F(JobListFrame, ASavedListComesBackAfterARestartWithItsOptionsAndDropsOrClampsWhatChanged)
{
    const std::string a = MakePdf("A.pdf", 6, true), b = MakePdf("B.pdf", 3),
                      locked = MakePdf("L.pdf", 2, false, kPassword);
    quire::JobListFile given {{{a, 2, 5, "Aye", true}, {b, 1, 3, "", false}, {locked, 1, 2, "Locked", false}},
                              m_tmp.File("merged.pdf"),
                              true,
                              "Listed"};
    std::tie(given.splitMode, given.nSplitEvery, given.szSplitNameTemplate)
        = std::tuple(quire::SplitMode::EveryPages, 2, "{title}-{n}");
    quire::WriteJobList(m_tmp.File("given.quirejob"), given);

    QStringList prompts;
    const auto open = [&](const std::string& list) {
        const auto pAnswers = AnswerPasswords({{kPassword}}, prompts);
        CFileDialog::SetNextFileName(Q(m_tmp.File(list)));
        Trigger("ID_FILE_OPEN_JOB_LIST");
        WaitForIntake();
    };
    const std::string rows = "[x] A.pdf 6 2 5 Aye | [ ] B.pdf 3 1 3  | [ ] L.pdf 2 1 2 Locked";
    const auto expectOptions = [&] {
        using Key = CAppSettings::Key;
        EXPECT_EQ(std::tuple(Settings().SavePath(), Settings().Document().szTitle, Settings().Value(Key::SplitMode),
                             Settings().Value(Key::SplitEvery), Settings().Value(Key::SplitNameTemplate),
                             Settings().Value(Key::NestBookmarks)),
                  std::tuple(Q(given.szMergeOutput), "Listed", 1, 2, "{title}-{n}", 1));
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
    EXPECT_TRUE(saved.find(kPassword) == std::string::npos && saved.find("assword") == std::string::npos) << saved;
    Restart();
    open("saved.quirejob");
    EXPECT_EQ(Rows(), rows);
    expectOptions();
    EXPECT_TRUE(CMessageBox::TakeShownTexts().isEmpty());
    for (const std::string verb : {"merge", "split"})
        EXPECT_EQ(Outputs(verb, m_tmp.File("saved.quirejob"), m_tmp.File("out.pdf")),
                  Outputs(verb, m_tmp.File("given.quirejob"), m_tmp.File("out.pdf")));

    // A file gone and one that shrank: one message names the row dropped and the range brought in.
    std::filesystem::remove(b);
    MakePdf("A.pdf", 3, true);
    open("saved.quirejob");
    EXPECT_EQ(Rows(), "[x] A.pdf 3 2 3 Aye | [ ] L.pdf 2 1 2 Locked");
    EXPECT_EQ(CMessageBox::TakeShownTexts(),
              QStringList {"The job list " + Path("saved.quirejob") + " was opened.\n\nThese rows were dropped:\n"
                           + Q(b)
                           + " cannot be read: No such file or directory\n\nThese rows reached beyond their "
                             "file's last page:\n"
                           + Q(a) + ": pages 2-5 are now 2-3; it has 3 pages."});

    // What is no job list is refused with the reason, and the list stays as it was (more in tests/joblist).
    WriteWholeFile(m_tmp.File("bad.quirejob"), "[]");
    open("bad.quirejob");
    EXPECT_EQ(CMessageBox::TakeShownTexts(),
              QStringList {Path("bad.quirejob") + " is not a job list: it does not say it is one"});
    EXPECT_EQ(Rows(), "[x] A.pdf 3 2 3 Aye | [ ] L.pdf 2 1 2 Locked");
}
