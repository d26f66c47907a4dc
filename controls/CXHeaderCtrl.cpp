// SPDX-License-Identifier: Apache-2.0
#include "controls/CXHeaderCtrl.h"

#include <QMouseEvent>
#include <QPainter>

CXHeaderCtrl::CXHeaderCtrl(QWidget* pParent)
    : QHeaderView(Qt::Horizontal, pParent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setMouseTracking(true);
    GetColors();
}

CXHeaderCtrl::~CXHeaderCtrl() = default;

XHEADERCTRLDATA* CXHeaderCtrl::Record(int nCol) const
{
    if (nCol < 0 || nCol >= static_cast<int>(m_arrColumnData.size()))
        return nullptr;
    return m_arrColumnData[static_cast<size_t>(nCol)].get();
}

void CXHeaderCtrl::InsertColumn(int nCol, int nCheck)
{
    if (nCol < 0)
        return;
    if (nCol >= static_cast<int>(m_arrColumnData.size())) {
        // Grown in steps so that inserting columns one by one does not reallocate each time.
        const size_t nNewSize = static_cast<size_t>(nCol) + 10;
        while (m_arrColumnData.size() < nNewSize)
            m_arrColumnData.push_back(std::make_unique<XHEADERCTRLDATA>());
    }
    if (nCheck != CXCheckbox::NONE) {
        XHEADERCTRLDATA* pData = Record(nCol);
        pData->pCheckbox = std::make_unique<CXCheckbox>(this, nCheck);
        pData->nCheck = nCheck;
    }
}

void CXHeaderCtrl::SetCheck(int nCol, int nCheck)
{
    if (nCol < 0 || nCol >= count())
        return;
    if (!Record(nCol))
        InsertColumn(nCol, CXCheckbox::NONE);
    XHEADERCTRLDATA* pData = Record(nCol);
    pData->nCheck = nCheck;
    if (pData->pCheckbox)
        pData->pCheckbox->SetCheck(nCheck);
    UpdateItem(nCol);
}

int CXHeaderCtrl::GetCheck(int nCol) const
{
    const XHEADERCTRLDATA* pData = nCol < count() ? Record(nCol) : nullptr;
    return pData ? pData->nCheck : CXCheckbox::NONE;
}

void CXHeaderCtrl::UpdateItem(int nCol)
{
    if (nCol >= 0 && nCol < count())
        updateSection(nCol);
}

int CXHeaderCtrl::ColumnHitTest(const QPoint& point) const
{
    if (!viewport()->rect().contains(point))
        return -1;
    return logicalIndexAt(point);
}

bool CXHeaderCtrl::HasCheckbox(int nCol) const
{
    const XHEADERCTRLDATA* pData = nCol < count() ? Record(nCol) : nullptr;
    return pData && pData->pCheckbox && pData->pCheckbox->GetCheck() != CXCheckbox::NONE;
}

QRect CXHeaderCtrl::CheckboxRect(int nCol) const
{
    if (!HasCheckbox(nCol) || isSectionHidden(nCol))
        return QRect();
    const QRect item(sectionViewportPosition(nCol) + kSpacing, 0, sectionSize(nCol) - kSpacing, viewport()->height());
    if (item.width() <= 0)
        return QRect();
    return CXCheckbox::BoxRect(item);
}

void CXHeaderCtrl::SetColumnEnabled(int nCol, bool bEnabled)
{
    if (!Record(nCol))
        InsertColumn(nCol, CXCheckbox::NONE);
    if (XHEADERCTRLDATA* pData = Record(nCol))
        pData->bEnabled = bEnabled;
}

void CXHeaderCtrl::SetColumnTextColor(int nCol, const QColor& crText)
{
    if (!Record(nCol))
        InsertColumn(nCol, CXCheckbox::NONE);
    if (XHEADERCTRLDATA* pData = Record(nCol)) {
        pData->crText = crText;
        UpdateItem(nCol);
    }
}

void CXHeaderCtrl::paintSection(QPainter* pPainter, const QRect& rect, int nLogicalIndex) const
{
    if (rect.isValid())
        DrawItem(pPainter, nLogicalIndex, m_crText, m_crBackground, rect);
}

void CXHeaderCtrl::DrawItem(QPainter* pDC, int nCol, const QColor& crText, const QColor& crBackground, QRect rect) const
{
    QStyle* hTheme = m_theme.OpenThemeData(this, "Header");
    const int nState = nCol == m_nHotColumn ? CXThemeHelper::HIS_HOT : CXThemeHelper::HIS_NORMAL;
    if (!m_theme.DrawThemeBackground(hTheme, pDC, this, CXThemeHelper::HP_HEADERITEM, nState, rect, nullptr))
        pDC->fillRect(rect, crBackground);

    rect.setLeft(rect.left() + kSpacing);

    const XHEADERCTRLDATA* pData = Record(nCol);
    if (pData && pData->pCheckbox)
        rect.setLeft(rect.left() + pData->pCheckbox->Draw(pDC, rect));

    const QAbstractItemModel* pModel = model();
    if (!pModel || rect.width() <= kSpacing)
        return;
    const QString szCaption = pModel->headerData(nCol, Qt::Horizontal, Qt::DisplayRole).toString();
    if (szCaption.isEmpty())
        return;
    rect.setRight(rect.right() - kSpacing);

    const QVariant vAlign = pModel->headerData(nCol, Qt::Horizontal, Qt::TextAlignmentRole);
    Qt::Alignment nAlign = Qt::AlignLeft;
    if (vAlign.isValid()) {
        const Qt::Alignment nItemAlign = Qt::Alignment(vAlign.toInt()) & Qt::AlignHorizontal_Mask;
        if (nItemAlign & Qt::AlignHCenter)
            nAlign = Qt::AlignHCenter;
        else if (nItemAlign & Qt::AlignRight)
            nAlign = Qt::AlignRight;
    }

    pDC->setPen(pData && pData->crText.isValid() ? pData->crText : crText);
    const QString szShown = pDC->fontMetrics().elidedText(szCaption, Qt::ElideRight, rect.width());
    pDC->drawText(rect, int(nAlign | Qt::AlignVCenter | Qt::TextSingleLine), szShown);
}

