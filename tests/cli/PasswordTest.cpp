// SPDX-License-Identifier: Apache-2.0
// Protected files through the real `quire`: opened with a password from the command line or a file,
// merged, split and inspected; what was written is re-read with its password by qpdf and pdfinfo.
#include "tests/cli/QuireCliFixture.h"

using ::testing::HasSubstr;

// qpdf's account of the protection of `path` opened with `password`: revision, permissions, methods.
static std::string Shown(const std::string& path, const std::string& password)
{
    const fx::ChildResult shown = fx::RunChild({"qpdf", "--show-encryption", "--password=" + password, path});
    return std::to_string(shown.exitCode) + " " + shown.out + shown.err;
}

TEST_F(QuireCliTest, ProtectedFilesOpenWithTheirPasswordWhichNoMessageEverShows)
{
    using E = fx::Encryption;
    const std::string user = "view-7Qx", owner = "master-9Kz", wrong = "wrong-5Tz", utf8 = "pässwörd-ключ";
    // The encryption, user and owner password, the password given, and the method `info` names.
    const std::tuple<E, std::string, std::string, std::string, std::string> rows[] = {
        {E::Aes256, user, owner, user, "AES-256"},    {E::Aes256R5, user, owner, user, "AES-256"},
        {E::Aes128, user, owner, user, "AES-128"},    {E::Rc4_128, user, owner, user, "RC4 128-bit"},
        {E::Rc4_40, user, owner, user, "RC4 40-bit"}, {E::Rc4_40, user, owner, owner, "RC4 40-bit"},
        {E::Aes256, user, owner, owner, "AES-256"},   {E::Aes128, "", owner, "", "AES-128"}, // opens without one
        {E::Aes256, utf8, "мастер", utf8, "AES-256"},
    };
    std::string said; // everything quire printed, searched for the passwords at the end
    const auto run = [&](const Strings& args) {
        const Outcome outcome = Run(args);
        said += outcome.out + outcome.err;
        return outcome;
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& [encryption, rowUser, rowOwner, given, method] = rows[i];
        const std::string s = "s" + std::to_string(i), m = s + "m.pdf", part = s + "_p2-3.pdf";
        const std::string password = "--password=" + given;
        SCOPED_TRACE(s + " opened with " + given);
        const std::string source = Make(s + ".pdf", 3, false,
                                        {.userPassword = rowUser, .ownerPassword = rowOwner, .encryption = encryption});
        const std::string note = "quire: note: " + m + " is not password-protected; " + s + ".pdf was\n";
        EXPECT_EQ(run({"merge", "-o" + m, s + ".pdf", password}), (Outcome {0, "", note, " +" + m}));
        ExpectSound(m_tmp.File(m), Pages({{s, 1, 3}}));
        // A part keeps its source's method, revision, permissions and passwords.
        ASSERT_EQ(run({"split", s + ".pdf", "2-3", password}), (Outcome {0, part + "\n", "", " +" + part}));
        EXPECT_EQ(Shown(m_tmp.File(part), given), Shown(source, given));
        EXPECT_EQ(run({"info", part, password}).out,
                  part + ": 2 pages, outline yes, form no, encrypted (" + method + ")\n");
    }

    // s0.pdf is AES-256 with both passwords; user.txt ends its line with "\r\n".
    for (const auto& [name, text] :
         {std::pair {"user.txt", user + "\r\nmore"}, {"owner.txt", owner}, {"empty.txt", "\n"}})
        WriteWholeFile(m_tmp.File(name), text);
    const std::pair<Strings, Outcome> cases[] = {
        {{"merge", "-oout.pdf", "s0.pdf"}, {1, "", "quire: s0.pdf needs a password\n"}},
        {{"info", "s0.pdf", "--password", wrong}, {1, "", "quire: The password does not open s0.pdf\n"}},
        {{"split", "--decrypt", "s0.pdf", "1", "--password", user},
         {1, "",
          "quire: s0.pdf keeps its password protection: removing it needs the owner password; no file was "
          "written for it\n"}},
        {{"split", "--decrypt", "s0.pdf", "1", "--password-file", "owner.txt"},
         {0, "s0_p1-1.pdf\n", "quire: note: s0_p1-1.pdf is not password-protected; s0.pdf was\n", " +s0_p1-1.pdf"}},
        {{"merge", "-oout.pdf", "s0.pdf", "--password-file", "gone.txt"},
         {1, "", "quire: the password file gone.txt cannot be read: No such file or directory\n"}},
        {{"merge", "-oout.pdf", "--user-password-file", "empty.txt", "s0.pdf", "--password-file", "user.txt"},
         {1, "", "quire: the password file empty.txt has an empty first line; an empty password protects nothing\n"}},
        {{"merge", "-oout.pdf", "--user-password", user, "--owner-password-file", "owner.txt", "s0.pdf",
          "--password-file", "user.txt"},
         {0, "", "", " +out.pdf"}},
    };
    for (const auto& [args, outcome] : cases)
        EXPECT_EQ(run(args), outcome) << ::testing::PrintToString(args);
    EXPECT_EQ(Shown(m_tmp.File("s0_p1-1.pdf"), ""), "0 File is not encrypted\n");
    // The protected merge: AES-256 revision 6 that the user password opens and the owner password owns;
    // printing and copying allowed, changing not.
    EXPECT_TRUE(std::regex_search(Shown(m_tmp.File("out.pdf"), owner),
                                  std::regex("^0 R = 6\n[\\s\\S]*Supplied password is owner password[\\s\\S]*AESv3")));
    EXPECT_THAT(fx::RunChild({"pdfinfo", "-upw", user, m_tmp.File("out.pdf")}).out,
                HasSubstr("yes (print:yes copy:yes change:no addNotes:yes algorithm:AES-256)"));
    for (const std::string& password : {user, owner, wrong, utf8, std::string("мастер")})
        EXPECT_THAT(said, ::testing::Not(HasSubstr(password)));
}
