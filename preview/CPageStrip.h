// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QList>
#include <QListView>

// The strip of page thumbnails: the pages of a CPageStripModel in rows as wide as the strip, drawn by
// a CPageStripDelegate. A click on a page picks it as the range's first page, a Shift+click as its
// last; with the keyboard the arrows move between pages and B and E pick the page with the focus.
class CPageStrip : public QListView
{
    Q_OBJECT

public:
    explicit CPageStrip(QWidget* pParent = nullptr);

    // The pages (0-based) wholly or partly in view, top to bottom, followed by up to `nAround` pages
    // on either side of them, nearest first: the order they are worth drawing in.
    QList<int> PagesToDraw(int nAround);
    // Brings page `nPage` (0-based) into view and gives it the focus mark.
    void ShowPage(int nPage);

signals:
    // The user picked page `nPage` (1-based) as the range's first or last page.
    void beginPicked(int nPage);
    void endPicked(int nPage);
    // Other pages came into view (scrolled, resized or a new file).
    void viewMoved();

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    // The first page whose cell reaches below `nY` (viewport coordinates): cells are laid out row by
    // row, so their bottoms never decrease.
    int FirstPageBelow(int nY) const;
};