void CXHeaderCtrl::mousePressEvent(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const int nCol = ColumnHitTest(point);
    if (XHEADERCTRLDATA* pData = Record(nCol)) {
        if (!m_bClicksEnabled || !pData->bEnabled) {
            pEvent->accept();
            return;
        }
        if (pData->pCheckbox && CheckboxRect(nCol).contains(point)) {
            pData->pCheckbox->SetPressed(true);
            UpdateItem(nCol);
        }
    }
    QHeaderView::mousePressEvent(pEvent);
}

void CXHeaderCtrl::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const int nCol = ColumnHitTest(point);
    XHEADERCTRLDATA* pData = Record(nCol);
    if (pData && pData->pCheckbox && CheckboxRect(nCol).contains(point)) {
        const bool bWasPressed = pData->pCheckbox->GetPressed();
        pData->pCheckbox->SetPressed(false);
        if (bWasPressed) {
            // The header holds the column's state; the list reads the new one when told.
            const int nNew = pData->nCheck == CXCheckbox::CHECKED ? CXCheckbox::UNCHECKED : CXCheckbox::CHECKED;
            pData->nCheck = nNew;
            pData->pCheckbox->SetCheck(nNew);
            emit checkboxClicked(nCol);
        }
        UpdateItem(nCol);
    }
    // A press on a box that ends anywhere else changes nothing.
    for (size_t i = 0; i < m_arrColumnData.size(); ++i) {
        CXCheckbox* pBox = m_arrColumnData[i]->pCheckbox.get();
        if (pBox && pBox->GetPressed()) {
            pBox->SetPressed(false);
            UpdateItem(static_cast<int>(i));
        }
    }
    QHeaderView::mouseReleaseEvent(pEvent);
}

void CXHeaderCtrl::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    // The second click of a double click is a press like the first, so quick clicks on a box
    // toggle it each time.
    QMouseEvent press(QEvent::MouseButtonPress, pEvent->position(), pEvent->scenePosition(), pEvent->globalPosition(),
                      pEvent->button(), pEvent->buttons(), pEvent->modifiers(), pEvent->pointingDevice());
    mousePressEvent(&press);
    pEvent->setAccepted(press.isAccepted());
}

void CXHeaderCtrl::mouseMoveEvent(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const int nCol = ColumnHitTest(point);
    SetHotColumn(m_theme.IsAppThemed() ? nCol : -1);
    if (Record(nCol))
        UpdateCheckboxHover(nCol, point);
    else
        ClearHotCheckbox();
    QHeaderView::mouseMoveEvent(pEvent);
}

void CXHeaderCtrl::leaveEvent(QEvent* pEvent)
{
    ClearHotCheckbox();
    SetHotColumn(-1);
    QHeaderView::leaveEvent(pEvent);
}

void CXHeaderCtrl::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::PaletteChange || pEvent->type() == QEvent::StyleChange) {
        GetColors();
        viewport()->update();
    }
    QHeaderView::changeEvent(pEvent);
}

void CXHeaderCtrl::UpdateCheckboxHover(int nCol, const QPoint& point)
{
    CXCheckbox* pBox = Record(nCol)->pCheckbox.get();
    if (!pBox || !CheckboxRect(nCol).contains(point)) {
        ClearHotCheckbox();
        return;
    }
    if (m_nHotCheckboxColumn != nCol)
        ClearHotCheckbox();
    m_nHotCheckboxColumn = nCol;
    if (!pBox->GetHot()) {
        pBox->SetHot(true);
        UpdateItem(nCol);
    }
}

void CXHeaderCtrl::ClearHotCheckbox()
{
    if (m_nHotCheckboxColumn < 0)
        return;
    if (XHEADERCTRLDATA* pData = Record(m_nHotCheckboxColumn); pData && pData->pCheckbox) {
        pData->pCheckbox->SetHot(false);
        pData->pCheckbox->SetPressed(false);
        UpdateItem(m_nHotCheckboxColumn);
    }
    m_nHotCheckboxColumn = -1;
}

void CXHeaderCtrl::SetHotColumn(int nCol)
{
    if (nCol == m_nHotColumn)
        return;
    m_nHotColumn = nCol;
    viewport()->update();
}

void CXHeaderCtrl::GetColors()
{
    // NOTE: both colours are read again on every palette change because a caption colour kept from
    // the look the header was built in (white of a dark look) stays unreadable on the next look's fill.
    m_crText = palette().color(QPalette::Active, QPalette::ButtonText);
    m_crBackground = palette().color(QPalette::Active, QPalette::Button);
}
