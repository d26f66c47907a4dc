// SPDX-License-Identifier: Apache-2.0
#include "cli/CQuireCli.h"

#include "cli/CTerminalProgress.h"
#include "cli/JsonText.h"
#include "engine/MergeJob.h"
#include "engine/PdfReader.h"
#include "engine/SplitJob.h"
#include "joblist/CPath.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>

#ifndef QUIRE_VERSION
#define QUIRE_VERSION "0"
#endif

namespace {

// What `quire info` tells about the file at `path`, under the keys and in the order of its JSON output.
nlohmann::ordered_json ReadFacts(const std::string& path, const std::string& password)
{
    pdf::PdfReader reader(path, password);
    nlohmann::ordered_json facts;
    facts["path"] = path;
    facts["pages"] = reader.NumberOfPages();
    facts["outline"] = reader.HasOutline();
    facts["form"] = reader.HasAcroForm();
    facts["encrypted"] = reader.IsEncrypted();
    facts["encryption"] = reader.EncryptionMethod();
    const std::map<std::string, std::string> info = reader.Info();
    reader.Close();
    const auto text = [&](const char* key) {
        const auto it = info.find(key);
        return it == info.end() ? std::string() : it->second;
    };
    facts["title"] = text("Title");
    facts["author"] = text("Author");
    facts["subject"] = text("Subject");
    facts["keywords"] = text("Keywords");
    return facts;
}

// "PATH: N pages, outline yes|no, form yes|no[, encrypted (METHOD)]"
std::string PlainLine(const nlohmann::ordered_json& facts)
{
    const auto yesNo = [&](const char* key) { return facts.at(key).get<bool>() ? "yes" : "no"; };
    return facts.at("path").get<std::string>() + ": " + std::to_string(facts.at("pages").get<int>())
        + " pages, outline " + yesNo("outline") + ", form " + yesNo("form")
        + (facts.at("encrypted").get<bool>() ? ", encrypted (" + facts.at("encryption").get<std::string>() + ")" : "");
}

// A first line longer than this holds no password: the file was given by mistake (or never ends).
constexpr std::size_t kMaxPasswordLine = 64 * 1024;

// The first line of the password file `path`, without its line end ("\n" or "\r\n"), into `szLine`;
// false with the reason in `szReason` when the file cannot be read or its first line is too long.
bool ReadFirstLine(const std::string& path, std::string& szLine, std::string& szReason)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        szReason = std::strerror(errno);
        return false;
    }
    szLine.clear();
    int c = 0;
    while ((c = std::getc(file)) != EOF && c != '\n' && szLine.size() <= kMaxPasswordLine)
        szLine.push_back(static_cast<char>(c));
    const int nError = std::ferror(file) ? errno : 0;
    // NOTE: a failed close is checked like a failed read, though nothing was written: what was read
    // is not trusted unless every step of reading it succeeded.
    const int nCloseError = std::fclose(file) != 0 ? errno : 0;
    if (nError || nCloseError) {
        szReason = std::strerror(nError ? nError : nCloseError);
    } else if (szLine.size() > kMaxPasswordLine) {
        szReason = "its first line is longer than any password";
    } else {
        if (c == '\n' && szLine.ends_with('\r'))
            szLine.pop_back();
        return true;
    }
    szLine.clear();
    return false;
}

} // namespace

CQuireCli::CQuireCli(std::ostream& out, std::ostream& err, bool bProgress, quire::StopFlag stop)
    : m_out(out)
    , m_err(err)
    , m_bProgress(bProgress)
    , m_stop(stop)
{ }

int CQuireCli::Run(const std::vector<std::string>& args)
{
    CliCommand command;
    try {
        command = CCommandLine::Parse(args);
    } catch (const CCommandLine::UsageError& e) {
        m_err << "quire: " << e.what() << "\n" << CCommandLine::Synopsis() << "Try 'quire --help' for more.\n";
        return kExitUsage;
    }
    if (!ReadPasswordFiles(command) || !LoadJobList(command))
        return kExitFailed;
    try {
        switch (command.verb) {
        case CliCommand::Verb::Help:
            m_out << CCommandLine::HelpText();
            return kExitOk;
        case CliCommand::Verb::Version:
            m_out << "quire (Quire Binder) " << QUIRE_VERSION << "\n";
            return kExitOk;
        case CliCommand::Verb::Merge:
            return RunMerge(command);
        case CliCommand::Verb::Split:
            return RunSplit(command);
        case CliCommand::Verb::Info:
            return RunInfo(command);
        }
    } catch (const std::exception& e) {
        // The jobs report their failures; this only keeps a broken promise from ending in abort().
        Error(std::string("unexpected failure: ") + e.what());
        return kExitFailed;
    }
    return kExitUsage;
}

