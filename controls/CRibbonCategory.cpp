// SPDX-License-Identifier: Apache-2.0
#include "controls/CRibbonCategory.h"

#include "controls/CRibbonPanel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QResizeEvent>

CRibbonCategory::CRibbonCategory(const QString& szName, const QString& szKeyTip, QWidget* parent)
    : QWidget(parent)
    , m_szName(szName)
    , m_szKeyTip(szKeyTip)
{
    setObjectName(szName);
    m_pLayout = new QHBoxLayout(this);
    m_pLayout->setContentsMargins(2, 2, 2, 2);
    m_pLayout->setSpacing(0);
    m_pLayout->addStretch(1);
}

CRibbonPanel* CRibbonCategory::AddPanel(const QString& szName)
{
    // Panels go before the closing stretch, each followed by its dividing line.
    auto* pPanel = new CRibbonPanel(szName, this);
    auto* pLine = new QFrame(this);
    pLine->setFrameShape(QFrame::VLine);
    pLine->setFrameShadow(QFrame::Sunken);
    const int nAt = m_pLayout->count() - 1;
    m_pLayout->insertWidget(nAt, pPanel);
    m_pLayout->insertWidget(nAt + 1, pLine);
    m_panels.append(pPanel);
    return pPanel;
}

void CRibbonCategory::FitPanels(int nWidth)
{
    for (CRibbonPanel* pPanel : m_panels)
        pPanel->SetFit(CRibbonPanel::Fit::Full);
    // NOTE: in two rounds, so that the texts a panel keeps (its main commands) go only after every
    // other panel has given up the texts it can spare.
    for (const CRibbonPanel::Fit fit : {CRibbonPanel::Fit::Compact, CRibbonPanel::Fit::IconsOnly}) {
        for (qsizetype i = m_panels.size() - 1; i >= 0; --i) {
            m_pLayout->invalidate();
            if (m_pLayout->sizeHint().width() <= nWidth)
                return;
            m_panels[i]->SetFit(fit);
        }
    }
}

void CRibbonCategory::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    FitPanels(pEvent->size().width());
}
