// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CJobListView.h"
#include "controls/CXListCtrl.h"
#include "joblist/CListItemArray.h"

#include <QPointer>
#include <QWidget>

#include <array>

class CAppSettings;
class CMainFrame;
class QMenu;
class QModelIndex;

// The file list view: the job list records (m_arrItems) and the list control that shows and edits
// them, one row per record, six columns (check box, "File Name", "Pages", "Begin Page", "End Page",
// "Bookmark"; the last three edited in place).
//
// Records and rows are kept in step at fixed moments only: the rows are rebuilt from the records
// (UpdateListCtrl) after every change of membership or order, and the user's edits and check boxes
// are copied back into the records (UpdateListCtrlItemData) before a file is added and before
// Remove, Move Up, Move Down, Merge and Split. So the enable rules of Merge and Split count the check
// flags as of the last copy, not the boxes on screen.
//
// Commands ID_FILE_REMOVE .. ID_BUTTON2 are the frame's actions; OnUpdateCommandFile sets their
// enabled state. Merge and Split run CDialogConvert modally on a snapshot of the records.
class CQuireView : public QWidget, public CJobListView
{
    Q_OBJECT

public:
    // Width shares of the six columns in 64ths of the usable width; the last column takes the rest.
    static constexpr std::array<int, 6> m_nColWidths = {3, 19, 8, 7, 7, 20};
    static constexpr int nListCtrlId = 1001;

    CQuireView(CMainFrame& frame, CAppSettings& settings, QWidget* pParent = nullptr);
    ~CQuireView() override;

    // CJobListView
    bool AddListItem(const QString& szFilePath, QString& szError) override;
    void AppendListItem(const ListItemData& item) override;
    void UpdateListCtrl() override;
    void SetEmptyListText(const QString& szText, const QColor& colour) override;
    void OnUpdateCommandFile() override;

    // Copies the check boxes and the texts of columns 1 to 5 of every row into its record.
    void UpdateListCtrlItemData();
    // Columns, widths and the empty-list text of `pList`.
    void InitListCtrl(CXListCtrl* pList);
    // Lays the columns out for a list `cx` pixels wide.
    void OnSize(int cx, int cy);
    void OnCommandFile(int nID);
    void OnContextMenu(const QPoint& globalPos);
    // The list's answer to the end of an in-place edit: every edit is accepted as typed.
    bool OnEndLabelEdit(int nItem, int nSubItem, const QString* pszText);
    void OnClickList(const QModelIndex& index);
    // A diagnostic line (printf-style) on the "quire.view" logging category, debug level.
    void Log(const char* szFormat, ...) __attribute__((format(printf, 2, 3)));

    // The file a merge writes and View Merged Result opens: the "Merge Output" text resolved by
    // COutputPathRule against the SavePath setting.
    QString GetMergeOutputPath() const;

    CXListCtrl* GetListCtrl() const { return m_pList; }
    const CListItemArray& GetItems() const { return m_arrItems; }
    QMenu* GetContextMenu() const { return m_pContextMenu; }

signals:
    // The records, their rows or the selection changed: what the commands may do may have changed.
    void jobListChanged();

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnCreate();
    void Remove();
    void RemoveAll();
    void Move(int nDelta);
    void RunJob(int nMode);
    // Empty when a merge may write `szPath`; else what the user should do. An existing file is replaced
    // only when it is a PDF file (its first kilobyte holds "%PDF-").
    QString CheckMergeOutput(const QString& szPath) const;

    // Appends rows for the records after the first `m_nRowsInStep`, which the rows already show.
    void AppendRows(std::int32_t nFirst);

    // The widths of the six columns for a list `nListWidth` pixels wide: the shares of m_nColWidths
    // of the usable width, the last column taking the rest.
    std::array<int, 6> ColumnWidths(int nListWidth) const;

    CMainFrame& m_frame;
    CAppSettings& m_settings;
    QPointer<CXListCtrl> m_pList;
    CListItemArray m_arrItems;
    QMenu* m_pContextMenu = nullptr;
    // How many leading records the rows show exactly as the last rebuild made them, and whether the
    // user has ticked a box or edited a cell since then. Together they let a rebuild after an
    // appended file touch only the new row: the result is the same as deleting and re-adding all.
    std::int32_t m_nRowsInStep = 0;
    bool m_bRowsEdited = false;
};
