// SPDX-License-Identifier: Apache-2.0
#include "controls/CXListCtrl.h"

#include "controls/CXCheckbox.h"
#include "controls/CXEdit.h"
#include "controls/CXHeaderCtrl.h"
#include "controls/CXListCtrlDelegate.h"
#include "controls/CXListCtrlModel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QToolTip>
#include <QValidator>

namespace {

// Set while any list commits an edit: the commit destroys the edit box, and the box's loss of
// focus (or an owner that moves the focus from its hook) must not start a second commit.
bool s_bInOnXEditKillFocus = false;

class KillFocusGuard
{
public:
    KillFocusGuard() { s_bInOnXEditKillFocus = true; }
    ~KillFocusGuard() { s_bInOnXEditKillFocus = false; }
    KillFocusGuard(const KillFocusGuard&) = delete;
    KillFocusGuard& operator=(const KillFocusGuard&) = delete;
};

const char* const kDefaultNoItemsMessage = "There are no items to show in this view.";

} // namespace

CXListCtrl::CXListCtrl(QWidget* pParent)
    : QTableView(pParent)
    , m_pModel(new CXListCtrlModel(this))
    , m_pHeader(new CXHeaderCtrl(this))
{
    setHorizontalHeader(m_pHeader);
    setModel(m_pModel);
    setItemDelegate(new CXListCtrlDelegate(this));
    connect(m_pHeader, &CXHeaderCtrl::checkboxClicked, this, &CXListCtrl::OnHeaderCheckboxClicked);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Selecting a row does not scroll by itself: SetCurSel and the keys decide.
    setAutoScroll(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    setShowGrid(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pHeader->setStretchLastSection(false);
    GetColors();
    UpdateRowHeight();
}

CXListCtrl::~CXListCtrl()
{
    // The edit box is a child of the viewport and goes with it; its reports must not reach a
    // list that is being destroyed.
    if (m_pEdit)
        disconnect(m_pEdit, nullptr, this, nullptr);
}

// ---- columns

int CXListCtrl::InsertColumn(int nCol, const QString& szHeading, Qt::Alignment nFormat, int nWidth,
                             int nHeaderCheckedState)
{
    const int nNew = m_pModel->InsertColumn(nCol, szHeading, nFormat);
    if (nNew < 0)
        return -1;
    m_pHeader->InsertColumn(nNew, nHeaderCheckedState);
    if (nWidth >= 0)
        setColumnWidth(nNew, nWidth);
    return nNew;
}

int CXListCtrl::GetColumns() const
{
    return m_pHeader->count();
}

int CXListCtrl::GetHeaderCheckedState(int nSubItem) const
{
    return m_pHeader->GetCheck(nSubItem);
}

bool CXListCtrl::SetHeaderCheckedState(int nSubItem, int nCheckedState)
{
    m_pHeader->SetCheck(nSubItem, nCheckedState);
    return true;
}

// ---- rows and cells

bool CXListCtrl::InRange(int nItem, int nSubItem) const
{
    return nItem >= 0 && nItem < m_pModel->rowCount() && nSubItem >= 0 && nSubItem < GetColumns();
}

const XLISTCTRLDATA* CXListCtrl::CellData(int nItem, int nSubItem) const
{
    return InRange(nItem, nSubItem) ? m_pModel->Cell(nItem, nSubItem) : nullptr;
}

int CXListCtrl::InsertItem(int nItem, const QString& szText)
{
    return InsertItem(nItem, szText, QColor(), QColor());
}

int CXListCtrl::InsertItem(int nItem, const QString& szText, const QColor& crText, const QColor& crBackground)
{
    const int nNew = m_pModel->InsertRow(nItem, szText, crText, crBackground);
    // The new row has no boxes yet; a column with none left shows its header box unchecked.
    for (int nCol = 0; nNew >= 0 && nCol < GetColumns(); ++nCol)
        UpdateHeaderCheckbox(nCol);
    return nNew;
}

bool CXListCtrl::DeleteAllItems()
{
    // An edit left open would later write its text into whatever row then has its index.
    if (m_pEdit)
        OnXEditEscape();
    m_hotCheckbox = Cell();
    m_pressedCheckbox = Cell();
    m_pModel->DeleteAllRows();
    for (int nCol = 0; nCol < GetColumns(); ++nCol)
        UpdateHeaderCheckbox(nCol);
    return true;
}

int CXListCtrl::GetItemCount() const
{
    return m_pModel->rowCount();
}

bool CXListCtrl::SetItemText(int nItem, int nSubItem, const QString& szText)
{
    return InRange(nItem, nSubItem) && m_pModel->SetText(nItem, nSubItem, szText);
}

QString CXListCtrl::GetItemText(int nItem, int nSubItem) const
{
    const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
    return pCell ? pCell->szText : QString();
}

bool CXListCtrl::SetEdit(int nItem, int nSubItem)
{
    return InRange(nItem, nSubItem) && m_pModel->SetEdit(nItem, nSubItem, true);
}

bool CXListCtrl::SetCheckbox(int nItem, int nSubItem, int nCheckedState)
{
    if (!InRange(nItem, nSubItem) || !m_pModel->SetCheck(nItem, nSubItem, nCheckedState))
        return false;
    UpdateHeaderCheckbox(nSubItem);
    return true;
}

int CXListCtrl::GetCheckedState(int nItem, int nSubItem) const
{
    const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
    return pCell ? pCell->nCheckedState : CXCheckbox::NONE;
}

int CXListCtrl::CountCheckedItems(int nSubItem) const
{
    return m_pModel->CountChecked(nSubItem);
}

bool CXListCtrl::GetEnabled(int nItem) const
{
    const XLISTCTRLDATA* pCell = CellData(nItem, 0);
    return pCell && pCell->bEnabled;
}

bool CXListCtrl::GetModified(int nItem, int nSubItem) const
{
    const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
    return pCell && pCell->bModified;
}

bool CXListCtrl::SetItemToolTipText(int nItem, int nSubItem, const QString& szToolTipText)
{
    return InRange(nItem, nSubItem) && m_pModel->SetToolTip(nItem, nSubItem, szToolTipText);
}

QString CXListCtrl::GetItemToolTipText(int nItem, int nSubItem) const
{
    const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
    return pCell ? pCell->szToolTip : QString();
}

bool CXListCtrl::SetItemIcon(int nItem, int nSubItem, const QIcon& icon)
{
    return InRange(nItem, nSubItem) && m_pModel->SetIcon(nItem, nSubItem, icon);
}

bool CXListCtrl::SetItemAccessibleText(int nItem, int nSubItem, const QString& szText)
{
    return InRange(nItem, nSubItem) && m_pModel->SetAccessibleText(nItem, nSubItem, szText);
}

void CXListCtrl::DeleteAllToolTips()
{
    m_pModel->ClearToolTips();
}

void CXListCtrl::SetColumnValidator(int nSubItem, QValidator* pValidator)
{
    if (pValidator)
        m_validators[nSubItem] = pValidator;
    else
        m_validators.erase(nSubItem);
}

void CXListCtrl::SetAccessibleLabelColumn(int nSubItem)
{
    m_pModel->SetAccessibleLabelColumn(nSubItem);
}

void CXListCtrl::SetDropHighlight(bool bOn)
{
    if (bOn == m_bDropHighlight)
        return;
    m_bDropHighlight = bOn;
    viewport()->update();
}

// ---- selection and geometry

int CXListCtrl::GetCurSel() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    int nFirst = -1;
    for (const QModelIndex& index : rows) {
        if (nFirst < 0 || index.row() < nFirst)
            nFirst = index.row();
    }
    return nFirst;
}

bool CXListCtrl::SetCurSel(int nItem, bool bEnsureVisible)
{
    if (nItem < 0 || nItem >= GetItemCount() || GetColumns() == 0)
        return false;
    const int nCol = currentIndex().isValid() ? currentIndex().column() : 0;
    selectionModel()->setCurrentIndex(m_pModel->index(nItem, nCol),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (bEnsureVisible)
        EnsureRowVisible(nItem, false);
    return true;
}

void CXListCtrl::EnsureRowVisible(int nItem, bool bPartialOK)
{
    const int nTop = rowViewportPosition(nItem);
    const int nBottom = nTop + rowHeight(nItem);
    const int nHeight = viewport()->height();
    if (bPartialOK && nBottom > 0 && nTop < nHeight)
        return;
    QScrollBar* pBar = verticalScrollBar();
    if (nTop < 0)
        pBar->setValue(pBar->value() + nTop);
    else if (nBottom > nHeight)
        pBar->setValue(pBar->value() + std::min(nTop, nBottom - nHeight));
}

bool CXListCtrl::GetSubItemRect(int nItem, int nSubItem, QRect& rect) const
{
    if (!InRange(nItem, nSubItem))
        return false;
    rect = visualRect(m_pModel->index(nItem, nSubItem));
    if (nSubItem == 0 && GetColumns() > 1) {
        int nNext = 1;
        for (int nCol = 1; nCol < GetColumns(); ++nCol) {
            if (columnWidth(nCol) > 0) {
                nNext = nCol;
                break;
            }
        }
        rect.setRight(columnViewportPosition(nNext) - 1);
    }
    return true;
}

void CXListCtrl::UpdateSubItem(int nItem, int nSubItem)
{
    if (nItem < 0 || nItem >= GetItemCount())
        return;
    QRect rect;
    if (!GetSubItemRect(nItem, nSubItem, rect))
        rect = QRect(0, rowViewportPosition(nItem), viewport()->width(), rowHeight(nItem));
    viewport()->update(rect.adjusted(-2, -2, 2, 2));
}

QRect CXListCtrl::GetCheckboxRect(int nItem, int nSubItem) const
{
    const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
    if (!pCell || pCell->nCheckedState == CXCheckbox::NONE)
        return QRect();
    const QRect area
        = CXListCtrlDelegate::CheckboxArea(visualRect(m_pModel->index(nItem, nSubItem)), !pCell->szText.isEmpty());
    if (area.width() <= 0)
        return QRect();
    return CXCheckbox::BoxRect(area);
}

// ---- persistence

bool CXListCtrl::LoadColumns(const QString& szSection, const QString& szEntry)
{
    QSettings settings;
    const QString szKey = szSection + QLatin1Char('/') + szEntry;
    if (!settings.contains(szKey))
        return false;
    const QStringList widths = settings.value(szKey).toString().split(QLatin1Char(','));
    for (int nCol = 0; nCol < GetColumns() && nCol < widths.size(); ++nCol) {
        bool bOk = false;
        const int nWidth = widths[nCol].trimmed().toInt(&bOk);
        if (bOk && nWidth >= 0)
            setColumnWidth(nCol, nWidth);
    }
    return true;
}

void CXListCtrl::SaveColumns(const QString& szSection, const QString& szEntry) const
{
    QStringList widths;
    for (int nCol = 0; nCol < GetColumns(); ++nCol)
        widths << QString::number(columnWidth(nCol));
    QSettings settings;
    settings.setValue(szSection + QLatin1Char('/') + szEntry, widths.join(QLatin1Char(',')));
}

// ---- drawing

void CXListCtrl::GetColors()
{
    const QPalette& pal = palette();
    m_crBtnFace = pal.color(QPalette::Active, QPalette::Button);
    m_crBtnShadow = pal.color(QPalette::Active, QPalette::Dark);
    m_crGrayText = pal.color(QPalette::Disabled, QPalette::Text);
    m_crHighlight = pal.color(QPalette::Active, QPalette::Highlight);
    m_crHighlightText = pal.color(QPalette::Active, QPalette::HighlightedText);
    m_crWindow = pal.color(QPalette::Active, QPalette::Base);
    m_crWindowText = pal.color(QPalette::Active, QPalette::Text);
}

void CXListCtrl::UpdateRowHeight()
{
    // Room for the 13-pixel check box and a line of text with a little air.
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height() + 6, CXCheckbox::kBoxSize + 6));
}

