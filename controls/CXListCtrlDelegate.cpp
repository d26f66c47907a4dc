// SPDX-License-Identifier: Apache-2.0
#include "controls/CXListCtrlDelegate.h"

#include "controls/CXCheckbox.h"
#include "controls/CXListCtrl.h"
#include "controls/CXListCtrlModel.h"

#include <QPainter>

#include <algorithm>

CXListCtrlDelegate::CXListCtrlDelegate(CXListCtrl* pList)
    : QStyledItemDelegate(pList)
    , m_pList(pList)
{ }

QRect CXListCtrlDelegate::CheckboxArea(const QRect& cell, bool bHasText)
{
    // Without text the box is centred, one pixel left of the exact centre.
    const int nLeft = bHasText ? cell.left() + CXListCtrl::kCheckboxIndent
                               : cell.left() + (cell.width() - CXCheckbox::kBoxSize) / 2 - 1;
    return QRect(nLeft, cell.top(), cell.right() - nLeft + 1, cell.height());
}

bool CXListCtrlDelegate::editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex&)
{
    // NOTE: the base class would toggle a user-checkable cell at the style's indicator and swallow
    // the press, so a click there would no longer select the row.
    return false;
}

void CXListCtrlDelegate::GetDrawColors(int nSubItem, bool bSelected, QColor& crText, QColor& crBkgnd) const
{
    if (!bSelected || !(m_pList->m_bFullRowSelect || nSubItem == 0))
        return;
    if (m_pList->hasFocus()) {
        crText = m_pList->m_crHighlightText;
        crBkgnd = m_pList->m_crHighlight;
    } else if (m_pList->m_bAlwaysShowSelection) {
        crText = m_pList->m_crWindowText;
        crBkgnd = m_pList->m_crBtnFace;
    }
}

void CXListCtrlDelegate::DrawCellText(QPainter* pDC, const QRect& rect, const QString& szText, Qt::Alignment nAlign,
                                      const QColor& crText) const
{
    if (szText.isEmpty() || rect.width() <= 0)
        return;
    const QString szShown
        = m_pList->m_bUseEllipsis ? pDC->fontMetrics().elidedText(szText, Qt::ElideRight, rect.width()) : szText;
    pDC->setPen(crText);
    pDC->drawText(rect, static_cast<int>(nAlign | Qt::AlignVCenter | Qt::TextSingleLine), szShown);
}

void CXListCtrlDelegate::paint(QPainter* pDC, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int nItem = index.row();
    const int nSubItem = index.column();
    const CXListCtrlModel* pModel = m_pList->m_pModel;
    const XLISTCTRLDATA* pCell = pModel->Cell(nItem, nSubItem);
    const XLISTCTRLDATA* pRow = pModel->Cell(nItem, 0);
    const bool bRowEnabled = !pRow || pRow->bEnabled;

    QColor crText = m_pList->m_crWindowText;
    QColor crBkgnd = m_pList->m_crWindow;
    if (pCell && pCell->crText.isValid())
        crText = pCell->crText;
    if (pCell && pCell->crBackground.isValid())
        crBkgnd = pCell->crBackground;
    GetDrawColors(nSubItem, option.state.testFlag(QStyle::State_Selected), crText, crBkgnd);
    if (!bRowEnabled)
        crText = m_pList->m_crGrayText;

    // A row that begins above the viewport is drawn like any other: the painter clips it, so its
    // visible part shows instead of a hole.
    const QRect rect = option.rect;
    pDC->save();
    pDC->fillRect(rect, crBkgnd);
    if (pCell && pCell->nCheckedState != CXCheckbox::NONE) {
        const bool bHasText = !pCell->szText.isEmpty();
        const QRect area = CheckboxArea(rect, bHasText);
        // One box object per drawing: the cells keep only their state.
        CXCheckbox box(m_pList->viewport(), pCell->nCheckedState);
        box.SetEnabled(bRowEnabled);
        box.SetHot(m_pList->m_hotCheckbox == CXListCtrl::Cell {nItem, nSubItem});
        box.SetPressed(m_pList->m_pressedCheckbox == CXListCtrl::Cell {nItem, nSubItem});
        box.Draw(pDC, area);
        if (bHasText) {
            QRect textRect = rect;
            textRect.setLeft(area.left() + CXCheckbox::kUsedWidth);
            DrawCellText(pDC, textRect, pCell->szText, Qt::AlignLeft, crText);
        }
    } else if (pCell) {
        QRect textRect = rect.adjusted(CXListCtrl::kTextPadding, 0, -CXListCtrl::kTextPadding, 0);
        if (!pCell->icon.isNull()) {
            const int nSide = std::max(0, std::min(16, rect.height() - 2));
            const QRect iconRect(textRect.left(), rect.top() + (rect.height() - nSide) / 2, nSide, nSide);
            pCell->icon.paint(pDC, iconRect, Qt::AlignCenter, bRowEnabled ? QIcon::Normal : QIcon::Disabled);
            textRect.setLeft(iconRect.right() + 1 + CXListCtrl::kTextPadding);
        }
        DrawCellText(pDC, textRect, pCell->szText, pModel->ColumnAlignment(nSubItem), crText);
    }
    pDC->restore();
}
