// SPDX-License-Identifier: Apache-2.0
#include "controls/CXListCtrlModel.h"

CXListCtrlModel::CXListCtrlModel(QObject* pParent)
    : QAbstractTableModel(pParent)
{ }

CXListCtrlModel::~CXListCtrlModel() = default;

int CXListCtrlModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CXListCtrlModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

const XLISTCTRLDATA* CXListCtrlModel::Cell(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= static_cast<int>(m_rows.size()) || nCol < 0 || nCol >= static_cast<int>(m_columns.size()))
        return nullptr;
    const std::vector<XLISTCTRLDATA>& cells = m_rows[static_cast<size_t>(nRow)];
    if (nCol >= static_cast<int>(cells.size()))
        return nullptr;
    return &cells[static_cast<size_t>(nCol)];
}

XLISTCTRLDATA* CXListCtrlModel::MutableCell(int nRow, int nCol)
{
    return const_cast<XLISTCTRLDATA*>(Cell(nRow, nCol));
}

int CXListCtrlModel::RecordCount(int nRow) const
{
    if (nRow < 0 || nRow >= static_cast<int>(m_rows.size()))
        return 0;
    return static_cast<int>(m_rows[static_cast<size_t>(nRow)].size());
}

QVariant CXListCtrlModel::data(const QModelIndex& index, int nRole) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const XLISTCTRLDATA* pCell = Cell(index.row(), index.column());
    if (!pCell)
        return QVariant();
    switch (nRole) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return pCell->szText;
    case Qt::ToolTipRole:
        return pCell->szToolTip.isEmpty() ? QVariant() : QVariant(pCell->szToolTip);
    case Qt::ForegroundRole:
        return pCell->crText.isValid() ? QVariant(pCell->crText) : QVariant();
    case Qt::BackgroundRole:
        return pCell->crBackground.isValid() ? QVariant(pCell->crBackground) : QVariant();
    case Qt::CheckStateRole:
        if (pCell->nCheckedState == 0)
            return QVariant();
        return pCell->nCheckedState == 2 ? Qt::Checked
            : pCell->nCheckedState == 3  ? Qt::PartiallyChecked
                                         : Qt::Unchecked;
    case Qt::DecorationRole:
        return pCell->icon.isNull() ? QVariant() : QVariant(pCell->icon);
    case Qt::AccessibleTextRole: {
        if (!pCell->szAccessibleText.isEmpty())
            return pCell->szAccessibleText;
        const XLISTCTRLDATA* pLabel = Cell(index.row(), m_nAccessibleLabelColumn);
        if (pCell->nCheckedState == 0 || !pLabel)
            return QVariant();
        return pLabel->szAccessibleText.isEmpty() ? pLabel->szText : pLabel->szAccessibleText;
    }
    case CheckRole:
        return pCell->nCheckedState;
    case EditCellRole:
        return pCell->bEdit;
    case ModifiedRole:
        return pCell->bModified;
    default:
        return QVariant();
    }
}

QVariant CXListCtrlModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= static_cast<int>(m_columns.size()))
        return QVariant();
    const Column& column = m_columns[static_cast<size_t>(nSection)];
    if (nRole == Qt::DisplayRole)
        return column.szHeading;
    if (nRole == Qt::TextAlignmentRole)
        return static_cast<int>(column.nAlign | Qt::AlignVCenter);
    return QVariant();
}

Qt::ItemFlags CXListCtrlModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const XLISTCTRLDATA* pCell = Cell(index.row(), index.column());
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return pCell && pCell->nCheckedState != 0 ? flags | Qt::ItemIsUserCheckable : flags;
}

int CXListCtrlModel::InsertColumn(int nCol, const QString& szHeading, Qt::Alignment nAlign)
{
    if (nCol < 0)
        return -1;
    nCol = std::min(nCol, static_cast<int>(m_columns.size()));
    beginInsertColumns(QModelIndex(), nCol, nCol);
    m_columns.insert(m_columns.begin() + nCol, Column {szHeading, nAlign & Qt::AlignHorizontal_Mask});
    // Rows that already reach past the new column get a record for it, so that their later
    // cells stay under their own columns; rows that end before it get none.
    for (std::vector<XLISTCTRLDATA>& cells : m_rows) {
        if (nCol < static_cast<int>(cells.size()))
            cells.insert(cells.begin() + nCol, XLISTCTRLDATA());
    }
    endInsertColumns();
    return nCol;
}

Qt::Alignment CXListCtrlModel::ColumnAlignment(int nCol) const
{
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size()))
        return Qt::AlignLeft;
    return m_columns[static_cast<size_t>(nCol)].nAlign;
}