void CXListCtrl::paintEvent(QPaintEvent* pEvent)
{
    QTableView::paintEvent(pEvent);
    QPainter painter(viewport());
    if (m_pModel->rowCount() == 0) {
        // The viewport starts at the header's bottom edge.
        QRect rect = viewport()->rect();
        rect.setTop(rect.top() + kNoItemsOffset);
        painter.fillRect(rect, Qt::white);
        const bool bOwnMessage = !m_szNoItemsMess.isEmpty();
        painter.setPen(bOwnMessage ? m_crNoItemsMess : m_crWindowText);
        painter.drawText(rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         bOwnMessage ? m_szNoItemsMess : QString::fromLatin1(kDefaultNoItemsMessage));
    }
    DrawFocusAndDropFrames(&painter);
}

void CXListCtrl::DrawFocusAndDropFrames(QPainter* pPainter) const
{
    const int nItem = currentIndex().row();
    if (hasFocus() && nItem >= 0) {
        // NOTE: the frame is drawn over the whole row, whatever the current column, because the keys
        // act on the row (its first box, its first edit cell), not on one cell.
        const int nRight = std::min(m_pHeader->length() - horizontalOffset(), viewport()->width()) - 1;
        const QRect row(0, rowViewportPosition(nItem), nRight + 1, rowHeight(nItem));
        const bool bSelected = selectionModel()->isRowSelected(nItem, QModelIndex());
        const QColor crFrame = bSelected && m_bFullRowSelect ? m_crHighlightText : m_crWindowText;
        pPainter->setPen(crFrame);
        pPainter->setBrush(Qt::NoBrush);
        pPainter->drawRect(row.adjusted(1, 1, -2, -2));
    }
    if (m_bDropHighlight) {
        const QRect rect = viewport()->rect();
        const QColor crHighlight = palette().color(QPalette::Active, QPalette::Highlight);
        pPainter->fillRect(rect.left(), rect.top(), rect.width(), 2, crHighlight);
        pPainter->fillRect(rect.left(), rect.bottom() - 1, rect.width(), 2, crHighlight);
        pPainter->fillRect(rect.left(), rect.top(), 2, rect.height(), crHighlight);
        pPainter->fillRect(rect.right() - 1, rect.top(), 2, rect.height(), crHighlight);
    }
}

