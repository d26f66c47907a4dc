// SPDX-License-Identifier: Apache-2.0
#include "app/ConvertJob.h"

#include "app/CAppSettings.h"
#include "app/EngineText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <set>

namespace {

// "1 file", "2 files".
QString Count(std::size_t n, const char* szOne, const char* szMany)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? szOne : szMany));
}

// NOTE: the engine words these notes "<written> is not password-protected; <source> was"; the text is
// the only mark it gives them, and the tests of the result message would catch a change of wording.
const char* const kUnprotectedMark = " is not password-protected; ";

bool WroteProtectedOutput(const ConvertJob& job, const quire::JobReport& report)
{
    return job.nMode == 1 && job.protection.IsSet() && report.ok && !report.stopped && !report.filesWritten.empty();
}

std::size_t CountProtectionNotes(const quire::JobReport& report)
{
    return static_cast<std::size_t>(std::count_if(report.notes.begin(), report.notes.end(), IsProtectionNote));
}

} // namespace

ConvertJob MakeConvertJob(std::int32_t nMode, std::vector<quire::JobRow> rows, const CAppSettings& settings,
                          std::string szOutputPath, const quire::Protection& protection, bool bRemoveProtection)
{
    ConvertJob job;
    job.nMode = nMode;
    job.rows = std::move(rows);
    job.szOutputPath = std::move(szOutputPath);
    job.nAutoBackup = settings.IsAutoBackupOn() ? 1 : 0;
    job.nOpenResult = settings.IsOpenResultOn() ? 1 : 0;
    const CAppSettings::DocumentTexts texts = settings.Document();
    job.szPDFTitle = EngineText::FromText(texts.szTitle);
    job.szPDFAuthor = EngineText::FromText(texts.szAuthor);
    job.szPDFSubject = EngineText::FromText(texts.szSubject);
    job.szPDFKeywords = EngineText::FromText(texts.szKeywords);
    job.protection = protection;
    job.bRemoveProtection = bRemoveProtection;
    job.nNestBookmarks = settings.IsNestBookmarksOn() ? 1 : 0;
    job.splitMode = settings.SplitMode();
    job.nSplitEvery = settings.SplitEvery();
    job.nSplitLevel = settings.SplitLevel();
    job.szSplitNameTemplate = EngineText::FromText(settings.SplitNameTemplate().trimmed());
    const QString szFolder = settings.SplitFolder().trimmed();
    if (!szFolder.isEmpty())
        job.szSplitFolder = EngineText::FromPath(QDir::cleanPath(QDir::home().absoluteFilePath(szFolder)));
    return job;
}

quire::MergeOptions MergeOptionsOf(const ConvertJob& job)
{
    quire::MergeOptions options;
    options.outputPath = job.szOutputPath;
    options.autoBackup = job.nAutoBackup == 1;
    options.title = job.szPDFTitle;
    options.author = job.szPDFAuthor;
    options.subject = job.szPDFSubject;
    options.keywords = job.szPDFKeywords;
    options.nestBookmarks = job.nNestBookmarks == 1;
    options.protection = job.protection;
    return options;
}

quire::SplitOptions SplitOptionsOf(const ConvertJob& job)
{
    quire::SplitOptions options;
    options.autoBackup = job.nAutoBackup == 1;
    options.mode = job.splitMode;
    options.everyPages = job.nSplitEvery;
    options.bookmarkLevel = job.nSplitLevel;
    options.nameTemplate = job.szSplitNameTemplate;
    options.folder = job.szSplitFolder;
    options.removeProtection = job.bRemoveProtection;
    return options;
}

