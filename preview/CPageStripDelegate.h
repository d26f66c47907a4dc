// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QSize>
#include <QStyledItemDelegate>

// Draws one page of a CPageStripModel: its thumbnail centred in a box of ThumbnailBox() pixels
// (a light frame while it is being drawn, a grey placeholder when it cannot be), and its number and
// label under it. A page outside the range is covered by the background at kDimAlpha; the first and
// last pages of the range get a frame in the highlight colour and the words "Begin" and "End".
class CPageStripDelegate : public QStyledItemDelegate
{
public:
    static constexpr int kThumbnailWidth = 112;
    static constexpr int kThumbnailHeight = 146;
    static constexpr int kMargin = 6;
    static constexpr int kDimAlpha = 170;

    using QStyledItemDelegate::QStyledItemDelegate;

    static QSize ThumbnailBox() { return {kThumbnailWidth, kThumbnailHeight}; }
    // Every page's cell: the box, its caption and the margins.
    QSize CellSize() const;

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