// ---- mouse and keys

void CXListCtrl::mousePressEvent(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (!index.isValid()) {
        QTableView::mousePressEvent(pEvent);
        return;
    }
    const int nItem = index.row();
    const int nSubItem = index.column();
    // A row without any cell records takes no presses at all.
    if (m_pModel->RecordCount(nItem) == 0) {
        pEvent->accept();
        return;
    }
    if (pEvent->button() == Qt::LeftButton) {
        const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
        if (pCell && m_bClicksEnabled && pCell->bClickable && GetEnabled(nItem)) {
            if (pCell->nCheckedState != CXCheckbox::NONE && GetCheckboxRect(nItem, nSubItem).contains(point)) {
                m_pressedCheckbox = Cell {nItem, nSubItem};
                UpdateSubItem(nItem, nSubItem);
            } else if (pCell->bEdit) {
                QTableView::mousePressEvent(pEvent);
                EditSubItem(nItem, nSubItem);
                return;
            }
        }
    }
    QTableView::mousePressEvent(pEvent);
}

void CXListCtrl::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && m_pressedCheckbox.nItem >= 0) {
        const Cell pressed = m_pressedCheckbox;
        m_pressedCheckbox = Cell();
        const QPoint point = pEvent->position().toPoint();
        const QModelIndex index = indexAt(point);
        // Only a release on the box that was pressed toggles it, and it consumes the press, so a
        // box toggles once per click.
        if (index.isValid() && Cell {index.row(), index.column()} == pressed
            && GetCheckboxRect(pressed.nItem, pressed.nSubItem).contains(point))
            ToggleCheckbox(pressed.nItem, pressed.nSubItem);
        UpdateSubItem(pressed.nItem, pressed.nSubItem);
    }
    QTableView::mouseReleaseEvent(pEvent);
}

