// SPDX-License-Identifier: Apache-2.0
#include "app/CDialogConvert.h"

#include "app/CDialogUnits.h"
#include "app/CMessageBox.h"
#include "app/CShell.h"
#include "app/EngineText.h"
#include "controls/CBusyProgressCtrl.h"
#include "engine/MergeJob.h"
#include "engine/SplitJob.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <system_error>

#ifdef __GLIBC__
#include <malloc.h>
#endif

CDialogConvert* pDialog = nullptr;
std::shared_ptr<std::atomic<bool>> hExit;

namespace {

// Everything else worth telling about a finished job, one paragraph per kind; empty when the job
// went as expected. The notes about protection are told apart (ProtectionLines).
QStringList ReportParagraphs(const quire::JobReport& report)
{
    QStringList paragraphs;
    if (!report.repairedInputs.empty()) {
        QStringList lines {QStringLiteral("These files were damaged and were repaired while reading:")};
        for (const std::string& path : report.repairedInputs)
            lines << EngineText::ToPath(path);
        paragraphs << lines.join(QLatin1Char('\n'));
    }
    if (!report.renamedFields.empty()) {
        QStringList lines {QStringLiteral("These form fields were renamed to keep them apart:")};
        for (const std::string& rename : report.renamedFields)
            lines << EngineText::ToText(rename);
        paragraphs << lines.join(QLatin1Char('\n'));
    }
    if (!report.renamedDestinations.empty()) {
        QStringList lines {QStringLiteral("These named destinations were renamed to keep them apart:")};
        for (const std::string& rename : report.renamedDestinations)
            lines << EngineText::ToText(rename);
        paragraphs << lines.join(QLatin1Char('\n'));
    }
    for (const std::string& note : report.notes) {
        if (!IsProtectionNote(note))
            paragraphs << EngineText::ToText(note);
    }
    if (report.layersMerged > 0 && report.layerFiles > 1)
        paragraphs << QStringLiteral("%1 layers from %2 files were merged; each file's layers are listed under its "
                                     "name in the layer panel.")
                          .arg(report.layersMerged)
                          .arg(report.layerFiles);
    return paragraphs;
}

bool OnlySkippedRows(const quire::JobReport& report)
{
    return std::all_of(report.errors.begin(), report.errors.end(),
                       [](const quire::RowError& error) { return error.skipped; });
}

QString ErrorLines(const quire::JobReport& report)
{
    QStringList lines;
    for (const quire::RowError& error : report.errors)
        lines << EngineText::ToText(error.message);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

CDialogConvert::CDialogConvert(ConvertJob job, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_job(std::move(job))
{
    // Template 313: no caption or close box, Verdana 8, 201 x 70 dialog units, with a row below
    // for the Stop button.
    setFont(QFont(QStringLiteral("Verdana"), 8));
    setWindowTitle(QString());
    const CDialogUnits units(font());
    setFixedSize(units.X(201), units.Y(88));

    auto* pFrame = new QFrame(this);
    pFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pFrame->setGeometry(rect());

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("IDC_STATIC_STATUS"));
    m_pStatus->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pStatus->setWordWrap(true);
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setGeometry(units.Rect(7, 7, 187, 35));

    // The bar control has a border; the busy indicator fills the inside of it.
    auto* pBar = new QFrame(this);
    pBar->setFrameStyle(QFrame::Box | QFrame::Plain);
    pBar->setLineWidth(1);
    pBar->setGeometry(units.Rect(7, 49, 187, 14));
    m_pBusy = new CBusyProgressCtrl(10, 0, pBar);
    m_pBusy->setObjectName(QStringLiteral("IDC_PROGRESS_BUSY"));
    m_pBusy->setGeometry(pBar->rect().adjusted(1, 1, -1, -1));

    m_pStop = new QPushButton(QStringLiteral("&Stop"), this);
    m_pStop->setObjectName(QStringLiteral("IDC_BUTTON_STOP"));
    // Enter must not stop the job: the button is never the default one.
    m_pStop->setAutoDefault(false);
    m_pStop->setDefault(false);
    m_pStop->setGeometry(units.Rect(144, 68, 50, 14));
    m_pStop->setEnabled(false);
    connect(m_pStop, &QPushButton::clicked, this, &CDialogConvert::OnStop);
}

CDialogConvert::~CDialogConvert()
{
    // Only when the dialog is destroyed without its modal run having ended: the worker must not
    // outlive the dialog it reports to.
    if (m_worker.joinable()) {
        if (hExit)
            hExit->store(true);
        m_worker.join();
    }
    m_pBusy->End();
    if (pDialog == this)
        pDialog = nullptr;
    // The job's copies of the passwords go with it, overwritten.
    for (quire::JobRow& row : m_job.rows)
        ::explicit_bzero(row.szPassword.data(), row.szPassword.size());
    ::explicit_bzero(m_job.protection.userPassword.data(), m_job.protection.userPassword.size());
    ::explicit_bzero(m_job.protection.ownerPassword.data(), m_job.protection.ownerPassword.size());
}

int CDialogConvert::exec()
{
    QDialog::exec();
    ShowOutcome();
    return 1;
}

QString CDialogConvert::StatusText() const
{
    return m_pStatus->text();
}

void CDialogConvert::PostStatusText(const QString& szText)
{
    QMetaObject::invokeMethod(
        this,
        [this, szText] {
            m_szStatus = szText;
            m_szProgressLine.clear();
            UpdateStatusText();
        },
        Qt::QueuedConnection);
}

void CDialogConvert::PostProgressLine(const QString& szText)
{
    QMetaObject::invokeMethod(
        this,
        [this, szText] {
            m_szProgressLine = szText;
            UpdateStatusText();
        },
        Qt::QueuedConnection);
}

void CDialogConvert::PostJobEnded(quire::JobReport report)
{
    QMetaObject::invokeMethod(
        this, [this, report = std::move(report)]() mutable { OnJobEnded(std::move(report)); }, Qt::QueuedConnection);
}

void CDialogConvert::accept()
{
    OnOK();
}

void CDialogConvert::reject()
{
    OnCancel();
}

void CDialogConvert::OnOK() { }

void CDialogConvert::OnCancel() { }

void CDialogConvert::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    // NOTE: a window that is never exposed gets no paint event; the job must start all the same.
    QMetaObject::invokeMethod(this, &CDialogConvert::OnPaint, Qt::QueuedConnection);
}

void CDialogConvert::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    OnPaint();
}