bool CQuireCli::ReadPasswordFiles(CliCommand& command)
{
    bool bRead = true;
    const auto read = [&](CliPassword& password) {
        if (!password.szFile)
            return;
        std::string szLine, szReason;
        if (ReadFirstLine(*password.szFile, szLine, szReason)) {
            password.szText = std::move(szLine);
        } else {
            Error("the password file " + *password.szFile + " cannot be read: " + szReason);
            bRead = false;
        }
    };
    for (CliInput& input : command.inputs)
        read(input.password);
    read(command.jobPassword);
    for (CliPassword* password : {&command.userPassword, &command.ownerPassword}) {
        read(*password);
        // NOTE: an empty line would leave the merged file unprotected although protection was asked for.
        if (password->szText && password->szText->empty()) {
            Error("the password file " + *password->szFile
                  + " has an empty first line; an empty password protects nothing");
            bRead = false;
        }
    }
    return bRead;
}

bool CQuireCli::LoadJobList(CliCommand& command)
{
    if (command.szJobFile.empty())
        return true;
    try {
        m_job = quire::ReadJobList(command.szJobFile);
    } catch (const pdf::PdfError& e) {
        Error(e.what());
        return false;
    }
    for (const quire::JobListRow& row : m_job->rows) {
        if (!row.bChecked)
            continue;
        CliInput input;
        input.szFilePath = row.szFilePath;
        input.bHasRange = true;
        input.szBeginPage = std::to_string(row.nBeginPage);
        input.szEndPage = std::to_string(row.nEndPage);
        input.szBookmark = row.szBookmark;
        input.password = command.jobPassword;
        command.inputs.push_back(std::move(input));
    }
    const auto fill = [](std::string& given, const std::string& saved) {
        if (given.empty())
            given = saved;
    };
    fill(command.szOutput, m_job->szMergeOutput);
    fill(command.szTitle, m_job->szTitle);
    fill(command.szAuthor, m_job->szAuthor);
    fill(command.szSubject, m_job->szSubject);
    fill(command.szKeywords, m_job->szKeywords);
    command.bNestBookmarks = command.bNestBookmarks || m_job->bNestBookmarks;
    return true;
}

void CQuireCli::ApplyJobSplitSettings(quire::SplitOptions& options) const
{
    if (!m_job)
        return;
    options.mode = m_job->splitMode;
    options.everyPages = m_job->nSplitEvery;
    options.bookmarkLevel = m_job->nSplitLevel;
    options.nameTemplate = m_job->szSplitNameTemplate;
    options.folder = m_job->szSplitFolder;
}

void CQuireCli::Error(const std::string& sentence)
{
    m_err << "quire: " << sentence << "\n";
}

std::vector<quire::JobRow> CQuireCli::MakeRows(const CliCommand& command)
{
    std::vector<quire::JobRow> rows;
    for (const CliInput& input : command.inputs) {
        // NOTE: the files are not opened here: the job reads each one anyway and names a file it
        // cannot read. An empty page-count text stands for the real count, and the file title is what
        // the desktop program's intake gives as bookmark text; the job uses it only for a file
        // without an outline, which is exactly when the intake would have set it.
        quire::JobRow row;
        row.szFilePath = input.szFilePath;
        row.bChecked = true;
        row.szBookmark = input.szBookmark ? *input.szBookmark : CPath(input.szFilePath).GetFileTitle();
        row.szBeginPage = input.bHasRange ? input.szBeginPage : std::string(1, '1');
        row.szEndPage = input.bHasRange ? input.szEndPage : std::string();
        row.szPassword = input.password.szText.value_or(std::string());
        rows.push_back(std::move(row));
    }
    return rows;
}

int CQuireCli::Conclude(const quire::JobReport& report)
{
    for (const std::string& path : report.repairedInputs)
        Error("note: " + path + " was damaged and has been repaired while reading");
    // A field with widgets on several pages is reported once per widget; tell it once.
    std::set<std::string> told;
    for (const std::string& renamed : report.renamedFields)
        if (told.insert(renamed).second)
            Error("note: form field renamed to keep it apart: " + renamed);
    for (const std::string& renamed : report.renamedDestinations)
        Error("note: named destination renamed to keep it apart: " + renamed);
    for (const std::string& note : report.notes)
        Error("note: " + note);
    // NOTE: layers of one file merged are what a user expects; from several files they now share
    // one layer panel, which is worth a word.
    if (report.layersMerged > 0 && report.layerFiles > 1)
        Error("note: " + std::to_string(report.layersMerged) + " layers from " + std::to_string(report.layerFiles)
              + " files were merged");
    for (const quire::RowError& error : report.errors)
        Error(error.message);
    if (report.stopped)
        Error("stopped before all files were done");
    // NOTE: a report that is not ok must never end in status 0, even if it carries no message.
    if (!report.ok && report.errors.empty() && !report.stopped)
        Error("the job failed");
    // A row with no pages in its range is named above; like a split, a merge that wrote its output
    // without it has done what it could.
    const bool bOnlySkipped
        = std::all_of(report.errors.begin(), report.errors.end(), [](const quire::RowError& e) { return e.skipped; });
    return report.ok && bOnlySkipped && !report.stopped ? kExitOk : kExitFailed;
}