void CXListCtrl::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    // The second click of a double click acts as a press, so quick clicks on a box toggle it
    // each time and a double click on an edit cell does not wait for a third.
    QMouseEvent press(QEvent::MouseButtonPress, pEvent->position(), pEvent->scenePosition(), pEvent->globalPosition(),
                      pEvent->button(), pEvent->buttons(), pEvent->modifiers(), pEvent->pointingDevice());
    mousePressEvent(&press);
    pEvent->setAccepted(press.isAccepted());
}

void CXListCtrl::mouseMoveEvent(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const QModelIndex index = indexAt(point);
    Cell hot;
    if (index.isValid() && GetCheckboxRect(index.row(), index.column()).contains(point))
        hot = Cell {index.row(), index.column()};
    SetHotCheckbox(hot);
    QTableView::mouseMoveEvent(pEvent);
}

void CXListCtrl::SetHotCheckbox(const Cell& cell)
{
    if (cell == m_hotCheckbox)
        return;
    const Cell previous = m_hotCheckbox;
    m_hotCheckbox = cell;
    UpdateSubItem(previous.nItem, previous.nSubItem);
    UpdateSubItem(cell.nItem, cell.nSubItem);
}

void CXListCtrl::ToggleCheckbox(int nItem, int nSubItem)
{
    const int nNew
        = GetCheckedState(nItem, nSubItem) == CXCheckbox::CHECKED ? CXCheckbox::UNCHECKED : CXCheckbox::CHECKED;
    m_pModel->SetCheck(nItem, nSubItem, nNew);
    m_pModel->SetModified(nItem, nSubItem, true);
    m_bListModified = true;
    emit checkboxClicked(nItem, nSubItem);
    UpdateHeaderCheckbox(nSubItem);
    UpdateSubItem(nItem, nSubItem);
}

