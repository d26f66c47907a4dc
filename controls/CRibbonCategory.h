// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QList>
#include <QWidget>

class CRibbonPanel;
class QHBoxLayout;

// One tab of the ribbon: its panels side by side, separated by vertical lines, left-aligned.
class CRibbonCategory : public QWidget
{
    Q_OBJECT

public:
    CRibbonCategory(const QString& szName, const QString& szKeyTip, QWidget* parent = nullptr);

    QString Name() const { return m_szName; }
    QString KeyTip() const { return m_szKeyTip; }

    CRibbonPanel* AddPanel(const QString& szName);
    const QList<CRibbonPanel*>& Panels() const { return m_panels; }

    // Makes panels compact, from the rightmost leftwards, until the category fits `nWidth`; when all
    // compact is still too wide, makes them show icons only, again from the right. Panels not needed
    // smaller show in full. Runs on every resize.
    void FitPanels(int nWidth);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    QString m_szName;
    QString m_szKeyTip;
    QHBoxLayout* m_pLayout = nullptr;
    QList<CRibbonPanel*> m_panels;
};