void CDialogConvert::closeEvent(QCloseEvent* event)
{
    // The dialog ends only through the end of its job.
    event->ignore();
}

bool CDialogConvert::OnInitDialog()
{
    pDialog = this;
    m_pBusy->SetSpeed(250);
    m_pBusy->SetRange(-100, 100);
    m_pBusy->SetIBPad(1);
    m_pBusy->Recalc();
    m_pBusy->SetNumSteps(20);
    m_pBusy->Recalc();
    m_pBusy->SetGranularity(5);
    m_pBusy->SetBusyFill(CBusyProgressCtrl::BusyFillBlock);
    m_pBusy->SetBusyType(CBusyProgressCtrl::BusyTypeBackAndForth);
    m_pBusy->Start();
    return true;
}

void CDialogConvert::OnPaint()
{
    if (m_nFirstPaint == 0)
        return;
    m_nFirstPaint = 0;
    StartWorker();
}

void CDialogConvert::StartWorker()
{
    hExit = std::make_shared<std::atomic<bool>>(false);
    pDialog = this;
    try {
        if (m_job.nMode == 1)
            m_worker = std::thread(ConvertMergeProc, this);
        else
            m_worker = std::thread(ConvertSplitProc, m_nSplitParam);
    } catch (const std::system_error& e) {
        m_szStartFailure = QStringLiteral("The job could not be started: %1.").arg(QString::fromLocal8Bit(e.what()));
        m_report.errors.push_back({-1, "", EngineText::FromText(m_szStartFailure)});
        m_pBusy->End();
        done(1);
        return;
    }
    m_pStop->setEnabled(true);
}

