// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QColor>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <map>

class CXEdit;
class QIcon;
class QValidator;
class CXHeaderCtrl;
class CXListCtrlModel;
struct XLISTCTRLDATA;

// A report list (rows under a header) that draws every cell itself and adds per-cell text and
// background colours, check boxes in cells and in column headers, cells edited in place, per-cell
// tooltips shown in full, and a message painted while the list is empty.
//
// Rows and columns are 0-based. Every operation that takes a row and a column first checks
// 0 <= row < GetItemCount() and 0 <= column < GetColumns() and otherwise does nothing and answers
// false, 0 or an empty value. Insert all columns before the first row: a row has cells only for
// the columns that existed when it was inserted; later columns show nothing in it and ignore
// presses there.
//
// Check states: 0 no check box, 1 unchecked, 2 checked, 3 partial (cells and header items alike).
// A column's header check box shows the state of the column's cell boxes: checked when every one is
// checked, partial when some are, unchecked when none is and while the column has no boxes (an
// empty list). Every change of the cells (SetCheckbox, a click or Space on a box, the header box,
// InsertItem, DeleteAllItems) sets it again.
//
// The file list of the application uses it like this:
//   list.InsertColumn(0, "", Qt::AlignHCenter, w0, 1);     // header check box, unchecked
//   list.InsertColumn(1, "File Name", Qt::AlignLeft, w1);  // ... "Pages", "Begin Page",
//   ...                                                    //     "End Page", "Bookmark"
//   list.SetEndLabelEditHook([](int, int, const QString*) { return true; });
// and rebuilds its rows wholesale:
//   list.DeleteAllItems(); list.DeleteAllToolTips();
//   for each record n: list.InsertItem(n, " "); list.SetCheckbox(n, 0, checked ? 2 : 1);
//                      list.SetItemText(n, c, text); list.SetItemToolTipText(n, c, text);  // c = 1..5
//                      list.SetEdit(n, 3); list.SetEdit(n, 4); list.SetEdit(n, 5);
// Column widths are the view's own: setColumnWidth().
//
// Out of the box the list selects single whole rows, shows grid lines, highlights the whole
// selected row and keeps showing it without the focus, scrolls by pixels and hides the row
// numbers. Header items and check boxes are drawn through the Qt style unless the application
// runs the classic look (CXThemeHelper::SetClassicLook).
//
// What the user does is reported through signals, and through two hooks where the owner must
// answer (see SetBeginLabelEditHook / SetEndLabelEditHook). The standard clicked(index) signal
// reports a click on a cell after any check box in it has been toggled.
//
// Keys: the arrows move the current row; Space toggles the current row's first check box (the
// lowest column with one) exactly as a click on it does; F2, Return or Enter open the edit box of
// the row's first edit cell. Tab leaves the list for the next widget unless an edit is open. While
// the list has the focus its current row is framed (a 1-pixel line in the row's text colour).
class CXListCtrl : public QTableView
{
    Q_OBJECT

public:
    // Asked right after an edit box has been created over (nItem, nSubItem) with the cell's text
    // `szText`; answer true to refuse the edit (the box is then destroyed unseen).
    using BeginLabelEditHook = std::function<bool(int nItem, int nSubItem, const QString& szText)>;
    // Asked when an edit ends. On a commit `pszText` is the box's text: answer true to store it
    // in the cell, false to keep the old text. On a cancel `pszText` is null and the answer is
    // ignored.
    using EndLabelEditHook = std::function<bool(int nItem, int nSubItem, const QString* pszText)>;

    // Pixels left blank on each side of a cell's text.
    static constexpr int kTextPadding = 5;
    // A check box starts this far from its cell's left edge when the cell has text.
    static constexpr int kCheckboxIndent = 5;
    // The empty-list message starts this far below the header.
    static constexpr int kNoItemsOffset = 10;

    explicit CXListCtrl(QWidget* pParent = nullptr);
    ~CXListCtrl() override;

    // Columns.
    // Inserts a column with its caption, the alignment of its caption and cell texts, a width
    // (negative: the default) and the initial state of its header check box (0: none). Returns
    // the new column's index (appended when `nCol` is beyond the end), or -1 for a negative index.
    int InsertColumn(int nCol, const QString& szHeading, Qt::Alignment nFormat = Qt::AlignLeft, int nWidth = -1,
                     int nHeaderCheckedState = 0);
    int GetColumns() const;
    int GetHeaderCheckedState(int nSubItem) const;
    // Stores the state of the column's header check box; true.
    bool SetHeaderCheckedState(int nSubItem, int nCheckedState);