void CXListCtrl::UpdateHeaderCheckbox(int nSubItem)
{
    if (!m_pHeader->HasCheckbox(nSubItem))
        return;
    const int nBoxes = m_pModel->CountCheckboxes(nSubItem);
    const int nChecked = m_pModel->CountChecked(nSubItem);
    const int nState = nChecked == 0 ? CXCheckbox::UNCHECKED
        : nChecked == nBoxes         ? CXCheckbox::CHECKED
                                     : CXCheckbox::PARTIAL;
    if (m_pHeader->GetCheck(nSubItem) != nState)
        m_pHeader->SetCheck(nSubItem, nState);
}

void CXListCtrl::OnHeaderCheckboxClicked(int nSubItem)
{
    emit checkboxClicked(-1, nSubItem);
    // The header has flipped its box already; its new state goes to every box of the column.
    const int nState = m_pHeader->GetCheck(nSubItem);
    if (nState == CXCheckbox::NONE)
        return;
    if (m_pModel->SetColumnChecks(nSubItem, nState) > 0) {
        m_bListModified = true;
        const int nLeft = columnViewportPosition(nSubItem);
        viewport()->update(QRect(nLeft, 0, columnWidth(nSubItem), viewport()->height()));
    }
    // A column without boxes (an empty list) has nothing to check: its header box goes back.
    UpdateHeaderCheckbox(nSubItem);
}

int CXListCtrl::FirstCheckboxCell(int nItem) const
{
    for (int nCol = 0; nCol < GetColumns(); ++nCol) {
        const XLISTCTRLDATA* pCell = CellData(nItem, nCol);
        if (pCell && pCell->nCheckedState != CXCheckbox::NONE)
            return nCol;
    }
    return -1;
}

int CXListCtrl::NextEditCell(int nItem, int nFrom, bool bForward) const
{
    const int nStep = bForward ? 1 : -1;
    for (int nCol = nFrom < 0 ? 0 : nFrom + nStep; nCol >= 0 && nCol < GetColumns(); nCol += nStep) {
        const XLISTCTRLDATA* pCell = CellData(nItem, nCol);
        if (pCell && pCell->bEdit)
            return nCol;
    }
    return -1;
}