void CDialogConvert::OnStop()
{
    if (hExit)
        hExit->store(true);
    m_pStop->setEnabled(false);
}

void CDialogConvert::OnJobEnded(quire::JobReport report)
{
    // The worker's last act was to queue this call, so the join returns at once.
    if (m_worker.joinable())
        m_worker.join();
#ifdef __GLIBC__
    // NOTE: the parsed sources of a big merge leave hundreds of megabytes in the allocator's free
    // lists, kept until the program ends; they are of no more use once the job's thread is gone.
    malloc_trim(0);
#endif
    m_report = std::move(report);
    m_pStop->setEnabled(false);
    if (m_job.nOpenResult == 1 && !m_report.stopped && !m_report.filesWritten.empty())
        CShell::OpenFile(EngineText::ToPath(m_report.filesWritten.back()), parentWidget());
    done(1);
}

void CDialogConvert::UpdateStatusText()
{
    const QString szText = m_szProgressLine.isEmpty() ? m_szStatus : m_szStatus + QLatin1Char('\n') + m_szProgressLine;
    m_pStatus->setText(szText);
    emit statusTextChanged(szText);
}

void CDialogConvert::ShowOutcome()
{
    if (!m_szStartFailure.isEmpty()) {
        CMessageBox::Critical(parentWidget(), m_szStartFailure);
        return;
    }
    const bool bMerge = m_job.nMode == 1;
    QStringList paragraphs;
    if (m_report.ok && !m_report.errors.empty() && OnlySkippedRows(m_report)) {
        paragraphs << QStringLiteral("Nothing was taken from these ticked rows:") + QLatin1Char('\n')
                + ErrorLines(m_report);
    } else if (!m_report.errors.empty()) {
        if (bMerge) {
            paragraphs << QStringLiteral("The PDF files could not be merged.");
        } else {
            const auto nWritten = m_report.filesWritten.size();
            paragraphs << (nWritten == 0
                               ? QStringLiteral("No PDF file could be split.")
                               : QStringLiteral("Some PDF files could not be split; %1 %2 written.")
                                     .arg(nWritten)
                                     .arg(nWritten == 1 ? QStringLiteral("file was") : QStringLiteral("files were")));
        }
        paragraphs << ErrorLines(m_report);
    }
    // NOTE: whether a file written is protected matters more than repairs and renamed fields, and a
    // file left open where its source was not is easily missed at the end of a long message.
    if (const QStringList protection = ProtectionLines(m_job, m_report); !protection.isEmpty())
        paragraphs << protection.join(QLatin1Char('\n'));
    paragraphs << ReportParagraphs(m_report);
    if (paragraphs.isEmpty())
        return;
    const QString szText = paragraphs.join(QStringLiteral("\n\n"));
    if (m_report.errors.empty())
        CMessageBox::Information(parentWidget(), szText);
    else
        CMessageBox::Warning(parentWidget(), szText);
}

// ---- the workers ----
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

    void OnWriting(const std::string& path) override
    {
        const QString szName = QFileInfo(EngineText::ToPath(path)).fileName();
        m_pDialog->PostProgressLine(QStringLiteral("Writing %1\u2026").arg(szName));
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
    const quire::MergeOptions options = MergeOptionsOf(job);
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
    const quire::SplitOptions options = SplitOptionsOf(job);
    CDialogObserver observer(pDlg);
    Finish(pDlg, RunGuarded([&] { return quire::RunSplit(job.rows, options, &observer, stop.get()); }));
    return 0;
}
