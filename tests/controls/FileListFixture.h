// SPDX-License-Identifier: Apache-2.0
#pragma once

// What the tests of the controls share: reading what a widget drew, and a CXListCtrl laid out as
// the application's file list, shown in an active window beside a second focusable widget, with its
// model checked after every change: column 0 a check box with a header check box, then "File Name",
// "Pages", "Begin Page", "End Page" and "Bookmark", the last three edit cells.

#include "controls/CXListCtrl.h"
#include "controls/CXListCtrlModel.h"
#include "controls/CXThemeHelper.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace controls_test {

// What `pWidget` draws now.
inline QImage Grab(QWidget* pWidget)
{
    return pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel of `area` for which `test(colour)` holds; null when none.
template<class Test> QRect Bounds(const QImage& image, const QRect& area, Test test)
{
    QRect bounds;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            bounds |= test(image.pixelColor(x, y)) ? QRect(x, y, 1, 1) : QRect();
    return bounds;
}

// The pixels of `area` that differ clearly from `background` (text, lines).
inline QRect InkBounds(const QImage& image, const QRect& area, const QColor& bg)
{
    return Bounds(image, area, [&bg](const QColor& c) {
        return std::abs(c.red() - bg.red()) + std::abs(c.green() - bg.green()) + std::abs(c.blue() - bg.blue()) > 90;
    });
}

// The pixels of `area`, one every `step`, as the characters `legend` gives their colours ('?' for
// any other), a '\n' before each row but the first.
using Legend = std::vector<std::pair<QColor, char>>;
inline std::string Picture(const QImage& image, const QRect& area, const Legend& legend, QSize step = {1, 1})
{
    std::string picture;
    for (int y = area.top(); y <= area.bottom(); y += step.height()) {
        picture += y == area.top() ? "" : "\n";
        for (int x = area.left(); x <= area.right(); x += step.width()) {
            picture += '?';
            for (const auto& [colour, c] : legend)
                picture.back() = colour == image.pixelColor(x, y) ? c : picture.back();
        }
    }
    return picture;
}

class FileListFixture : public ::testing::Test
{
protected:
    enum { COL_CHECK, COL_NAME, COL_PAGES, COL_BEGIN, COL_END, COL_BOOKMARK };

    void SetUp() override
    {
        CXThemeHelper::SetClassicLook(true);
        m_window.resize(560, 320);
        m_list.resize(560, 260);
        m_pOther->setGeometry(0, 280, 200, 24);
        m_list.InsertColumn(COL_CHECK, QString(), Qt::AlignHCenter, 30, 1);
        m_list.InsertColumn(COL_NAME, QStringLiteral("File Name"), Qt::AlignLeft, 150);
        m_list.InsertColumn(COL_PAGES, QStringLiteral("Pages"), Qt::AlignHCenter, 60);
        m_list.InsertColumn(COL_BEGIN, QStringLiteral("Begin Page"), Qt::AlignHCenter, 80);
        m_list.InsertColumn(COL_END, QStringLiteral("End Page"), Qt::AlignHCenter, 80);
        m_list.InsertColumn(COL_BOOKMARK, QStringLiteral("Bookmark"), Qt::AlignLeft, 140);
        m_list.SetNoItemsMessage(QStringLiteral("Please Add PDF Files to Convert."));
        m_list.SetNoItemsMessageColor(Qt::black);
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        m_list.setFocus();
    }
    void TearDown() override { CXThemeHelper::SetClassicLook(false); }

    // Appends a row the way the file list does: a check box, then the texts of columns 1 to 5, each
    // its own tooltip.
    int AddRow(bool bChecked, const QStringList& texts)
    {
        const int n = m_list.InsertItem(m_list.GetItemCount(), QStringLiteral(" "));
        m_list.SetItemToolTipText(n, COL_CHECK, QStringLiteral(" "));
        m_list.SetCheckbox(n, COL_CHECK, bChecked ? 2 : 1);
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
            AddRow(bChecked, {QString("file%1.pdf").arg(i), "10", "1", "10", QString("Chapter %1").arg(i)});
    }

    // A cell in viewport coordinates, and in list coordinates for reading grabbed images of the list.
    QRect CellRect(int nItem, int nSubItem) const { return m_list.visualRect(m_list.model()->index(nItem, nSubItem)); }
    QRect Cell(int nItem, int nSubItem) const { return CellRect(nItem, nSubItem).translated(InList(QPoint())); }
    QPoint InList(const QPoint& viewportPoint) const { return m_list.viewport()->mapTo(&m_list, viewportPoint); }

    QColor Palette(QPalette::ColorRole role) const { return m_list.palette().color(QPalette::Active, role); }

    QWidget m_window;
    CXListCtrl m_list {&m_window};
    QLineEdit* m_pOther = new QLineEdit(&m_window);
    QAbstractItemModelTester m_modelTester {m_list.GetCellModel(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal};
};

} // namespace controls_test

// gtest prints QColor as a name.
inline void PrintTo(const QColor& colour, std::ostream* pOut)
{
    *pOut << colour.name().toStdString();
}
