// SPDX-License-Identifier: Apache-2.0
#include "cli/CCommandLine.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <utility>

namespace {

using Verb = CliCommand::Verb;
using UsageError = CCommandLine::UsageError;

bool IsOptionLike(const std::string& text)
{
    return text.size() > 1 && text[0] == '-';
}

// An option as written: "--title=T" and "-oOUTPUT" carry their value, "--title" and "-o" do not.
struct Option
{
    std::string name;
    std::optional<std::string> value;
};

Option SplitOption(const std::string& arg)
{
    if (arg.rfind("--", 0) == 0) {
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos)
            return {arg.substr(0, eq), arg.substr(eq + 1)};
    } else if (arg.rfind("-o", 0) == 0 && arg.size() > 2) {
        return {"-o", arg.substr(2)};
    }
    return {arg, std::nullopt};
}

bool AsksForHelp(const std::vector<std::string>& args)
{
    const auto end = std::find(args.begin(), args.end(), "--");
    return std::any_of(args.begin(), end, [](const std::string& arg) { return arg == "--help" || arg == "-h"; });
}

Verb ParseVerb(const std::string& verb)
{
    if (verb == "help")
        return Verb::Help;
    if (verb == "--version" || verb == "-V" || verb == "version")
        return Verb::Version;
    if (verb == "merge")
        return Verb::Merge;
    if (verb == "split")
        return Verb::Split;
    if (verb == "info")
        return Verb::Info;
    // NOTE: only the option's name is repeated: "--password=T" must not show its value.
    if (IsOptionLike(verb))
        throw UsageError("a command (merge, split or info) must come first, not '" + SplitOption(verb).name + "'");
    throw UsageError("unknown command '" + verb + "'");
}

// Reads the arguments after the command into `command`, one at a time.
class CArgumentReader
{
public:
    CArgumentReader(const std::vector<std::string>& args, CliCommand& command)
        : m_args(args)
        , m_command(command)
    { }

    void ReadAll()
    {
        for (m_nArg = 1; m_nArg < m_args.size(); ++m_nArg)
            ReadArgument(m_args[m_nArg]);
    }

    void CheckComplete() const
    {
        const bool bJob = !m_command.szJobFile.empty();
        if (bJob && !m_command.inputs.empty())
            throw UsageError("--job runs the rows of its list: give no INPUT with it");
        if (m_command.verb == Verb::Merge && !m_bOutputGiven && !bJob)
            throw UsageError("merge needs an output file: -o OUTPUT");
        if (m_command.inputs.empty() && !bJob)
            throw UsageError(m_args[0] + " needs at least one "
                             + (m_command.verb == Verb::Info ? "file" : "input file"));
    }

private:
    void ReadArgument(const std::string& arg)
    {
        if (ReadRange(arg))
            return;
        if (!m_bEndOfOptions && arg == "--") {
            m_bEndOfOptions = true;
        } else if (m_bEndOfOptions || !IsOptionLike(arg)) {
            CliInput input;
            input.szFilePath = arg;
            m_command.inputs.push_back(std::move(input));
            m_bAfterFile = true;
        } else {
            ReadOption(SplitOption(arg));
        }
    }

    // A RANGE counts only right after a FILE, so that "7" after a range is the next file.
    bool ReadRange(const std::string& arg)
    {
        const bool bAfterFile = std::exchange(m_bAfterFile, false);
        if (!bAfterFile || m_command.verb == Verb::Info)
            return false;
        CliInput& input = m_command.inputs.back();
        input.bHasRange = CCommandLine::ParseRange(arg, input.szBeginPage, input.szEndPage);
        return input.bHasRange;
    }

    void ReadOption(const Option& option)
    {
        const Verb verb = m_command.verb;
        const bool bRead = ReadPasswordOption(option)
            || (verb == Verb::Info ? ReadInfoOption(option)
                                   : (verb == Verb::Merge && ReadMergeOption(option))
                        || (verb == Verb::Split && ReadSplitOption(option)) || ReadJobOption(option));
        if (!bRead)
            throw UsageError("unknown option '" + option.name + "' for " + m_args[0]);
    }