    // Rows.
    // Inserts a row with `szText` in column 0, in the window-text and window colours; returns the
    // new row's index (appended when `nItem` is beyond the end), or -1 for a negative index.
    int InsertItem(int nItem, const QString& szText);
    // The same with column 0 drawn in `crText` on `crBackground`.
    int InsertItem(int nItem, const QString& szText, const QColor& crText, const QColor& crBackground);
    // Removes every row (an open edit is cancelled first); true.
    bool DeleteAllItems();
    int GetItemCount() const;

    // Cells.
    bool SetItemText(int nItem, int nSubItem, const QString& szText);
    QString GetItemText(int nItem, int nSubItem) const;
    // Makes the cell an edit cell: a press on it opens an edit box (see below); true.
    bool SetEdit(int nItem, int nSubItem);
    // Gives the cell a check box in `nCheckedState` and sets the column's header check box (if it
    // has one) to checked when every check box of the column is checked, else unchecked; true.
    bool SetCheckbox(int nItem, int nSubItem, int nCheckedState);
    // The cell's check state; 0 when it has no check box.
    int GetCheckedState(int nItem, int nSubItem) const;
    // Rows whose check box in the column is checked.
    int CountCheckedItems(int nSubItem) const;
    // The row's enabled flag (rows are enabled).
    bool GetEnabled(int nItem) const;
    // Whether the user changed the cell: toggled its box, committed an edit with a different text
    // (letter case counts), or applied the header box to it.
    bool GetModified(int nItem, int nSubItem) const;
    // Whether any cell was marked modified.
    bool GetListModified() const { return m_bListModified; }
    // The text shown, in full, while the pointer rests on the cell; empty = no tip. True.
    bool SetItemToolTipText(int nItem, int nSubItem, const QString& szToolTipText);
    QString GetItemToolTipText(int nItem, int nSubItem) const;
    void DeleteAllToolTips();
    // A small icon drawn at the start of the cell, before its text (a null icon removes it); true.
    bool SetItemIcon(int nItem, int nSubItem, const QIcon& icon);
    // What assistive tools read for the cell instead of its text (empty: its text); true.
    bool SetItemAccessibleText(int nItem, int nSubItem, const QString& szText);

    // Selection.
    // The first selected row, or -1.
    int GetCurSel() const;
    // Selects and focuses the row; with `bEnsureVisible` scrolls it fully into view. False for a
    // row out of range.
    bool SetCurSel(int nItem, bool bEnsureVisible = false);

    // Geometry, in viewport coordinates. Column 0's rectangle reaches to the first later column
    // with a positive width.
    bool GetSubItemRect(int nItem, int nSubItem, QRect& rect) const;
    // Repaints the cell (the whole row when the column is out of range) with 2 pixels around it.
    void UpdateSubItem(int nItem, int nSubItem);
    // Where the cell's check box is drawn; empty without one.
    QRect GetCheckboxRect(int nItem, int nSubItem) const;

    // Column widths kept as one comma-separated string under `szSection`/`szEntry` of the
    // application's QSettings. LoadColumns is true once the entry was read.
    virtual bool LoadColumns(const QString& szSection, const QString& szEntry);
    virtual void SaveColumns(const QString& szSection, const QString& szEntry) const;

    // Editing. A press on an edit cell selects the row and opens an edit box over the cell (2
    // pixels in, 4 narrower than the column, one pixel taller than the row; a column scrolled
    // partly out of view on the left is first scrolled to the left edge). Enter, a loss of focus,
    // a press anywhere else, or a wheel turn commit it: the end hook is asked, an accepted text is
    // stored (marking the cell modified when it differs from the old text) and editEnd() follows.
    // Tab and Shift+Tab commit likewise and open the row's next / previous edit cell (at the last /
    // first one the same cell opens again). Escape or CancelEditLabel() cancel it: the end hook
    // hears a null text, the old text stays, no editEnd(). Without hooks every edit is allowed and
    // every commit accepted. When the box closes the focus returns to the list, the row current.
    void SetBeginLabelEditHook(BeginLabelEditHook hook) { m_beginLabelEditHook = std::move(hook); }
    void SetEndLabelEditHook(EndLabelEditHook hook) { m_endLabelEditHook = std::move(hook); }
    // The open edit box, or null.
    CXEdit* GetEditControl() const;
    // Cancels an open edit; commits are then ignored until the next edit opens.
    void CancelEditLabel();
    // Edit boxes opened in the column check their text with `pValidator` (null: none), so that a
    // page column takes digits only. The list neither owns it nor keeps it alive: the caller gives
    // it a parent that outlives the list, or clears it first.
    void SetColumnValidator(int nSubItem, QValidator* pValidator);
    // The column whose text in a row names that row's check box cells to assistive tools (the
    // cell's Qt::AccessibleTextRole); -1, the default, names them by their own text.
    void SetAccessibleLabelColumn(int nSubItem);

