// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CJobListView.h"
#include "app/CListEditCommand.h"
#include "controls/CXListCtrl.h"
#include "engine/PageRange.h"
#include "joblist/CListItemArray.h"

#include <QPointer>
#include <QWidget>

#include <array>

class CAppSettings;
class CMainFrame;
class QMenu;
class QModelIndex;
class QTimer;
class QUndoStack;

// The file list view: the job list records (m_arrItems) and the list control that shows and edits
// them, one row per record, six columns (check box, "File Name", "Pages", "Begin Page", "End Page",
// "Bookmark"; the last three edited in place). A protected row's File Name cell shows a lock, and its
// tip and accessible text say "Protected by a password" (or, for a file that opens without one,
// "Protected: opens without a password, with restrictions").
//
// The records follow the screen at once: every tick or untick (a row's box, the header box, the
// keyboard) and every committed edit is copied into its record as it happens, and every change of the
// records or of the selection emits jobListChanged(). So Merge (two ticked rows or more), Split (one)
// and the context menu's Start Convert count the boxes the user sees. The rows are rebuilt from the
// records (UpdateListCtrl) after a change of membership or order.
//
// Remove, Remove All, Move Up, Move Down, an edit of Begin Page, End Page or Bookmark, and a tick (of
// one row, or of all rows by the header box) are steps on the view's undo stack, which the frame's
// ID_EDIT_UNDO and ID_EDIT_REDO walk. Adding a file is no step and clears the stack: the records an
// earlier step would put back lack the new file. Nothing asks to keep changes when the program closes.
//
// The columns share the list's width (m_nColWidths) and follow its size, never wider than the list,
// until the user drags one; from then on they keep the widths the user set, which the ColumnWidths
// setting carries to the next run.
//
// Commands ID_FILE_REMOVE .. ID_BUTTON2, ID_EDIT_UNDO and ID_EDIT_REDO are the frame's actions;
// OnUpdateCommandFile sets their enabled state and the undo texts. Remove, Move Up and Move Down
// also act on the keys of their actions (Delete, Ctrl+Up, Ctrl+Down) while the list has the focus.
// Merge and Split run CDialogConvert modally on a snapshot of the records.
//
// Sort by Name (ID_FILE_SORT_BY_NAME, the ribbon and the context menu; enabled with two rows or more,
// never while files are being added or a job runs, whose dialog is modal) orders the records by file
// name as people count: with the collation of the user's locale, numbers by their value ("2.pdf"
// before "10.pdf") and letters without case ("a.pdf" beside "B.pdf"); equal names keep their order.
// It is one undo step, and the selected record stays selected.
//
// The frame's preview pane, while the Preview setting is on, shows the selected row's file with the
// row's range as the jobs read it (PageRange::Normalise), and the range being typed while a Begin
// Page or End Page box is open. A page picked in the pane becomes the row's Begin Page or End Page:
// an edit of that cell like a typed one, one undo step.
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
    void AppendListItem(const ListItemData& item) override;
    void ReplaceListItems(const QString& szText, const CListItemArray& items) override;
    void SetDropHighlight(bool bOn) override;
    void UpdateListCtrl() override;
    void SetEmptyListText(const QString& szText, const QColor& colour) override;
    void OnUpdateCommandFile() override;

    // Columns, widths and the empty-list text of `pList`.
    void InitListCtrl(CXListCtrl* pList);
    // Sizes the list to `cx` by `cy` pixels and lays the columns out again unless the user set them.
    void OnSize(int cx, int cy);
    void OnCommandFile(int nID);
    void OnContextMenu(const QPoint& globalPos);
    // The list's answer to the end of an in-place edit: every edit is accepted as typed (and copied
    // into the record on editEnd).
    bool OnEndLabelEdit(int nItem, int nSubItem, const QString* pszText);
    void OnClickList(const QModelIndex& index);
    // A diagnostic line (printf-style) on the "quire.view" logging category, debug level.
    void Log(const char* szFormat, ...) __attribute__((format(printf, 2, 3)));

    // The file a merge writes and View Merged Result opens: the "Merge Output" text resolved by
    // COutputPathRule against the SavePath setting.
    QString GetMergeOutputPath() const;

    CXListCtrl* GetListCtrl() const { return m_pList; }
    const CListItemArray& GetItems() const override { return m_arrItems; }
    QMenu* GetContextMenu() const { return m_pContextMenu; }