QString SummariseJob(const ConvertJob& job, const quire::JobReport& report)
{
    const bool bMerge = job.nMode == 1;
    std::set<int> passedOver; // rows skipped or failed
    std::size_t nSkipped = 0;
    for (const quire::RowError& error : report.errors) {
        nSkipped += error.skipped ? 1 : 0;
        if (error.row >= 0)
            passedOver.insert(error.row);
    }
    const std::size_t nFailed = passedOver.size() - nSkipped;
    // The sources that gave pages; one file given in several rows counts once.
    std::set<std::string> sources;
    for (const int nRow : report.rowsTaken) {
        if (!passedOver.contains(nRow) && nRow >= 0 && static_cast<std::size_t>(nRow) < job.rows.size())
            sources.insert(job.rows[static_cast<std::size_t>(nRow)].szFilePath);
    }
    const std::size_t nWritten = report.filesWritten.size();
    const QString szBeside
        = sources.size() == 1 ? QStringLiteral(" beside its source") : QStringLiteral(" beside their sources");
    QString szLine;
    if (report.stopped) {
        szLine = bMerge ? QStringLiteral("Merge stopped; nothing was written")
                        : QStringLiteral("Split stopped; %1 written").arg(Count(nWritten, "file was", "files were"));
    } else if (bMerge) {
        szLine = report.ok && !report.filesWritten.empty()
            ? QStringLiteral("Merged %1, %2 into %3")
                  .arg(Count(sources.size(), "file", "files"),
                       Count(static_cast<std::size_t>(report.pagesWritten), "page", "pages"),
                       EngineText::ToPath(report.filesWritten.back()))
            : QStringLiteral("Merge failed; nothing was written");
        if (WroteProtectedOutput(job, report))
            szLine += QStringLiteral(", protected with a password (AES-256)");
    } else if (nWritten == 0) {
        szLine = QStringLiteral("Split failed; no file was written");
    } else {
        szLine = QStringLiteral("Split %1 into %2")
                     .arg(Count(sources.size(), "file", "files"), Count(nWritten, "file", "files"))
            + szBeside;
    }
    if (nSkipped > 0)
        szLine += QStringLiteral("; %1 added no pages").arg(Count(nSkipped, "ticked row", "ticked rows"));
    if (!bMerge && nFailed > 0)
        szLine += QStringLiteral("; %1 failed").arg(Count(nFailed, "row", "rows"));
    if (const std::size_t nUnprotected = CountProtectionNotes(report); nUnprotected > 0) {
        szLine += bMerge ? QStringLiteral("; the output is not password-protected, though a source was")
                         : QStringLiteral("; %1 not password-protected, though %2")
                               .arg(Count(nUnprotected, "file is", "files are"),
                                    QLatin1String(nUnprotected == 1 ? "its source was" : "their sources were"));
    }
    return szLine;
}

QStringList ProtectionLines(const ConvertJob& job, const quire::JobReport& report)
{
    QStringList lines;
    if (WroteProtectedOutput(job, report)) {
        const quire::Protection& protection = job.protection;
        QString szLine = QStringLiteral("%1 is protected with a password (AES-256).")
                             .arg(EngineText::ToPath(report.filesWritten.back()));
        if (protection.userPassword.empty())
            szLine += QStringLiteral(" It opens without a password.");
        if (!protection.allowPrint && !protection.allowCopy)
            szLine += QStringLiteral(" Printing and copying text and images are not allowed.");
        else if (!protection.allowPrint)
            szLine += QStringLiteral(" Printing is not allowed.");
        else if (!protection.allowCopy)
            szLine += QStringLiteral(" Copying text and images is not allowed.");
        lines << szLine;
    }
    for (const std::string& note : report.notes) {
        if (IsProtectionNote(note))
            lines << EngineText::ToText(note);
    }
    return lines;
}

bool IsProtectionNote(const std::string& note)
{
    return note.find(kUnprotectedMark) != std::string::npos;
}

QString ResultFolder(const quire::JobReport& report)
{
    if (report.filesWritten.empty())
        return QString();
    return QFileInfo(EngineText::ToPath(report.filesWritten.back())).absolutePath();
}