void CXListCtrl::keyPressEvent(QKeyEvent* pEvent)
{
    const int nCurrent = currentIndex().row();
    // The keys act as the mouse would, so they obey the same switches and disabled rows.
    const bool bUsable
        = nCurrent >= 0 && m_bClicksEnabled && GetEnabled(nCurrent) && m_pModel->RecordCount(nCurrent) > 0;
    const bool bPlain = (pEvent->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (bPlain ? pEvent->key() : 0) {
    case Qt::Key_Space: {
        // NOTE: handled here because the view's own Space would search for the next row starting
        // with a blank, which is every row of the file list.
        pEvent->accept();
        const int nSubItem = bUsable ? FirstCheckboxCell(nCurrent) : -1;
        const XLISTCTRLDATA* pCell = CellData(nCurrent, nSubItem);
        if (pCell && pCell->bClickable)
            ToggleCheckbox(nCurrent, nSubItem);
        return;
    }
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const int nSubItem = bUsable ? NextEditCell(nCurrent, -1, true) : -1;
        const XLISTCTRLDATA* pCell = CellData(nCurrent, nSubItem);
        if (pCell && pCell->bClickable) {
            pEvent->accept();
            EditSubItem(nCurrent, nSubItem);
            return;
        }
        break;
    }
    default:
        break;
    }
    QTableView::keyPressEvent(pEvent);
    const int nItem = GetCurSel();
    if (nItem >= 0)
        SetCurSel(nItem, true);
}

void CXListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    // The focus frame spans the row, wider than the cells the view repaints by itself.
    for (const QModelIndex& index : {previous, current}) {
        if (index.isValid())
            viewport()->update(0, rowViewportPosition(index.row()), viewport()->width(), rowHeight(index.row()));
    }
}

void CXListCtrl::wheelEvent(QWheelEvent* pEvent)
{
    if (m_pEdit)
        OnXEditKillFocus();
    QTableView::wheelEvent(pEvent);
}

void CXListCtrl::focusInEvent(QFocusEvent* pEvent)
{
    QTableView::focusInEvent(pEvent);
    // The selected row's colours depend on the focus.
    viewport()->update();
}

void CXListCtrl::focusOutEvent(QFocusEvent* pEvent)
{
    QTableView::focusOutEvent(pEvent);
    viewport()->update();
}

bool CXListCtrl::viewportEvent(QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::ToolTip: {
        // The whole text is shown: the tips exist to let cut-off cell texts be read in full.
        const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        const QModelIndex index = indexAt(pHelp->pos());
        const XLISTCTRLDATA* pCell = index.isValid() ? CellData(index.row(), index.column()) : nullptr;
        if (!pCell || pCell->szToolTip.isEmpty()) {
            QToolTip::hideText();
            pEvent->ignore();
            return true;
        }
        // Tied to the cell's rectangle, so that moving to another cell asks again.
        QToolTip::showText(pHelp->globalPos(), pCell->szToolTip, viewport(), visualRect(index));
        return true;
    }
    case QEvent::Leave:
        SetHotCheckbox(Cell());
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(pEvent);
}

void CXListCtrl::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::PaletteChange || pEvent->type() == QEvent::StyleChange)
        GetColors();
    if (pEvent->type() == QEvent::FontChange)
        UpdateRowHeight();
    QTableView::changeEvent(pEvent);
}

// ---- editing

bool CXListCtrl::SendLabelEditMessage(bool bBegin, int nItem, int nSubItem, const QString* pszText)
{
    // Without an owner's hook every edit is allowed and every commit accepted.
    if (bBegin)
        return m_beginLabelEditHook ? m_beginLabelEditHook(nItem, nSubItem, pszText ? *pszText : QString()) : false;
    return m_endLabelEditHook ? m_endLabelEditHook(nItem, nSubItem, pszText) : true;
}

