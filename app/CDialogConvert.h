// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/ConvertJob.h"
#include "engine/JobTypes.h"

#include <QDialog>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class CBusyProgressCtrl;
class QLabel;
class QPushButton;

// The small modal dialog shown while a merge or a split runs.
//
// exec() shows it; the first paint starts the job's worker thread (ConvertMergeProc in mode 1,
// ConvertSplitProc otherwise) with a fresh stop flag in `hExit`, and the dialog stays responsive
// while the worker runs: the status text shows the engine's status and the file being worked on
// ("3 of 12: report.pdf") and then the file being written ("Writing out.pdf…"), the busy indicator
// animates. Enter, Escape and the close button do
// nothing; the Stop button raises the stop flag (a stopped merge writes nothing; a stopped split
// keeps the files it finished). When the worker ends, the result is opened through CShell when
// the job's nOpenResult is exactly 1 (the merge output, or the last split file written; nothing
// when nothing was written or the job was stopped), the memory the job freed is given back to the
// system, and the dialog ends.
//
// After the dialog has closed, exec() shows at most one message (CMessageBox): which files failed
// and why, or which ticked rows gave no pages and why, then the protection of the files written
// (ProtectionLines: a merge output protected as asked, a file written unprotected from a protected
// source), then anything else worth telling (repaired inputs, renamed form fields and named
// destinations, other notes). exec() always returns 1; the job report is then available from
// GetReport().
class CDialogConvert : public QDialog
{
    Q_OBJECT

public:
    explicit CDialogConvert(ConvertJob job, QWidget* pParent = nullptr);
    ~CDialogConvert() override;

    int exec() override;

    // The job this dialog runs. It does not change while the worker reads it.
    const ConvertJob& Job() const { return m_job; }
    // What the job did; complete once exec() has returned.
    const quire::JobReport& GetReport() const { return m_report; }
    // The whole status text, both lines.
    QString StatusText() const;
    // Thread-safe: End() may be called from the worker.
    CBusyProgressCtrl& BusyCtrl() const { return *m_pBusy; }

    // For the worker thread: each queues its effect onto the dialog's thread.
    // A new status line; the line naming the file being worked on is cleared.
    void PostStatusText(const QString& szText);
    // The second line of the status text.
    void PostProgressLine(const QString& szText);
    // The job is over: open the result when asked to, then end the dialog.
    void PostJobEnded(quire::JobReport report);

signals:
    // The status text changed; `text` is the whole text, both lines.
    void statusTextChanged(const QString& text);

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Publishes the dialog in pDialog and configures and starts the busy indicator.
    bool OnInitDialog();
    // The first call starts the worker; later ones do nothing.
    void OnPaint();
    // Enter and Escape: nothing, so neither closes the dialog.
    void OnOK();
    void OnCancel();
    void OnStop();

private:
    void StartWorker();
    void OnJobEnded(quire::JobReport report);
    void UpdateStatusText();
    void ShowOutcome();

    ConvertJob m_job;
    QLabel* m_pStatus = nullptr;
    CBusyProgressCtrl* m_pBusy = nullptr;
    QPushButton* m_pStop = nullptr;
    std::thread m_worker;
    std::int32_t m_nFirstPaint = 1;
    std::int32_t m_nSplitParam = 0;
    bool m_bInitialised = false;
    QString m_szStatus;
    QString m_szProgressLine;
    QString m_szStartFailure;
    quire::JobReport m_report;
};

// The progress dialog of the running job. Written by the user-interface thread before the worker
// starts; the worker only reads it.
extern CDialogConvert* pDialog;

// The stop request of the running job: a fresh flag for every job, made by the dialog before the
// worker starts and raised by its Stop button. The jobs test it before each row.
extern std::shared_ptr<std::atomic<bool>> hExit;

// The workers. Each runs the job of `pDialog` through the engine, passes the status texts and the
// file being worked on to the dialog, ends the busy indicator and hands the job report to the
// dialog, which then opens the result (when asked to) and ends. They never throw: an error that
// escapes the engine becomes a failed report. Both return 0.
unsigned ConvertMergeProc(CDialogConvert* pParam);
// `nSplitParam` is kept for the dialog's split parameter; the split does not use it.
unsigned ConvertSplitProc(std::int32_t nSplitParam);
