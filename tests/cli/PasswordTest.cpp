// SPDX-License-Identifier: Apache-2.0
// Protected files through the real `quire`: opened with a password from the command line or a file,
// merged, split and inspected; what was written is re-read with its password by qpdf and pdfinfo.
#include "tests/cli/QuireCliFixture.h"

namespace {

using ::testing::HasSubstr;

// The lines of `text` that `pattern` finds something in.
std::string LinesWith(const std::string& text, const std::string& pattern)
{
    std::string kept;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        kept += std::regex_search(line, std::regex(pattern)) ? line + "\n" : "";
    return kept;
}

// qpdf's account of the protection of `path` opened with `password`: revision, permission bits, which
// password matched and the methods; pdfinfo's "Encrypted" line and page count with the user password.
std::string Protection(const std::string& path, const std::string& password, const std::string& user)
{
    const fx::ChildResult qpdf = fx::RunChild({"qpdf", "--show-encryption", "--password=" + password, path});
    return "qpdf " + std::to_string(qpdf.exitCode) + ": "
        + LinesWith(qpdf.out, "^(R|P) = |^Supplied|method|not encrypted")
        + LinesWith(fx::RunChild({"pdfinfo", "-upw", user, path}).out, "^(Encrypted|Pages):");
}

} // namespace

TEST_F(QuireCliTest, ProtectedFilesOpenWithTheirPasswordWhichNoMessageEverShows)
{
    using E = fx::Encryption;
    const std::string user = "view-7Qx", owner = "master-9Kz", wrong = "wrong-5Tz";
    const struct
    {
        E encryption;
        std::string user, owner, given, method;
    } rows[] = {
        {E::Aes256, user, owner, user, "AES-256"},
        {E::Aes256R5, user, owner, user, "AES-256"},
        {E::Aes128, user, owner, user, "AES-128"},
        {E::Rc4_128, user, owner, user, "RC4 128-bit"},
        {E::Rc4_40, user, owner, user, "RC4 40-bit"},
        {E::Rc4_40, user, owner, owner, "RC4 40-bit"},
        {E::Aes256, user, owner, owner, "AES-256"},
        {E::Aes128, "", owner, "", "AES-128"}, // opens without a password
        {E::Aes256, "pässwörd-ключ", "мастер-ключ", "pässwörd-ключ", "AES-256"},
    };
    std::string said; // everything quire printed, searched for the passwords at the end
    const auto run = [&](const Strings& args) {
        const Outcome outcome = Run(args);
        said += outcome.out + outcome.err;
        return outcome;
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        const std::string s = "s" + std::to_string(i), part = s + "_p2-3.pdf";
        SCOPED_TRACE(s + " opened with " + row.given);
        const std::string source = Make(
            s + ".pdf", 3, false, {.userPassword = row.user, .ownerPassword = row.owner, .encryption = row.encryption});
        const Strings password = row.given.empty() ? Strings {} : Strings {"--password", row.given};
        Strings merge {"merge", "-om.pdf", "--no-backup", s + ".pdf"}, split {"split", s + ".pdf", "2-3"};
        merge.insert(merge.end(), password.begin(), password.end());
        split.insert(split.end(), password.begin(), password.end());
        EXPECT_EQ(run(merge),
                  (Outcome {0, "", "quire: note: m.pdf is not password-protected; " + s + ".pdf was\n", " +m.pdf"}));
        ExpectSound(m_tmp.File("m.pdf"), Pages({{s, 1, 3}}));
        fs::remove(m_tmp.File("m.pdf"));
        ASSERT_EQ(run(split), (Outcome {0, part + "\n", "", " +" + part}));
        // The part keeps the source's method, revision, permissions and passwords.
        EXPECT_EQ(
            Protection(m_tmp.File(part), row.given, row.user),
            std::regex_replace(Protection(source, row.given, row.user), std::regex("Pages: +3"), "Pages:           2"));
        EXPECT_EQ(run({"info", part, "--password=" + row.given}).out,
                  part + ": 2 pages, outline yes, form no, encrypted (" + row.method + ")\n");
    }

    // s0.pdf is AES-256 with both passwords.
    WriteWholeFile(m_tmp.File("user.txt"), user + "\r\nsecond line");
    WriteWholeFile(m_tmp.File("owner.txt"), owner + "\n");
    WriteWholeFile(m_tmp.File("empty.txt"), "\n" + user);
    const std::string refused = "quire: s0.pdf keeps its password protection: removing it needs the owner password; no "
                                "file was written for it\n";
    const std::pair<Strings, Outcome> cases[] = {
        {{"info", "s0.pdf"}, {1, "", "quire: s0.pdf needs a password\n"}},
        {{"merge", "-oout.pdf", "s0.pdf"}, {1, "", "quire: s0.pdf needs a password\n"}},
        {{"info", "s0.pdf", "--password", wrong}, {1, "", "quire: The password does not open s0.pdf\n"}},
        {{"merge", "-oout.pdf", "s0.pdf", "--password", wrong}, {1, "", "quire: The password does not open s0.pdf\n"}},
        {{"split", "s0.pdf", "--password=" + wrong}, {1, "", "quire: The password does not open s0.pdf\n"}},
        {{"split", "--decrypt", "s0.pdf", "1", "--password", user}, {1, "", refused}},
        {{"split", "--decrypt", "s0.pdf", "1", "--password-file", "owner.txt"},
         {0, "s0_p1-1.pdf\n", "quire: note: s0_p1-1.pdf is not password-protected; s0.pdf was\n", " +s0_p1-1.pdf"}},
        {{"merge", "-oout.pdf", "s0.pdf", "--password-file", "gone.txt"},
         {1, "", "quire: the password file gone.txt cannot be read: No such file or directory\n"}},
        {{"merge", "-oout.pdf", "--user-password-file", "empty.txt", "s0.pdf", "--password-file", "user.txt"},
         {1, "", "quire: the password file empty.txt has an empty first line; an empty password protects nothing\n"}},
        {{"merge", "-ouser.pdf", "--user-password-file", "user.txt", "--owner-password", owner, "s0.pdf",
          "--password-file", "user.txt"},
         {0, "", "", " +user.pdf"}},
        {{"merge", "-oboth.pdf", "--owner-password-file", "owner.txt", "--user-password", user, "s2.pdf", "--password",
          user},
         {0, "", "", " +both.pdf"}},
    };
    for (const auto& [args, outcome] : cases)
        EXPECT_EQ(run(args), outcome) << ::testing::PrintToString(args);
    ExpectSound(m_tmp.File("s0_p1-1.pdf"), Pages({{"s0", 1, 1}}));
    // Both protected merges: AES-256 revision 6, the user password opens, the owner password owns;
    // printing and copying allowed, changing not.
    for (const char* merged : {"user.pdf", "both.pdf"}) {
        EXPECT_EQ(Protection(m_tmp.File(merged), owner, user),
                  "qpdf 0: R = 6\nP = -1036\nSupplied password is owner password\nstream encryption method: AESv3\n"
                  "string encryption method: AESv3\nfile encryption method: AESv3\nPages:           3\n"
                  "Encrypted:       yes (print:yes copy:yes change:no addNotes:yes algorithm:AES-256)\n")
            << merged;
    }
    for (const std::string& password : {user, owner, wrong, rows[8].user, rows[8].owner})
        EXPECT_THAT(said, ::testing::Not(HasSubstr(password)));
}
