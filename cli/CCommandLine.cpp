// SPDX-License-Identifier: Apache-2.0
#include "cli/CCommandLine.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

bool IsOptionLike(const std::string& text)
{
    return text.size() > 1 && text[0] == '-';
}

// Splits "--name=value" into its two parts; `value` is unset for "--name".
std::string OptionName(const std::string& arg, std::optional<std::string>& value)
{
    if (arg.rfind("--", 0) == 0) {
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
            return arg.substr(0, eq);
        }
    } else if (arg.rfind("-o", 0) == 0 && arg.size() > 2) {
        value = arg.substr(2);
        return "-o";
    }
    return arg;
}

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
    CliCommand command;
    if (args.empty())
        throw UsageError("no command given");
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            command.verb = CliCommand::Verb::Help;
            return command;
        }
    }
    const std::string& verb = args[0];
    if (verb == "help") {
        command.verb = CliCommand::Verb::Help;
        return command;
    }
    if (verb == "--version" || verb == "-V" || verb == "version") {
        command.verb = CliCommand::Verb::Version;
        return command;
    }
    if (verb == "merge")
        command.verb = CliCommand::Verb::Merge;
    else if (verb == "split")
        command.verb = CliCommand::Verb::Split;
    else if (verb == "info")
        command.verb = CliCommand::Verb::Info;
    else if (IsOptionLike(verb))
        throw UsageError("a command (merge, split or info) must come first, not '" + verb + "'");
    else
        throw UsageError("unknown command '" + verb + "'");

    const bool bMerge = command.verb == CliCommand::Verb::Merge;
    const bool bInfo = command.verb == CliCommand::Verb::Info;
    bool bOutputGiven = false;
    bool bEndOfOptions = false;
    // Whether the argument before this one was a FILE, so that a RANGE may follow.
    bool bAfterFile = false;

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!bInfo && bAfterFile) {
            bAfterFile = false;
            CliInput& input = command.inputs.back();
            if (ParseRange(arg, input.szBeginPage, input.szEndPage)) {
                input.bHasRange = true;
                continue;
            }
        }
        if (!bEndOfOptions && arg == "--") {
            bEndOfOptions = true;
            continue;
        }
        if (bEndOfOptions || !IsOptionLike(arg)) {
            command.inputs.push_back(CliInput {arg, false, {}, {}, std::nullopt});
            bAfterFile = true;
            continue;
        }

        std::optional<std::string> value;
        const std::string name = OptionName(arg, value);
        const auto takeValue = [&]() -> std::string {
            if (value)
                return *value;
            if (i + 1 >= args.size())
                throw UsageError("option " + name + " needs a value");
            return args[++i];
        };
        const auto noValue = [&]() {
            if (value)
                throw UsageError("option " + name + " takes no value");
        };

        if (bMerge && (name == "-o" || name == "--output")) {
            // Two outputs leave it open which one the user meant; neither is guessed.
            if (bOutputGiven)
                throw UsageError("the output file is given twice: -o " + command.szOutput + " and " + name + " "
                                 + takeValue());
            command.szOutput = takeValue();
            bOutputGiven = true;
        } else if (bMerge && name == "--title") {
            command.szTitle = takeValue();
        } else if (bMerge && name == "--author") {
            command.szAuthor = takeValue();
        } else if (bMerge && name == "--subject") {
            command.szSubject = takeValue();
        } else if (bMerge && name == "--keywords") {
            command.szKeywords = takeValue();
        } else if (!bInfo && name == "--no-backup") {
            noValue();
            command.bNoBackup = true;
        } else if (!bInfo && name == "--open") {
            noValue();
            command.bOpen = true;
        } else if (!bInfo && name == "--bookmark") {
            if (command.inputs.empty())
                throw UsageError("--bookmark must follow the file it belongs to");
            command.inputs.back().szBookmark = takeValue();
        } else if (bInfo && name == "--json") {
            noValue();
            command.bJson = true;
        } else {
            throw UsageError("unknown option '" + name + "' for " + verb);
        }
    }

    if (bMerge && !bOutputGiven)
        throw UsageError("merge needs an output file: -o OUTPUT");
    if (command.inputs.empty())
        throw UsageError(verb + " needs at least one " + (bInfo ? "file" : "input file"));
    return command;
}

std::string CCommandLine::Synopsis()
{
    return "Usage: quire merge -o OUTPUT [--title T] [--author A] [--subject S] [--keywords K] [--no-backup] [--open] "
           "INPUT...\n"
           "       quire split [--no-backup] [--open] INPUT...\n"
           "       quire info [--json] FILE...\n"
           "       quire --help | --version\n"
           "INPUT := FILE [RANGE] [--bookmark TEXT]\n";
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
          "          <title>_p<begin>-<end>.pdf, and prints each path written.\n"
          "  info    Prints \"PATH: N pages, outline yes|no, form yes|no[, encrypted]\" for every FILE.\n"
          "\n"
          "  RANGE            Pages of the FILE before it: 3-5, 3- (to the end), -5 (from the first page)\n"
          "                   or 7 (that page only). Begin 0 means the first page; end 0 or beyond the\n"
          "                   last page means the last page. Without a RANGE, the whole file.\n"
          "  --bookmark TEXT  Title of the bookmark made for the FILE before it when that file has no\n"
          "                   outline of its own; \"\" for none. Default: the file name without extension.\n"
          "  -o, --output OUTPUT\n"
          "                   The merged file. It must not be one of the inputs.\n"
          "  --title T, --author A, --subject S, --keywords K\n"
          "                   Document information of the merged file.\n"
          "  --no-backup      Replace an existing output without first copying it to a time-stamped\n"
          "                   backup beside it.\n"
          "  --open           Open the merged file, or the last file a split wrote, in the desktop's\n"
          "                   PDF viewer.\n"
          "  --json           info: print one JSON array of objects with path, pages, outline, form,\n"
          "                   encrypted, title, author, subject and keywords; a file that cannot be read\n"
          "                   gives an object with path and error.\n"
          "  --               Every later argument is a FILE (or a RANGE after one).\n"
          "\n"
          "Exit status: 0 all done, 1 a file could not be read or written, 2 wrong usage.\n";
}
