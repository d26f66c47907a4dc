// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A password as the command line gives it: its text, or the file whose first line it is. The text of
// a file is read after parsing (CQuireCli), so that the parser does no I/O; a password is never part
// of a usage error.
struct CliPassword
{
    std::optional<std::string> szText; // --password TEXT, or the line read from szFile
    std::optional<std::string> szFile; // --password-file FILE
    bool IsGiven() const { return szText || szFile; }
};

// One INPUT of merge or split, or one FILE of info: FILE [RANGE] [--bookmark TEXT] [--password TEXT |
// --password-file FILE].
struct CliInput
{
    std::string szFilePath;
    bool bHasRange = false;
    std::string szBeginPage; // the texts of RANGE: "3-5" -> "3", "5"; "3-" -> "3", ""; "-5" -> "", "5"; "7" -> "7", "7"
    std::string szEndPage;
    std::optional<std::string> szBookmark; // set by --bookmark; "" means no bookmark
    CliPassword password {}; // opens the FILE when it is protected
};

// A parsed command line of `quire`.
struct CliCommand
{
    enum class Verb {
        Help,
        Version,
        Merge,
        Split,
        Info,
    };
    Verb verb = Verb::Help;
    std::vector<CliInput> inputs; // merge and split: the INPUTs; info: the FILEs (no ranges)
    std::string szOutput; // merge: -o OUTPUT
    std::string szTitle;
    std::string szAuthor;
    std::string szSubject;
    std::string szKeywords;
    bool bNoBackup = false;
    bool bOpen = false;
    bool bJson = false;
    bool bDecrypt = false; // split: parts of a protected source are written without its protection
    // split: how each range is cut; --every N, --single-pages (--every 1) or --at-bookmarks L, at most one
    enum class SplitMode {
        Range,
        Every,
        AtBookmarks,
    };
    SplitMode splitMode = SplitMode::Range;
    int nSplitEvery = 1; // --every N: 1 or more
    int nSplitLevel = 1; // --at-bookmarks L: 1 or more
    std::string szNameTemplate {}; // split --name TEMPLATE; empty: the default
    std::string szFolder {}; // split --folder DIR; empty: beside each source
    CliPassword userPassword {}; // merge: protect the output; each given at most once
    CliPassword ownerPassword {};
    std::string szJobFile {}; // merge and split: --job FILE, a saved job list run instead of INPUTs
    CliPassword jobPassword {}; // --job: the PASSWORD after it, for every protected row of the list
    bool bNestBookmarks = false; // merge: --nest-bookmarks
};

// Parses the arguments after the program name:
//
//   quire merge (-o OUTPUT | --job FILE [PASSWORD]) [--nest-bookmarks] [--title T] [--author A] [--subject S]
//   [--keywords K] [--no-backup] [--open]
//               [--user-password TEXT | --user-password-file FILE]
//               [--owner-password TEXT | --owner-password-file FILE] INPUT...
//   quire split [--every N | --single-pages | --at-bookmarks L] [--name TEMPLATE] [--folder DIR]
//               [--no-backup] [--open] [--decrypt] (INPUT... | --job FILE [PASSWORD])
//   quire info [--json] FILE [PASSWORD]...
//   INPUT := FILE [RANGE] [--bookmark TEXT] [PASSWORD]
//   PASSWORD := --password TEXT | --password-file FILE
//
// Options may stand anywhere after the command; a long option also takes its value as "--title=T" and
// -o as "-oOUTPUT". "--" ends the options: every later argument is a FILE or a RANGE. A RANGE is
// recognised only right after a FILE and is made only of digits and at most one "-", with at least
// one digit. --bookmark, --password and --password-file belong to the FILE before it; a FILE takes one
// password, merge's output one user and one owner password; a PASSWORD before any FILE but after
// --job belongs to the job list's rows. -o and --job may be given only once; --job takes no INPUT,
// and stands in for merge's -o (the list names the output). No usage error
// repeats the value of a password option, nor an option written with its value ("--password=T").
// N and L are whole numbers from 1; split takes one of --every, --single-pages and --at-bookmarks.
// "--help" or "-h" anywhere before "--" asks for the help text, whatever else is wrong; so does the
// command "help". The command "--version", "-V" or "version" asks for the version.
// Throws CCommandLine::UsageError with a sentence saying what is wrong.
class CCommandLine
{
public:
    class UsageError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    static CliCommand Parse(const std::vector<std::string>& args);

    // Whether `text` has the shape of a RANGE; fills the begin and end texts when it has.
    static bool ParseRange(const std::string& text, std::string& szBeginPage, std::string& szEndPage);

    // The synopsis shown with a usage error, and the whole help text.
    static std::string Synopsis();
    static std::string HelpText();
};