    bool ReadMergeOption(const Option& option)
    {
        const std::string& name = option.name;
        if (name == "-o" || name == "--output")
            ReadOutput(option);
        else if (name == "--title")
            m_command.szTitle = Value(option);
        else if (name == "--author")
            m_command.szAuthor = Value(option);
        else if (name == "--subject")
            m_command.szSubject = Value(option);
        else if (name == "--keywords")
            m_command.szKeywords = Value(option);
        else if (name == "--nest-bookmarks")
            m_command.bNestBookmarks = Flag(option);
        else if (name == "--user-password" || name == "--user-password-file")
            ReadProtection(option, "user", m_command.userPassword);
        else if (name == "--owner-password" || name == "--owner-password-file")
            ReadProtection(option, "owner", m_command.ownerPassword);
        else
            return false;
        return true;
    }

    bool ReadSplitOption(const Option& option)
    {
        const std::string& name = option.name;
        if (name == "--decrypt")
            m_command.bDecrypt = Flag(option);
        else if (name == "--every")
            ReadSplitMode(option, CliCommand::SplitMode::Every, Count(option, "pages"));
        else if (name == "--single-pages" && Flag(option))
            ReadSplitMode(option, CliCommand::SplitMode::Every, 1);
        else if (name == "--at-bookmarks")
            ReadSplitMode(option, CliCommand::SplitMode::AtBookmarks, Count(option, "a bookmark level"));
        else if (name == "--name")
            m_command.szNameTemplate = Value(option);
        else if (name == "--folder")
            m_command.szFolder = Value(option);
        else
            return false;
        return true;
    }

    // One way of cutting the ranges: a second one leaves it open which one the user meant.
    void ReadSplitMode(const Option& option, CliCommand::SplitMode mode, int n)
    {
        if (!m_szSplitMode.empty())
            throw UsageError("split takes one of --every, --single-pages and --at-bookmarks, not both " + m_szSplitMode
                             + " and " + option.name);
        m_szSplitMode = option.name;
        m_command.splitMode = mode;
        (mode == CliCommand::SplitMode::Every ? m_command.nSplitEvery : m_command.nSplitLevel) = n;
    }

    // The value of `option` as a whole number from 1.
    int Count(const Option& option, const std::string& what)
    {
        const std::string text = Value(option);
        const bool digits = !text.empty() && text.size() <= 9
            && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
        const int n = digits ? std::stoi(text) : 0;
        if (n < 1)
            throw UsageError("option " + option.name + " needs " + what + ", a whole number from 1, not '" + text
                             + "'");
        return n;
    }

    // --password and --password-file, for the FILE before them; merge, split and info alike.
    bool ReadPasswordOption(const Option& option)
    {
        if (option.name != "--password" && option.name != "--password-file")
            return false;
        if (m_command.inputs.empty() && !m_command.szJobFile.empty() && m_command.verb != Verb::Info) {
            if (m_command.jobPassword.IsGiven())
                throw UsageError("the rows of the job list are given more than one password");
            ReadPassword(option, m_command.jobPassword);
            return true;
        }
        if (m_command.inputs.empty())
            throw UsageError(option.name + " must follow the file it belongs to");
        CliInput& input = m_command.inputs.back();
        if (input.password.IsGiven())
            throw UsageError(input.szFilePath + " is given more than one password");
        ReadPassword(option, input.password);
        return true;
    }

    // The options of merge and split alike.
    bool ReadJobOption(const Option& option)
    {
        if (option.name == "--no-backup")
            m_command.bNoBackup = Flag(option);
        else if (option.name == "--open")
            m_command.bOpen = Flag(option);
        else if (option.name == "--bookmark")
            ReadBookmark(option);
        else if (option.name == "--job")
            ReadJob(option);
        else
            return false;
        return true;
    }

    bool ReadInfoOption(const Option& option)
    {
        if (option.name != "--json")
            return false;
        m_command.bJson = Flag(option);
        return true;
    }

    void ReadOutput(const Option& option)
    {
        // Two outputs leave it open which one the user meant; neither is guessed.
        if (m_bOutputGiven)
            throw UsageError("the output file is given twice: -o " + m_command.szOutput + " and " + option.name + " "
                             + Value(option));
        m_command.szOutput = Value(option);
        m_bOutputGiven = true;
    }

    // --user-password and --owner-password of merge, or their -file forms: one of each.
    void ReadProtection(const Option& option, const std::string& role, CliPassword& password)
    {
        if (password.IsGiven())
            throw UsageError("the " + role + " password of the output is given twice");
        ReadPassword(option, password);
        // NOTE: an empty password would leave the output unprotected without a word; the user asked
        // for protection, so the option is refused rather than ignored.
        if (password.szText && password.szText->empty())
            throw UsageError("the " + role + " password of the output must not be empty");
    }

