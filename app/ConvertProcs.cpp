// SPDX-License-Identifier: Apache-2.0
#include "app/ConvertProcs.h"

#include "app/CAppSettings.h"
#include "app/CDialogConvert.h"
#include "app/EngineText.h"
#include "controls/CBusyProgressCtrl.h"
#include "engine/MergeJob.h"
#include "engine/SplitJob.h"

#include <QFileInfo>

#include <exception>
#include <new>

CDialogConvert* pDialog = nullptr;

ConvertJob MakeConvertJob(std::int32_t nMode, std::vector<quire::JobRow> rows, const CAppSettings& settings,
                          std::string szOutputPath)
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
    return job;
}
std::shared_ptr<std::atomic<bool>> hExit;

namespace {

// Passes the engine's progress to the dialog; every call comes from the worker thread.
class CDialogObserver final : public quire::IJobObserver
{
public:
    explicit CDialogObserver(CDialogConvert* pDlg)
        : m_pDialog(pDlg)
    { }

    void OnStatus(const std::string& text) override { m_pDialog->PostStatusText(EngineText::ToText(text)); }

    void OnRow(int /*row*/, int ordinal, int total, const std::string& path) override
    {
        const QString szName = QFileInfo(EngineText::ToPath(path)).fileName();
        m_pDialog->PostProgressLine(QStringLiteral("%1 of %2: %3").arg(ordinal).arg(total).arg(szName));
    }

private:
    CDialogConvert* m_pDialog;
};

// The engine reports errors as data; anything that still escapes it must not end the program
// from a worker thread, so it becomes a failed report as well.
template<typename Run> quire::JobReport RunGuarded(Run run)
{
    quire::JobReport report;
    try {
        return run();
    } catch (const std::bad_alloc&) {
        report.errors.push_back(
            {-1, "", "The job needs more memory than is available.", pdf::PdfError::Kind::OutOfMemory});
    } catch (const std::exception& e) {
        report.errors.push_back({-1, "", std::string("The job failed: ") + e.what()});
    } catch (...) {
        report.errors.push_back({-1, "", "The job failed for an unknown reason."});
    }
    report.ok = false;
    return report;
}

void Finish(CDialogConvert* pDlg, quire::JobReport report)
{
    pDlg->BusyCtrl().End();
    pDlg->PostJobEnded(std::move(report));
}

} // namespace

unsigned ConvertMergeProc(CDialogConvert* pParam)
{
    if (!pParam)
        return 0;
    const ConvertJob& job = pParam->Job();
    const std::shared_ptr<std::atomic<bool>> stop = hExit;
    quire::MergeOptions options;
    options.outputPath = job.szOutputPath;
    options.autoBackup = job.nAutoBackup == 1;
    options.title = job.szPDFTitle;
    options.author = job.szPDFAuthor;
    options.subject = job.szPDFSubject;
    options.keywords = job.szPDFKeywords;
    CDialogObserver observer(pParam);
    Finish(pParam, RunGuarded([&] { return quire::RunMerge(job.rows, options, &observer, stop.get()); }));
    return 0;
}

unsigned ConvertSplitProc(std::int32_t /*nSplitParam*/)
{
    CDialogConvert* pDlg = pDialog;
    if (!pDlg)
        return 0;
    const ConvertJob& job = pDlg->Job();
    const std::shared_ptr<std::atomic<bool>> stop = hExit;
    quire::SplitOptions options;
    options.autoBackup = job.nAutoBackup == 1;
    CDialogObserver observer(pDlg);
    Finish(pDlg, RunGuarded([&] { return quire::RunSplit(job.rows, options, &observer, stop.get()); }));
    return 0;
}
