// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QWidget>

class CPageRenderer;
class CPageStrip;
class CPageStripModel;
class QImage;
class QLabel;
class QTimer;

// The preview beside the file list: a line naming the file and its range, and the strip of its page
// thumbnails (CPageStrip). The pages in view are drawn first, then those around them, by a
// CPageRenderer; moving to another file drops the pages still waiting for the one before, and a
// thumbnail of another file is never shown. Picking pages in the strip is passed on through
// beginPicked() and endPicked(); the range itself comes back through SetRange().
class CPreviewPane : public QWidget
{
    Q_OBJECT

public:
    // What the pane shows of one row.
    struct Row
    {
        QString szPath; // empty: no row
        QString szPassword;
        int nPages = 0;
        int nBegin = 1; // the row's range, 1-based, as the jobs read it
        int nEnd = 0;
    };

    // Pages drawn beyond the ones in view, on either side.
    static constexpr int kPagesAround = 24;

    CPreviewPane(CPageRenderer& renderer, qint64 nBudgetBytes, QWidget* pParent = nullptr);

    // Shows `row`: another file's pages (scrolled to the range's first page), or the same file's with
    // another range, in place.
    void ShowRow(const Row& row);
    // The range as it is being typed, before the row has it.
    void SetRange(int nBegin, int nEnd);

    CPageStrip* Strip() const { return m_pStrip; }
    CPageStripModel* Model() const { return m_pModel; }

signals:
    void beginPicked(int nPage);
    void endPicked(int nPage);

private:
    // Asks the renderer for the pages worth drawing now that are not drawn yet.
    void RequestPages();
    void OnPageRendered(const QString& szPath, int nPage, const QImage& image, const QString& szLabel);
    void OnPageFailed(const QString& szPath, int nPage, const QString& szReason);
    void OnFileUnpreviewable(const QString& szPath, const QString& szReason);
    void UpdateHeading();

    CPageRenderer& m_renderer;
    CPageStripModel* m_pModel = nullptr;
    CPageStrip* m_pStrip = nullptr;
    QLabel* m_pHeading = nullptr;
    QTimer* m_pRequestTimer = nullptr;
    Row m_row;
    QString m_szUnpreviewable; // why the current file cannot be previewed at all
};
