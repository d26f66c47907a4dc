// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// One INPUT of merge or split: FILE [RANGE] [--bookmark TEXT].
struct CliInput
{
    std::string szFilePath;
    bool bHasRange = false;
    std::string szBeginPage; // the texts of RANGE: "3-5" -> "3", "5"; "3-" -> "3", ""; "-5" -> "", "5"; "7" -> "7", "7"
    std::string szEndPage;
    std::optional<std::string> szBookmark; // set by --bookmark; "" means no bookmark
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
};

// Parses the arguments after the program name:
//
//   quire merge -o OUTPUT [--title T] [--author A] [--subject S] [--keywords K] [--no-backup] [--open] INPUT...
//   quire split [--no-backup] [--open] INPUT...
//   quire info [--json] FILE...
//   INPUT := FILE [RANGE] [--bookmark TEXT]
//
// Options may stand anywhere after the command; a long option also takes its value as "--title=T" and
// -o as "-oOUTPUT". "--" ends the options: every later argument is a FILE or a RANGE. A RANGE is
// recognised only right after a FILE and is made only of digits and at most one "-", with at least
// one digit. --bookmark belongs to the FILE before it. -o may be given only once.
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
