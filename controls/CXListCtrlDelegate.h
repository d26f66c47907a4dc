// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QStyledItemDelegate>

class CXListCtrl;

// Draws the cells of a CXListCtrl by the list's rules:
// - colours: the cell's own (window text on window by default); a selected row, across all
//   columns under full-row selection (else column 0 only), in highlight text on highlight while
//   the list has the focus, and in window text on button face without it when the list keeps
//   showing its selection; a disabled row's text grey;
// - text: 5 pixels of padding on each side, one line, vertically centred, aligned as the
//   column's header item, ending in "..." when it does not fit (unless the list turns that off);
// - check box: 13 x 13, vertically centred, 5 pixels from the left when the cell has text (the
//   text then starts 4 pixels right of the box), centred when it has none.
// Cells without a record show only their background.
class CXListCtrlDelegate : public QStyledItemDelegate
{
public:
    explicit CXListCtrlDelegate(CXListCtrl* pList);

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Takes no events: the list toggles its boxes itself, where it draws them.
    bool editorEvent(QEvent* pEvent, QAbstractItemModel* pModel, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // The part of `cell` the check box is drawn into (the box sits at its left edge).
    static QRect CheckboxArea(const QRect& cell, bool bHasText);

private:
    void GetDrawColors(int nSubItem, bool bSelected, QColor& crText, QColor& crBkgnd) const;
    void DrawCellText(QPainter* pDC, const QRect& rect, const QString& szText, Qt::Alignment nAlign,
                      const QColor& crText) const;

    CXListCtrl* m_pList;
};
