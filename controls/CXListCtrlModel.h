// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QString>

#include <vector>

// What the list keeps for one cell.
struct XLISTCTRLDATA
{
    QString szText;
    // Shown in full when the pointer rests on the cell; empty = no tip.
    QString szToolTip;
    // Drawn at the start of the cell, before its text; null = none.
    QIcon icon;
    // What assistive tools read for the cell; empty = its text (or, in a check box cell, its row's
    // label text).
    QString szAccessibleText;
    // Invalid colours stand for the list's window-text and window colours.
    QColor crText;
    QColor crBackground;
    // 0 no check box, 1 unchecked, 2 checked, 3 partial.
    int nCheckedState = 0;
    // Read from a row's column-0 cell only; a disabled row ignores the mouse and draws grey.
    bool bEnabled = true;
    // When false, a press on the cell starts neither an edit nor a check box.
    bool bClickable = true;
    // The cell is edited in place when pressed.
    bool bEdit = false;
    // The user changed the cell (box toggled, edit committed with another text, header box applied).
    bool bModified = false;
};

// The rows and columns of a CXListCtrl. Each row holds one cell record per column that existed
// when the row was inserted: a column inserted later has no records in earlier rows, and every
// access to such a cell answers as for a cell out of range (nullptr, false, empty).
//
// Every change goes through the begin/end row, column and reset brackets or dataChanged, so
// views stay in step. Besides the standard roles the model answers CheckRole, EditCellRole and
// ModifiedRole. A cell with a check box is user-checkable and answers Qt::CheckStateRole (checked,
// unchecked, partially checked) and, once a label column is set, Qt::AccessibleTextRole with the
// text of that column in its row (its accessible text when it has one), so that assistive tools read
// "ten.pdf, checked" and not a blank. A cell with an accessible text of its own answers that, and a
// cell with an icon answers it as Qt::DecorationRole.
class CXListCtrlModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        CheckRole = Qt::UserRole + 1, // int: 0, 1, 2, 3
        EditCellRole, // bool
        ModifiedRole, // bool
    };

    explicit CXListCtrlModel(QObject* pParent = nullptr);
    ~CXListCtrlModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Inserts a column at `nCol` (appended when beyond the end); returns its index, or -1 for a
    // negative index.
    int InsertColumn(int nCol, const QString& szHeading, Qt::Alignment nAlign);
    Qt::Alignment ColumnAlignment(int nCol) const;
    // The column whose text names a row's check box cells to assistive tools; -1 (the default): none.
    void SetAccessibleLabelColumn(int nCol) { m_nAccessibleLabelColumn = nCol; }

    // Inserts a row at `nRow` (appended when beyond the end) with one cell per current column,
    // `szText` in column 0 and column 0's colours as given; returns its index, or -1 for a
    // negative index.
    int InsertRow(int nRow, const QString& szText, const QColor& crText, const QColor& crBackground);
    void DeleteAllRows();

    // The cell's record, or nullptr when (nRow, nCol) is out of range or has no record.
    const XLISTCTRLDATA* Cell(int nRow, int nCol) const;
    // The row's records (possibly none).
    int RecordCount(int nRow) const;

    // Setters answer false, changing nothing, when the cell has no record.
    bool SetText(int nRow, int nCol, const QString& szText);
    bool SetToolTip(int nRow, int nCol, const QString& szToolTip);
    bool SetIcon(int nRow, int nCol, const QIcon& icon);
    bool SetAccessibleText(int nRow, int nCol, const QString& szText);
    void ClearToolTips();
    bool SetEdit(int nRow, int nCol, bool bEdit);
    bool SetCheck(int nRow, int nCol, int nCheck);
    bool SetModified(int nRow, int nCol, bool bModified);
    // Sets every existing check box of `nCol` to `nCheck` and marks those cells modified;
    // returns how many cells it marked.
    int SetColumnChecks(int nCol, int nCheck);

    // Rows whose cell in `nCol` has a check box / a checked (2) check box.
    int CountCheckboxes(int nCol) const;
    int CountChecked(int nCol) const;

private:
    struct Column
    {
        QString szHeading;
        Qt::Alignment nAlign;
        int nCheckboxes = 0;
        int nChecked = 0;
    };

    XLISTCTRLDATA* MutableCell(int nRow, int nCol);
    void CountCheck(int nCol, int nCheck, int nDelta);
    void CellChanged(int nRow, int nCol, const QList<int>& roles);

    std::vector<Column> m_columns;
    std::vector<std::vector<XLISTCTRLDATA>> m_rows;
    int m_nAccessibleLabelColumn = -1;
};
