// SPDX-License-Identifier: Apache-2.0
// Saved job lists run through the real `quire`; the outputs are re-read with qpdf and pdftotext.
#include "engine/PdfError.h"
#include "joblist/JobListFile.h"
#include "tests/cli/QuireCliFixture.h"

using ::testing::HasSubstr;

TEST_F(QuireCliTest, AJobListRunsItsTickedRowsWithItsOptionsUnlessTheCommandLineGivesOthers)
{
    const std::string a = Make("A.pdf", 6, true), b = Make("B.pdf", 3), c = Make("C.pdf", 4);
    const std::string locked = Make("Locked.pdf", 2, false, {.userPassword = "pw-7Qx"});
    quire::JobListFile list {{{a, 3, 5, "", true}, {b, 1, 3, "Bee", false}, {c, 1, 2, "Cee", true}},
                             m_tmp.File("listed.pdf"),
                             true,
                             "From the list"};
    quire::WriteJobList(m_tmp.File("jobs.quirejob"), list);
    list.rows = {{locked, 1, 2, "", true}, {m_tmp.File("Gone.pdf"), 1, 1, "", true}};
    quire::WriteJobList(m_tmp.File("locked.quirejob"), list);

    const std::tuple<Strings, Outcome> cases[] = {
        {{"merge", "--job", "jobs.quirejob"}, {0, "", "", " +listed.pdf"}},
        {{"merge", "--job=jobs.quirejob", "-o", "given.pdf", "--title", "Given"}, {0, "", "", " +given.pdf"}},
        {{"split", "--job", "jobs.quirejob"},
         {0, m_tmp.File("A_p3-5.pdf") + "\n" + m_tmp.File("C_p1-2.pdf") + "\n", "", " +A_p3-5.pdf +C_p1-2.pdf"}},
        // Protected rows take the PASSWORD after --job; a file that vanished fails the job like a missing INPUT.
        {{"merge", "--job", "locked.quirejob", "--password", "pw-7Qx"},
         {1, "", "quire: " + m_tmp.File("Gone.pdf") + " cannot be read: No such file or directory\n"}},
        {{"split", "--job", "locked.quirejob"},
         {1, "",
          "quire: " + m_tmp.File("Locked.pdf") + " needs a password\nquire: " + m_tmp.File("Gone.pdf")
              + " cannot be read: No such file or directory\n"}},
        {{"merge", "-o", "flag.pdf", "--nest-bookmarks", "A.pdf", "3-5"}, {0, "", "", " +flag.pdf"}},
        {{"merge", "--job", "jobs.quirejob", "A.pdf"},
         {2, "", "quire: --job runs the rows of its list: give no INPUT"}},
    };
    for (const auto& [args, want] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome got = Run(args);
        EXPECT_EQ(std::tuple(got.status, got.out, got.changes), std::tuple(want.status, want.out, want.changes));
        EXPECT_THAT(got.err, HasSubstr(want.err));
    }
    // The list's nesting and information, or the command line's title instead of the list's.
    const Strings nested = {"A -> 1", "  A 3 -> 1", "  A 4 -> 2", "  A 5 -> 3", "Cee -> 4"};
    ExpectSound(m_tmp.File("listed.pdf"), Pages({{"A", 3, 5}, {"C", 1, 2}}), nested);
    ExpectSound(m_tmp.File("given.pdf"), Pages({{"A", 3, 5}, {"C", 1, 2}}), nested);
    ExpectSound(m_tmp.File("flag.pdf"), Pages({{"A", 3, 5}}), Strings(nested.begin(), nested.end() - 1));
    EXPECT_THAT(Information(m_tmp.File("listed.pdf")), testing::StartsWith("Title=From the list; "));
    EXPECT_THAT(Information(m_tmp.File("given.pdf")), testing::StartsWith("Title=Given; "));
    ExpectSound(m_tmp.File("C_p1-2.pdf"), Pages({{"C", 1, 2}}));
}