int CXListCtrlModel::InsertRow(int nRow, const QString& szText, const QColor& crText, const QColor& crBackground)
{
    if (nRow < 0)
        return -1;
    nRow = std::min(nRow, static_cast<int>(m_rows.size()));
    beginInsertRows(QModelIndex(), nRow, nRow);
    std::vector<XLISTCTRLDATA> cells(m_columns.size());
    if (!cells.empty()) {
        cells[0].szText = szText;
        cells[0].crText = crText;
        cells[0].crBackground = crBackground;
    }
    m_rows.insert(m_rows.begin() + nRow, std::move(cells));
    endInsertRows();
    return nRow;
}

void CXListCtrlModel::DeleteAllRows()
{
    beginResetModel();
    m_rows.clear();
    for (Column& column : m_columns) {
        column.nCheckboxes = 0;
        column.nChecked = 0;
    }
    endResetModel();
}

void CXListCtrlModel::CellChanged(int nRow, int nCol, const QList<int>& roles)
{
    const QModelIndex cell = index(nRow, nCol);
    emit dataChanged(cell, cell, roles);
}

bool CXListCtrlModel::SetText(int nRow, int nCol, const QString& szText)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->szText = szText;
    CellChanged(nRow, nCol, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool CXListCtrlModel::SetToolTip(int nRow, int nCol, const QString& szToolTip)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->szToolTip = szToolTip;
    CellChanged(nRow, nCol, {Qt::ToolTipRole});
    return true;
}

bool CXListCtrlModel::SetIcon(int nRow, int nCol, const QIcon& icon)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->icon = icon;
    CellChanged(nRow, nCol, {Qt::DecorationRole});
    return true;
}

bool CXListCtrlModel::SetAccessibleText(int nRow, int nCol, const QString& szText)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->szAccessibleText = szText;
    CellChanged(nRow, nCol, {Qt::AccessibleTextRole});
    return true;
}

void CXListCtrlModel::ClearToolTips()
{
    for (std::vector<XLISTCTRLDATA>& cells : m_rows) {
        for (XLISTCTRLDATA& cell : cells)
            cell.szToolTip.clear();
    }
    if (!m_rows.empty() && !m_columns.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ToolTipRole});
}

bool CXListCtrlModel::SetEdit(int nRow, int nCol, bool bEdit)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->bEdit = bEdit;
    CellChanged(nRow, nCol, {EditCellRole});
    return true;
}

void CXListCtrlModel::CountCheck(int nCol, int nCheck, int nDelta)
{
    Column& column = m_columns[static_cast<size_t>(nCol)];
    if (nCheck != 0)
        column.nCheckboxes += nDelta;
    if (nCheck == 2)
        column.nChecked += nDelta;
}

bool CXListCtrlModel::SetCheck(int nRow, int nCol, int nCheck)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    CountCheck(nCol, pCell->nCheckedState, -1);
    pCell->nCheckedState = nCheck;
    CountCheck(nCol, nCheck, +1);
    CellChanged(nRow, nCol, {CheckRole, Qt::CheckStateRole});
    return true;
}

bool CXListCtrlModel::SetModified(int nRow, int nCol, bool bModified)
{
    XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->bModified = bModified;
    CellChanged(nRow, nCol, {ModifiedRole});
    return true;
}

int CXListCtrlModel::SetColumnChecks(int nCol, int nCheck)
{
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size()))
        return 0;
    int nMarked = 0;
    int nFirst = -1;
    int nLast = -1;
    for (int nRow = 0; nRow < static_cast<int>(m_rows.size()); ++nRow) {
        XLISTCTRLDATA* pCell = MutableCell(nRow, nCol);
        if (!pCell || pCell->nCheckedState == 0)
            continue;
        CountCheck(nCol, pCell->nCheckedState, -1);
        pCell->nCheckedState = nCheck;
        CountCheck(nCol, nCheck, +1);
        pCell->bModified = true;
        ++nMarked;
        if (nFirst < 0)
            nFirst = nRow;
        nLast = nRow;
    }
    if (nMarked > 0)
        emit dataChanged(index(nFirst, nCol), index(nLast, nCol), {CheckRole, Qt::CheckStateRole, ModifiedRole});
    return nMarked;
}

int CXListCtrlModel::CountCheckboxes(int nCol) const
{
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size()))
        return 0;
    return m_columns[static_cast<size_t>(nCol)].nCheckboxes;
}

int CXListCtrlModel::CountChecked(int nCol) const
{
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size()))
        return 0;
    return m_columns[static_cast<size_t>(nCol)].nChecked;
}