    void ReadPassword(const Option& option, CliPassword& password)
    {
        if (option.name.ends_with("-file"))
            password.szFile = Value(option);
        else
            password.szText = Value(option);
    }

    void ReadJob(const Option& option)
    {
        if (!m_command.szJobFile.empty())
            throw UsageError("the job list is given twice: --job " + m_command.szJobFile + " and " + Value(option));
        m_command.szJobFile = Value(option);
        if (m_command.szJobFile.empty())
            throw UsageError("option --job needs a file");
    }

    void ReadBookmark(const Option& option)
    {
        if (m_command.inputs.empty())
            throw UsageError("--bookmark must follow the file it belongs to");
        m_command.inputs.back().szBookmark = Value(option);
    }

    // The value written with the option, or else the next argument.
    std::string Value(const Option& option)
    {
        if (option.value)
            return *option.value;
        if (m_nArg + 1 >= m_args.size())
            throw UsageError("option " + option.name + " needs a value");
        return m_args[++m_nArg];
    }

    static bool Flag(const Option& option)
    {
        if (option.value)
            throw UsageError("option " + option.name + " takes no value");
        return true;
    }

    const std::vector<std::string>& m_args;
    CliCommand& m_command;
    std::size_t m_nArg = 1;
    bool m_bOutputGiven = false;
    bool m_bEndOfOptions = false;
    bool m_bAfterFile = false;
    std::string m_szSplitMode; // the split mode option given, if any
};

} // namespace

bool CCommandLine::ParseRange(const std::string& text, std::string& szBeginPage, std::string& szEndPage)
{
    const auto dashes = std::count(text.begin(), text.end(), '-');
    const bool onlyDigitsAndDash
        = std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) || c == '-'; });
    if (text.empty() || !onlyDigitsAndDash || dashes > 1 || dashes == static_cast<long>(text.size()))
        return false;
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos) {
        szBeginPage = text;
        szEndPage = text;
    } else {
        szBeginPage = text.substr(0, dash);
        szEndPage = text.substr(dash + 1);
    }
    return true;
}

CliCommand CCommandLine::Parse(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError("no command given");
    CliCommand command;
    command.verb = AsksForHelp(args) ? Verb::Help : ParseVerb(args[0]);
    if (command.verb == Verb::Help || command.verb == Verb::Version)
        return command;
    CArgumentReader reader(args, command);
    reader.ReadAll();
    reader.CheckComplete();
    return command;
}

std::string CCommandLine::Synopsis()
{
    return "Usage: quire merge -o OUTPUT [--title T] [--author A] [--subject S] [--keywords K] [--no-backup] [--open]\n"
           "                   [--nest-bookmarks] [--user-password TEXT | --user-password-file FILE]\n"
           "                   [--owner-password TEXT | --owner-password-file FILE] INPUT...\n"
           "       quire merge --job FILE [PASSWORD] [-o OUTPUT] [other merge options]\n"
           "       quire split [--every N | --single-pages | --at-bookmarks L] [--name TEMPLATE] [--folder DIR]\n"
           "                   [--no-backup] [--open] [--decrypt] INPUT...\n"
           "       quire split --job FILE [PASSWORD] [other split options]\n"
           "       quire info [--json] FILE [PASSWORD]...\n"
           "       quire --help | --version\n"
           "INPUT := FILE [RANGE] [--bookmark TEXT] [PASSWORD]\n"
           "PASSWORD := --password TEXT | --password-file FILE\n";
}

