// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "controls/CXCheckbox.h"

#include <QColor>
#include <QHeaderView>

#include <memory>
#include <vector>

// What the header keeps for one column.
struct XHEADERCTRLDATA
{
    virtual ~XHEADERCTRLDATA() = default;

    // The column's header check box, or none.
    std::unique_ptr<CXCheckbox> pCheckbox;
    // Caption colour of this column; invalid = the header's text colour.
    QColor crText;
    // When false, presses on this column are swallowed.
    bool bEnabled = true;
    // The column's check state (0 none, 1 unchecked, 2 checked, 3 partial), mirrored in the check box.
    int nCheck = CXCheckbox::NONE;
};

// The horizontal header of CXListCtrl. It draws every item itself: the background (the style's
// header section with hot tracking when the application is themed, a flat button-face fill in
// the classic look), an optional check box 5 pixels in from the item's left edge, and the caption
// after it (single line, vertically centred, ending in "..." when too long; aligned as the model's
// TextAlignmentRole says).
//
// A press and release on a column's check box sets it (checked when it was unchecked or partial,
// unchecked when it was checked) and emits checkboxClicked(column) once; the owning list applies
// it to the column's cells.
//
// Colours follow the palette: a change of palette or style (a look switched at run time) repaints
// captions and fills in the new colours.
class CXHeaderCtrl : public QHeaderView
{
    Q_OBJECT

public:
    explicit CXHeaderCtrl(QWidget* pParent = nullptr);
    ~CXHeaderCtrl() override;

    // Pixels left free at the left of every item and at the right of its caption.
    static constexpr int kSpacing = 5;

    // Makes sure column `nCol` has a record and, when `nCheck` is not NONE, gives it a new check
    // box in that state.
    void InsertColumn(int nCol, int nCheck);
    // Stores the check state of `nCol`; ignored unless 0 <= nCol < count().
    void SetCheck(int nCol, int nCheck);
    // The check state of `nCol`; NONE outside the columns.
    int GetCheck(int nCol) const;
    // Repaints the item of `nCol`.
    void UpdateItem(int nCol);
    // The column whose item contains `point` (viewport coordinates), or -1.
    int ColumnHitTest(const QPoint& point) const;
    // Whether column `nCol` has a check box in the header (state 1, 2 or 3).
    bool HasCheckbox(int nCol) const;
    // Where the check box of `nCol` is drawn (viewport coordinates); empty without a box or room.
    QRect CheckboxRect(int nCol) const;

    // Presses on all columns, or on one, are swallowed while disabled.
    void EnableClicks(bool bEnable) { m_bClicksEnabled = bEnable; }
    void SetColumnEnabled(int nCol, bool bEnabled);
    // Caption colour of one column; an invalid colour returns it to the header's.
    void SetColumnTextColor(int nCol, const QColor& crText);

    // The column under the pointer while the application is themed, or -1.
    int GetHotColumn() const { return m_nHotColumn; }

signals:
    void checkboxClicked(int nCol);

protected:
    void paintSection(QPainter* pPainter, const QRect& rect, int nLogicalIndex) const override;
    // Draws one item; the only drawing a subclass may replace.
    virtual void DrawItem(QPainter* pDC, int nCol, const QColor& crText, const QColor& crBackground, QRect rect) const;

    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    XHEADERCTRLDATA* Record(int nCol) const;
    void UpdateCheckboxHover(int nCol, const QPoint& point);
    void ClearHotCheckbox();
    void SetHotColumn(int nCol);
    void GetColors();

    std::vector<std::unique_ptr<XHEADERCTRLDATA>> m_arrColumnData;
    CXThemeHelper m_theme;
    int m_nHotColumn = -1;
    int m_nHotCheckboxColumn = -1;
    bool m_bClicksEnabled = true;
    QColor m_crText;
    QColor m_crBackground;
};
