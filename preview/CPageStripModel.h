// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QString>

// The pages of one file as a list, one item per page (row n is page n + 1), with what the strip
// draws for each: its thumbnail once drawn, its number and label, whether it lies in the row's range
// and whether it begins or ends it, or why it cannot be drawn.
//
// Thumbnails are kept across files in a cache of `nBudgetBytes` (the images' own sizes), keyed by
// the file's identity: its path, size and modification time, so a file changed on disk is drawn
// again and a row never shows another file's pages.
class CPageStripModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        ThumbnailRole = Qt::UserRole + 1, // QImage; null while not drawn
        InRangeRole, // bool
        RangeEndRole, // int: RangeEndFlag bits
        FailureRole, // QString: why the page cannot be drawn; empty when it can
        LabelRole, // QString: the page's label when the file gives it one
    };
    enum RangeEndFlag { NotAnEnd = 0, IsFirst = 1, IsLast = 2 };

    static constexpr qint64 kDefaultBudgetBytes = 64LL * 1024 * 1024;

    explicit CPageStripModel(qint64 nBudgetBytes = kDefaultBudgetBytes, QObject* pParent = nullptr);

    // Shows `nPages` pages of the file with identity `szFileKey` (empty: no file); its thumbnails come
    // from the cache where it has them. The range is cleared; every page counts as in it.
    void SetFile(const QString& szFileKey, int nPages);
    const QString& FileKey() const { return m_szFileKey; }
    // Pages `nBegin` to `nEnd` (1-based) are the range; an empty range (begin after end) dims all.
    void SetRange(int nBegin, int nEnd);
    int FirstInRange() const { return m_nBegin; }
    int LastInRange() const { return m_nEnd; }

    // Stores page `nPage`'s (0-based) thumbnail and label for file `szFileKey`; shown when that file
    // is the current one.
    void SetThumbnail(const QString& szFileKey, int nPage, const QImage& image, const QString& szLabel);
    // Page `nPage` of the current file cannot be drawn; -1: no page of it can.
    void SetFailure(int nPage, const QString& szReason);
    // True when page `nPage` of the current file has neither a thumbnail nor a failure.
    bool NeedsDrawing(int nPage) const;
    qint64 CachedBytes() const { return m_cache.totalCost(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;

private:
    struct Thumbnail
    {
        QImage image;
        QString szLabel;
    };
    static QString CacheKey(const QString& szFileKey, int nPage);
    void PagesChanged(int nFirst, int nLast);

    QCache<QString, Thumbnail> m_cache;
    QString m_szFileKey;
    int m_nPages = 0;
    int m_nBegin = 1;
    int m_nEnd = 0;
    bool m_bRange = false;
    QHash<int, QString> m_failures; // of the current file
    QString m_szFileFailure; // every page of the current file
};