void CXListCtrl::EditSubItem(int nItem, int nSubItem)
{
    const XLISTCTRLDATA* pCell = CellData(nItem, nSubItem);
    if (m_pEdit || !pCell || columnWidth(nSubItem) < 5)
        return;
    EnsureRowVisible(nItem, true);

    // A column partly scrolled out on the left (or wholly out on the right) is scrolled so that
    // the cell starts at the left edge.
    int nLeft = columnViewportPosition(nSubItem);
    if (nLeft < 0 || nLeft > viewport()->width()) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + nLeft);
        nLeft = columnViewportPosition(nSubItem);
    }
    QRect rect(nLeft + 2, rowViewportPosition(nItem), columnWidth(nSubItem) - 4, rowHeight(nItem) + 1);
    if (rect.right() >= viewport()->width())
        rect.setRight(viewport()->width() - 1);

    m_szInitialText = pCell->szText;
    m_bEditCancelled = false;

    auto* pEdit = new CXEdit(viewport(), m_szInitialText);
    if (const auto validator = m_validators.find(nSubItem); validator != m_validators.end() && validator->second)
        pEdit->setValidator(validator->second);
    pEdit->setAlignment(m_pModel->ColumnAlignment(nSubItem) | Qt::AlignVCenter);
    pEdit->setGeometry(rect);
    if (SendLabelEditMessage(true, nItem, nSubItem, &m_szInitialText)) {
        delete pEdit;
        return;
    }
    m_pEdit = pEdit;
    m_editCell = Cell {nItem, nSubItem};
    connect(pEdit, &CXEdit::killFocus, this, &CXListCtrl::OnXEditKillFocus);
    connect(pEdit, &CXEdit::escape, this, &CXListCtrl::OnXEditEscape);
    connect(pEdit, &CXEdit::tab, this, &CXListCtrl::OnXEditTab);
    connect(pEdit, &QLineEdit::textEdited, this,
            [this, nItem, nSubItem](const QString& szText) { emit editTextChanged(nItem, nSubItem, szText); });
    pEdit->show();
    pEdit->setFocus(Qt::MouseFocusReason);
}

CXEdit* CXListCtrl::GetEditControl() const
{
    return m_pEdit;
}

void CXListCtrl::DestroyEdit()
{
    CXEdit* pEdit = m_pEdit;
    m_pEdit = nullptr;
    if (!pEdit)
        return;
    disconnect(pEdit, nullptr, this, nullptr);
    // The focus comes back to the list rather than wandering to the next widget.
    if (pEdit->hasFocus())
        setFocus(Qt::OtherFocusReason);
    pEdit->hide();
    // Its own signal may be what brought us here: it is deleted once control returns to the loop.
    pEdit->deleteLater();
}

void CXListCtrl::OnXEditKillFocus()
{
    if (s_bInOnXEditKillFocus || m_bEditCancelled || !m_pEdit)
        return;
    KillFocusGuard guard;
    const Cell cell = m_editCell;
    const QString szText = m_pEdit->text();
    const bool bAccepted = SendLabelEditMessage(false, cell.nItem, cell.nSubItem, &szText);
    DestroyEdit();
    if (bAccepted && SetItemText(cell.nItem, cell.nSubItem, szText) && szText != m_szInitialText) {
        m_pModel->SetModified(cell.nItem, cell.nSubItem, true);
        m_bListModified = true;
    }
    UpdateSubItem(cell.nItem, cell.nSubItem);
    emit editEnd(cell.nItem, cell.nSubItem);
}

void CXListCtrl::OnXEditTab(bool bForward)
{
    const Cell cell = m_editCell;
    OnXEditKillFocus();
    // The owner may have rebuilt the rows from its editEnd handler; the row must still be there.
    if (m_pEdit || cell.nItem >= GetItemCount())
        return;
    const int nNext = NextEditCell(cell.nItem, cell.nSubItem, bForward);
    EditSubItem(cell.nItem, nNext >= 0 ? nNext : cell.nSubItem);
}

void CXListCtrl::OnXEditEscape()
{
    if (!m_pEdit)
        return;
    const Cell cell = m_editCell;
    SendLabelEditMessage(false, cell.nItem, cell.nSubItem, nullptr);
    DestroyEdit();
    SetItemText(cell.nItem, cell.nSubItem, m_szInitialText);
    UpdateSubItem(cell.nItem, cell.nSubItem);
}

void CXListCtrl::CancelEditLabel()
{
    m_bEditCancelled = true;
    OnXEditEscape();
}