std::string CCommandLine::HelpText()
{
    return Synopsis()
        + "\n"
          "Merges PDF files into one and splits them by page range.\n"
          "\n"
          "  merge   Joins the pages of every INPUT, in the order given, into OUTPUT. Each file keeps its\n"
          "          outline, trimmed to its range; a file without an outline gets one bookmark at its\n"
          "          first page. Forms keep working.\n"
          "  split   Writes the range of every INPUT into a file of its own beside it, named\n"
          "          <title>_p<begin>-<end>.pdf, or cuts it into parts (--every, --single-pages,\n"
          "          --at-bookmarks), and prints each path written. Every name is checked before\n"
          "          anything is written: two parts that would be one file refuse the split. A part of a\n"
          "          protected file is protected as its source is: same method, passwords and permissions.\n"
          "  info    Prints \"PATH: N pages, outline yes|no, form yes|no[, encrypted (METHOD)]\" for\n"
          "          every FILE; METHOD is AES-256, AES-128, RC4 128-bit or RC4 40-bit.\n"
          "\n"
          "  RANGE            Pages of the FILE before it: 3-5, 3- (to the end), -5 (from the first page)\n"
          "                   or 7 (that page only). Begin 0 means the first page; end 0 or beyond the\n"
          "                   last page means the last page. Without a RANGE, the whole file. A RANGE\n"
          "                   that holds no pages (5-2, or beyond the last page) is named and left out.\n"
          "  --bookmark TEXT  Title of the bookmark made for the FILE before it when that file has no\n"
          "                   outline of its own; \"\" for none. Default: the file name without extension.\n"
          "  --password TEXT  The user or the owner password of the protected FILE before it. Other users\n"
          "                   of the computer can see a command line: prefer --password-file.\n"
          "  --password-file FILE\n"
          "                   The password of the FILE before it is the first line of FILE, without its\n"
          "                   line end (\"\\n\" or \"\\r\\n\").\n"
          "  -o, --output OUTPUT\n"
          "                   The merged file. It must not be one of the inputs.\n"
          "  --title T, --author A, --subject S, --keywords K\n"
          "                   Document information of the merged file.\n"
          "  --nest-bookmarks merge: every file gets a bookmark of its own (its --bookmark text, else\n"
          "                   its name without extension) with its outline below it.\n"
          "  --job FILE       Run the ticked rows of a job list saved by the desktop program (.quirejob)\n"
          "                   instead of INPUTs, with its options: merge output, document information and\n"
          "                   nesting; split mode, part names and folder. An option given on the command\n"
          "                   line as well wins over the list's (a text option when it is not empty).\n"
          "                   A PASSWORD right after --job opens the list's protected files; rows that\n"
          "                   need passwords of their own need the desktop program or INPUT arguments.\n"
          "  --user-password TEXT, --user-password-file FILE\n"
          "                   Protect the merged file with AES-256: it opens only with this password.\n"
          "  --owner-password TEXT, --owner-password-file FILE\n"
          "                   The password needed to change the merged file or remove its protection;\n"
          "                   without it, the user password is the owner password too. Given alone, the\n"
          "                   file opens without a password. Printing and copying stay allowed. The\n"
          "                   merged file is not protected unless one of these is given, even when its\n"
          "                   sources were (a note says so).\n"
          "  --decrypt        split: write the parts without their source's protection. This needs the\n"
          "                   source's owner password (--password); a source opened with its user password\n"
          "                   only is refused.\n"
          "  --every N        split: parts of N pages each, the last one shorter.\n"
          "  --single-pages   split: one part per page (--every 1).\n"
          "  --at-bookmarks L split: a part from each bookmark of level L (1: the top level) in the range,\n"
          "                   in page order, to the page before the next one; pages before the first make\n"
          "                   a part of their own; bookmarks on one page make one part. A range without\n"
          "                   such a bookmark stays one part.\n"
          "  --name TEMPLATE  split: the part's file name without .pdf, from {title} (the file's name\n"
          "                   without extension), {begin}, {end} (its pages in the file), {n} (its number\n"
          "                   in the range, zero-padded: 01..12) and {bookmark} (the bookmark it starts\n"
          "                   at; else the --bookmark TEXT, else the title). '/' and control characters\n"
          "                   become '_'. Default: {title}_p{begin}-{end}.\n"
          "  --folder DIR     split: write the parts into DIR (it must exist) instead of beside each FILE.\n"
          "  --no-backup      Replace an existing output without first copying it to a time-stamped\n"
          "                   backup beside it.\n"
          "  --open           Open the merged file, or the last file a split wrote, in the desktop's\n"
          "                   PDF viewer.\n"
          "  --json           info: print one JSON array of objects with path, pages, outline, form,\n"
          "                   encrypted, encryption (the METHOD, or \"\"), title, author, subject and\n"
          "                   keywords; a file that cannot be read gives an object with path and error.\n"
          "  --               Every later argument is a FILE (or a RANGE after one).\n"
          "\n"
          "Exit status: 0 all done, 1 a file could not be read or written, 2 wrong usage. A FILE that needs\n"
          "a password and got none or a wrong one, and a password file that cannot be read, count as files\n"
          "that could not be read. No password is ever printed.\n";
}