    // While on, the viewport is framed with 2 pixels in the palette's highlight colour: the owner
    // turns it on while files are dragged over the list and off when they leave or are dropped.
    void SetDropHighlight(bool bOn);
    bool GetDropHighlight() const { return m_bDropHighlight; }

    // Settings.
    // Painted 10 pixels below the header, centred and word-wrapped on white, while the list has
    // no rows. Empty: "There are no items to show in this view." in the window-text colour.
    void SetNoItemsMessage(const QString& szMessage)
    {
        m_szNoItemsMess = szMessage;
        viewport()->update();
    }
    QString GetNoItemsMessage() const { return m_szNoItemsMess; }
    void SetNoItemsMessageColor(const QColor& crMessage)
    {
        m_crNoItemsMess = crMessage;
        viewport()->update();
    }
    // Cell texts that do not fit end in "..." (on by default).
    void SetUseEllipsis(bool bUseEllipsis)
    {
        m_bUseEllipsis = bUseEllipsis;
        viewport()->update();
    }
    bool GetUseEllipsis() const { return m_bUseEllipsis; }
    // A selected row is highlighted across all columns (else only column 0); on by default.
    void SetFullRowSelect(bool bFullRow)
    {
        m_bFullRowSelect = bFullRow;
        viewport()->update();
    }
    // A selected row stays marked (window text on button face) while the list has no focus; on
    // by default.
    void SetAlwaysShowSelection(bool bShow)
    {
        m_bAlwaysShowSelection = bShow;
        viewport()->update();
    }
    // When off, no press starts an edit or toggles a check box.
    void EnableClicks(bool bEnable) { m_bClicksEnabled = bEnable; }

    CXHeaderCtrl* GetHeaderCtrl() const { return m_pHeader; }
    CXListCtrlModel* GetCellModel() const { return m_pModel; }

signals:
    // The user toggled the check box of a cell; row -1 when the header box of the column was
    // clicked (sent before the column's cells change).
    void checkboxClicked(int nItem, int nSubItem);
    // An edit of the cell was committed (also when the end hook kept the old text), by the mouse,
    // Enter, Tab or Shift+Tab alike.
    void editEnd(int nItem, int nSubItem);
    // The user changed the text of the open edit box of the cell; nothing is stored yet.
    void editTextChanged(int nItem, int nSubItem, const QString& szText);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    bool viewportEvent(QEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // It draws the cells from the list's settings, colours and hot and pressed boxes.
    friend class CXListCtrlDelegate;

    struct Cell
    {
        int nItem = -1;
        int nSubItem = -1;
        bool operator==(const Cell&) const = default;
    };

    const XLISTCTRLDATA* CellData(int nItem, int nSubItem) const;
    bool InRange(int nItem, int nSubItem) const;
    void GetColors();
    void UpdateRowHeight();
    void ToggleCheckbox(int nItem, int nSubItem);
    void UpdateHeaderCheckbox(int nSubItem);
    void SetHotCheckbox(const Cell& cell);
    void EnsureRowVisible(int nItem, bool bPartialOK);

    void OnHeaderCheckboxClicked(int nSubItem);
    void EditSubItem(int nItem, int nSubItem);
    void OnXEditKillFocus();
    void OnXEditEscape();
    void OnXEditTab(bool bForward);
    // The row's first edit cell (nFrom -1), or the next one after / before `nFrom`; -1 for none.
    int NextEditCell(int nItem, int nFrom, bool bForward) const;
    int FirstCheckboxCell(int nItem) const;
    void DrawFocusAndDropFrames(QPainter* pPainter) const;
    void DestroyEdit();
    bool SendLabelEditMessage(bool bBegin, int nItem, int nSubItem, const QString* pszText);

    CXListCtrlModel* m_pModel = nullptr;
    CXHeaderCtrl* m_pHeader = nullptr;

    bool m_bUseEllipsis = true;
    bool m_bListModified = false;
    bool m_bClicksEnabled = true;
    bool m_bFullRowSelect = true;
    bool m_bAlwaysShowSelection = true;
    bool m_bDropHighlight = false;
    QString m_szNoItemsMess;
    QColor m_crNoItemsMess = Qt::black;

    Cell m_hotCheckbox;
    Cell m_pressedCheckbox;

    QPointer<CXEdit> m_pEdit;
    Cell m_editCell;
    bool m_bEditCancelled = false;
    QString m_szInitialText;
    BeginLabelEditHook m_beginLabelEditHook;
    EndLabelEditHook m_endLabelEditHook;
    std::map<int, QPointer<QValidator>> m_validators;

    QColor m_crBtnFace;
    QColor m_crBtnShadow;
    QColor m_crGrayText;
    QColor m_crHighlight;
    QColor m_crHighlightText;
    QColor m_crWindow;
    QColor m_crWindowText;
};
