// SPDX-License-Identifier: Apache-2.0
#pragma once

// A CXListCtrl laid out as the application's file list: column 0 a check box with a header check
// box, then "File Name", "Pages", "Begin Page", "End Page" and "Bookmark", the last three edit cells.

#include "controls/CXListCtrl.h"
#include "controls/CXThemeHelper.h"
#include "tests/controls/ControlPixels.h"

#include <QHeaderView>
#include <QStringList>

namespace controls_test {

class FileListFixture : public ::testing::Test
{
protected:
    enum { COL_CHECK, COL_NAME, COL_PAGES, COL_BEGIN, COL_END, COL_BOOKMARK };

    void SetUp() override
    {
        CXThemeHelper::SetClassicLook(true);
        m_list.resize(560, 260);
        m_list.InsertColumn(COL_CHECK, QString(), Qt::AlignHCenter, 30, 1);
        m_list.InsertColumn(COL_NAME, QStringLiteral("File Name"), Qt::AlignLeft, 150);
        m_list.InsertColumn(COL_PAGES, QStringLiteral("Pages"), Qt::AlignHCenter, 60);
        m_list.InsertColumn(COL_BEGIN, QStringLiteral("Begin Page"), Qt::AlignHCenter, 80);
        m_list.InsertColumn(COL_END, QStringLiteral("End Page"), Qt::AlignHCenter, 80);
        m_list.InsertColumn(COL_BOOKMARK, QStringLiteral("Bookmark"), Qt::AlignLeft, 140);
        m_list.SetNoItemsMessage(QStringLiteral("Please Add PDF Files to Convert."));
        m_list.SetNoItemsMessageColor(Qt::black);
    }
    void TearDown() override { CXThemeHelper::SetClassicLook(false); }

    // Appends a row the way the file list does.
    int AddRow(bool bChecked, const QString& szName, const QString& szPages, const QString& szBegin,
               const QString& szEnd, const QString& szBookmark)
    {
        const int n = m_list.InsertItem(m_list.GetItemCount(), QStringLiteral(" "));
        m_list.SetItemToolTipText(n, COL_CHECK, QStringLiteral(" "));
        m_list.SetCheckbox(n, COL_CHECK, bChecked ? 2 : 1);
        const QStringList texts {szName, szPages, szBegin, szEnd, szBookmark};
        for (int c = COL_NAME; c <= COL_BOOKMARK; ++c) {
            m_list.SetItemText(n, c, texts[c - 1]);
            m_list.SetItemToolTipText(n, c, texts[c - 1]);
        }
        for (int c = COL_BEGIN; c <= COL_BOOKMARK; ++c)
            m_list.SetEdit(n, c);
        return n;
    }

    void AddRows(int nCount, bool bChecked = true)
    {
        for (int i = 0; i < nCount; ++i)
            AddRow(bChecked, QStringLiteral("file%1.pdf").arg(i), QStringLiteral("10"), QStringLiteral("1"),
                   QStringLiteral("10"), QStringLiteral("Chapter %1").arg(i));
    }

    QRect CellRect(int nItem, int nSubItem) const { return m_list.visualRect(m_list.model()->index(nItem, nSubItem)); }

    // Viewport point to list point, for reading grabbed images of the whole list.
    QPoint InList(const QPoint& viewportPoint) const { return m_list.viewport()->mapTo(&m_list, viewportPoint); }

    void Click(const QPoint& viewportPoint, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(m_list.viewport(), button, {}, viewportPoint);
    }

    QColor Palette(QPalette::ColorRole role) const { return m_list.palette().color(QPalette::Active, role); }

    CXListCtrl m_list;
};

} // namespace controls_test
