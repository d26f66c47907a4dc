// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageStrip.h"

#include "preview/CPageStripDelegate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

CPageStrip::CPageStrip(QWidget* pParent)
    : QListView(pParent)
{
    auto* pDelegate = new CPageStripDelegate(this);
    setItemDelegate(pDelegate);
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    // NOTE: every cell is the same size, so the view lays out 20,000 pages without asking each one.
    setUniformItemSizes(true);
    setGridSize(pDelegate->CellSize());
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(pDelegate->CellSize().height() / 4);
}

QList<int> CPageStrip::PagesToDraw(int nAround)
{
    QList<int> pages;
    const int nCount = model() ? model()->rowCount() : 0;
    if (nCount == 0)
        return pages;
    // A new file's cells are laid out when the view next paints; their places are needed now.
    executeDelayedItemsLayout();
    const int nFirst = FirstPageBelow(0);
    const int nLast = std::max(nFirst, FirstPageBelow(viewport()->height()) - 1);
    for (int i = nFirst; i <= nLast && i < nCount; ++i)
        pages.append(i);
    for (int d = 1; d <= nAround; ++d) {
        if (nLast + d < nCount)
            pages.append(nLast + d);
        if (nFirst - d >= 0)
            pages.append(nFirst - d);
    }
    return pages;
}

int CPageStrip::FirstPageBelow(int nY) const
{
    int nLow = 0;
    int nHigh = model()->rowCount();
    while (nLow < nHigh) {
        const int nMid = nLow + (nHigh - nLow) / 2;
        if (visualRect(model()->index(nMid, 0)).bottom() < nY)
            nLow = nMid + 1;
        else
            nHigh = nMid;
    }
    return nLow;
}

void CPageStrip::ShowPage(int nPage)
{
    if (!model() || nPage < 0 || nPage >= model()->rowCount())
        return;
    const QModelIndex index = model()->index(nPage, 0);
    setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::PositionAtTop);
}

void CPageStrip::mousePressEvent(QMouseEvent* pEvent)
{
    const QModelIndex index = indexAt(pEvent->position().toPoint());
    if (pEvent->button() != Qt::LeftButton || !index.isValid()) {
        QListView::mousePressEvent(pEvent);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    setCurrentIndex(index);
    if (pEvent->modifiers() & Qt::ShiftModifier)
        emit endPicked(index.row() + 1);
    else
        emit beginPicked(index.row() + 1);
    pEvent->accept();
}

void CPageStrip::keyPressEvent(QKeyEvent* pEvent)
{
    const QModelIndex current = currentIndex();
    const bool bPlain = (pEvent->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (bPlain && current.isValid() && (pEvent->key() == Qt::Key_B || pEvent->key() == Qt::Key_E)) {
        if (pEvent->key() == Qt::Key_B)
            emit beginPicked(current.row() + 1);
        else
            emit endPicked(current.row() + 1);
        pEvent->accept();
        return;
    }
    QListView::keyPressEvent(pEvent);
}

void CPageStrip::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    emit viewMoved();
}

void CPageStrip::resizeEvent(QResizeEvent* pEvent)
{
    QListView::resizeEvent(pEvent);
    emit viewMoved();
}
