// SPDX-License-Identifier: Apache-2.0
#include "preview/CPageStripDelegate.h"

#include "preview/CPageStripModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

QSize CPageStripDelegate::CellSize() const
{
    const int nCaption = QFontMetrics(QApplication::font()).height();
    return {kThumbnailWidth + 2 * kMargin, kThumbnailHeight + nCaption + 3 * kMargin};
}

QSize CPageStripDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return CellSize();
}

void CPageStripDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QPalette& palette = option.palette;
    const QRect cell = option.rect;
    pPainter->save();
    const bool bCurrent = option.state & QStyle::State_HasFocus;
    if (option.state & QStyle::State_Selected)
        pPainter->fillRect(cell, palette.color(QPalette::Highlight).lighter(170));

    const QRect box(cell.left() + kMargin, cell.top() + kMargin, kThumbnailWidth, kThumbnailHeight);
    const QImage image = index.data(CPageStripModel::ThumbnailRole).value<QImage>();
    const QString szFailure = index.data(CPageStripModel::FailureRole).toString();
    if (!image.isNull()) {
        // The helper drew the page to fit the box in device pixels; it is drawn 1:1 at that scale.
        const QSizeF shown = image.deviceIndependentSize().scaled(box.size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(0, 0), shown);
        target.moveCenter(QRectF(box).center());
        pPainter->drawImage(target, image);
        pPainter->setPen(palette.color(QPalette::Mid));
        pPainter->drawRect(target.adjusted(-0.5, -0.5, 0.5, 0.5));
    } else if (!szFailure.isEmpty()) {
        pPainter->fillRect(box, QColor(0xc8, 0xc8, 0xc8));
        pPainter->setPen(QColor(0x60, 0x60, 0x60));
        pPainter->drawText(box.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                           QStringLiteral("Cannot be shown"));
    } else {
        pPainter->fillRect(box, palette.color(QPalette::Base));
        pPainter->setPen(palette.color(QPalette::Midlight));
        pPainter->drawRect(box.adjusted(0, 0, -1, -1));
    }

    const QRect caption(cell.left(), box.bottom() + kMargin, cell.width(), cell.bottom() - box.bottom() - kMargin);
    const int nEnds = index.data(CPageStripModel::RangeEndRole).toInt();
    QString szCaption = index.data(Qt::DisplayRole).toString();
    if (nEnds == (CPageStripModel::IsFirst | CPageStripModel::IsLast))
        szCaption += QStringLiteral(" Begin/End");
    else if (nEnds == CPageStripModel::IsFirst)
        szCaption += QStringLiteral(" Begin");
    else if (nEnds == CPageStripModel::IsLast)
        szCaption += QStringLiteral(" End");
    pPainter->setPen(palette.color(QPalette::Text));
    pPainter->drawText(caption, Qt::AlignHCenter | Qt::AlignTop,
                       QFontMetrics(option.font).elidedText(szCaption, Qt::ElideMiddle, caption.width() - 4));

    if (!index.data(CPageStripModel::InRangeRole).toBool()) {
        QColor veil = palette.color(QPalette::Base);
        veil.setAlpha(kDimAlpha);
        pPainter->fillRect(cell, veil);
    }
    if (nEnds != CPageStripModel::NotAnEnd) {
        pPainter->setPen(QPen(palette.color(QPalette::Highlight), 3));
        pPainter->drawRect(box.adjusted(-3, -3, 3, 3));
    }
    if (bCurrent) {
        pPainter->setPen(QPen(palette.color(QPalette::Text), 1, Qt::DotLine));
        pPainter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    pPainter->restore();
}