signals:
    // The records, their rows or the selection changed: what the commands may do may have changed.
    void jobListChanged();

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    void OnCreate();
    void Remove();
    void RemoveAll();
    void Move(int nDelta);
    void SortByName();
    // A box of column 0 toggled (`nItem` -1: the header box, before the rows take its state).
    void OnCheckboxClicked(int nItem, int nSubItem);
    void OnEditEnd(int nItem, int nSubItem);
    // The records and the selected row as they are now.
    CListEditCommand::State CurrentState() const;
    // Puts `after` on the undo stack as the step `szText` and makes it current; `bShown`: the rows
    // show it already. Nothing happens when it changes no record.
    void Commit(const QString& szText, CListEditCommand::State after, bool bShown);
    // The undo stack's way in: makes `state` the records and the selection.
    void Apply(const CListEditCommand::State& state, bool bShown);
    // Sets the shares of m_nColWidths as the column widths, unless the user has set them.
    void LayOutColumns();
    // A column's width changed: when the view did not change it, the user did.
    void OnColumnResized();
    void RunJob(int nMode);
    // Shows the selected row in the preview pane, or nothing while the preview is off.
    void UpdatePreview();
    // Page `nPage` was picked in the preview as the shown row's first (`nSubItem` 3) or last (4) page.
    void OnPagePicked(int nSubItem, int nPage);
    // The open edit box of `nSubItem` of row `nItem` holds `szText`: a typed page moves the preview's range.
    void OnRangeTyped(int nItem, int nSubItem, const QString& szText);
    // Row `nItem`'s range as the jobs read it, with the text of a page box open on it.
    quire::PageRange PreviewRange(int nItem) const;
    // Empty when a merge may write `szPath`; else what the user should do. An existing file is replaced
    // only when it is a PDF file (its first kilobyte holds "%PDF-").
    QString CheckMergeOutput(const QString& szPath) const;

    // Appends rows for the records after the first `m_nRowsInStep`, which the rows already show.
    void AppendRows(std::int32_t nFirst);
    // The tooltip of a row's page cells: the pages it may name, "1 – N".
    static QString PageRangeTip(const ListItemData& item);

    // The widths of the six columns for a viewport `nWidth` pixels wide: the shares of m_nColWidths,
    // the last column taking the rest, so that they fill it exactly.
    static std::array<int, 6> ColumnWidths(int nWidth);

    CMainFrame& m_frame;
    CAppSettings& m_settings;
    QPointer<CXListCtrl> m_pList;
    CListItemArray m_arrItems;
    QMenu* m_pContextMenu = nullptr;
    QUndoStack* m_pUndo = nullptr;
    // How many leading rows show their records; a rebuild after an appended file then touches only
    // the new row, with the same result as deleting and re-adding all. 0 forces a full rebuild.
    std::int32_t m_nRowsInStep = 0;
    // The view is setting column widths itself; the user has set them (the shares no longer apply).
    bool m_bLayingOut = false;
    bool m_bUserWidths = false;
    // The row the preview shows, -1: none; the pane is brought up to date when control returns to
    // the event loop.
    int m_nPreviewItem = -1;
    QTimer* m_pPreviewUpdate = nullptr;
    // What was last typed into a page box, and where.
    struct TypedPage
    {
        int nItem = -1;
        int nSubItem = 0;
        QString szText;
    } m_typed;
};