int CQuireCli::RunMerge(const CliCommand& command)
{
    const std::vector<quire::JobRow> rows = MakeRows(command);
    quire::MergeOptions options;
    options.outputPath = command.szOutput;
    options.autoBackup = !command.bNoBackup;
    options.title = command.szTitle;
    options.author = command.szAuthor;
    options.subject = command.szSubject;
    options.keywords = command.szKeywords;
    options.nestBookmarks = command.bNestBookmarks;
    // The engine's defaults: AES-256, printing and copying allowed, the user password as owner password
    // when none is given.
    options.protection.userPassword = command.userPassword.szText.value_or(std::string());
    options.protection.ownerPassword = command.ownerPassword.szText.value_or(std::string());

    std::unique_ptr<CTerminalProgress> progress;
    if (m_bProgress)
        progress = std::make_unique<CTerminalProgress>(stderr, "merging");
    const quire::JobReport report = quire::RunMerge(rows, options, progress.get(), m_stop);
    progress.reset();

    const int status = Conclude(report);
    if (status == kExitOk && command.bOpen)
        OpenInViewer(command.szOutput);
    return status;
}

int CQuireCli::RunSplit(const CliCommand& command)
{
    const std::vector<quire::JobRow> rows = MakeRows(command);
    quire::SplitOptions options;
    // NOTE: the list's split settings first, so that the command line's own take their place.
    ApplyJobSplitSettings(options);
    options.autoBackup = !command.bNoBackup;
    options.removeProtection = command.bDecrypt;
    // A mode, template or folder the command line does not give leaves the list's in place.
    if (command.splitMode != CliCommand::SplitMode::Range) {
        options.mode = command.splitMode == CliCommand::SplitMode::Every ? quire::SplitMode::EveryPages
                                                                         : quire::SplitMode::AtBookmarks;
        options.everyPages = command.nSplitEvery;
        options.bookmarkLevel = command.nSplitLevel;
    }
    if (!command.szNameTemplate.empty())
        options.nameTemplate = command.szNameTemplate;
    if (!command.szFolder.empty())
        options.folder = command.szFolder;
    std::unique_ptr<CTerminalProgress> progress;
    if (m_bProgress)
        progress = std::make_unique<CTerminalProgress>(stderr, "splitting");
    const quire::JobReport report = quire::RunSplit(rows, options, progress.get(), m_stop);
    progress.reset();
    for (const std::string& path : report.filesWritten)
        m_out << path << "\n";
    m_out.flush();

    const int status = Conclude(report);
    if (command.bOpen && !report.filesWritten.empty())
        OpenInViewer(report.filesWritten.back());
    return status;
}

int CQuireCli::RunInfo(const CliCommand& command)
{
    int status = kExitOk;
    if (command.bJson)
        m_out << "[";
    const char* separator = "\n  ";
    for (const CliInput& input : command.inputs) {
        const std::string& path = input.szFilePath;
        nlohmann::ordered_json facts;
        try {
            facts = ReadFacts(path, input.password.szText.value_or(std::string()));
        } catch (const std::exception& e) {
            // The reader raises PdfError, whose text names the file; anything else gets the name here.
            const auto* pdfError = dynamic_cast<const pdf::PdfError*>(&e);
            const std::string sentence = pdfError ? std::string(e.what()) : path + " cannot be read: " + e.what();
            Error(sentence);
            status = kExitFailed;
            if (!command.bJson)
                continue;
            facts = {{"path", path}, {"error", sentence}};
        }
        if (command.bJson) {
            m_out << separator << JsonLine(facts);
            separator = ",\n  ";
        } else {
            m_out << PlainLine(facts) << "\n";
        }
        m_out.flush();
    }
    if (command.bJson)
        m_out << "\n]\n";
    return status;
}

void CQuireCli::OpenInViewer(const std::string& path)
{
    m_out.flush();
    m_err.flush();
    // Detached through a second child, so that the viewer outlives this process and leaves no zombie;
    // like the desktop program's "open", its answer is not waited for.
    const pid_t child = fork();
    if (child < 0)
        return;
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            const int devnull = open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                dup2(devnull, STDIN_FILENO);
                dup2(devnull, STDOUT_FILENO);
                dup2(devnull, STDERR_FILENO);
            }
            // The viewer gets the usual file size signal back: ignoring it is this program's choice.
            std::signal(SIGXFSZ, SIG_DFL);
            execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
}
