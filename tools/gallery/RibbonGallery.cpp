// SPDX-License-Identifier: Apache-2.0
#include "tools/gallery/RibbonGallery.h"

#include "controls/CRibbonBar.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"

#include <QAction>
#include <QGroupBox>
#include <QIcon>
#include <QMenu>
#include <QVBoxLayout>

namespace {

QIcon Icon(const char* szName)
{
    return QIcon(QStringLiteral(QUIRE_SOURCE_DIR "/res/icons/") + QLatin1String(szName) + QStringLiteral(".svg"));
}

QAction* Action(QObject* pOwner, const QString& szText, const char* szIcon = nullptr, bool bCheckable = false)
{
    auto* pAction = new QAction(szText, pOwner);
    if (szIcon)
        pAction->setIcon(Icon(szIcon));
    pAction->setCheckable(bCheckable);
    pAction->setChecked(bCheckable);
    return pAction;
}

} // namespace

QGroupBox* RibbonGallery()
{
    auto* pGroup = new QGroupBox(QStringLiteral("CRibbonBar, CRibbonCategory, CRibbonPanel"));
    auto* pLayout = new QVBoxLayout(pGroup);
    auto* pRibbon = new CRibbonBar;
    pRibbon->SetApplicationButton(Icon("main"), QStringLiteral("F"), QStringLiteral("Quire Binder"), 45);

    CRibbonPanel* pFile = pRibbon->AddCategory(QStringLiteral("Home"), QStringLiteral("H"))->AddPanel("File");
    pFile->AddButton(Action(pRibbon, QStringLiteral("Add PDF Files"), "add-files"), QStringLiteral("O"));
    pFile->AddSeparator();
    pFile->AddButton(Action(pRibbon, QStringLiteral("Move Up"), "move-up"), QStringLiteral("U"));
    QAction* pDown = Action(pRibbon, QStringLiteral("Move Down"), "move-down");
    pDown->setEnabled(false);
    pFile->AddButton(pDown, QStringLiteral("D"));

    CRibbonPanel* pJobs = pRibbon->Category(0)->AddPanel(QStringLiteral("Merge & Split"));
    pJobs->AddButton(Action(pRibbon, QStringLiteral("Merge"), "merge"), QStringLiteral("M"));
    pJobs->AddButton(Action(pRibbon, QStringLiteral("Split"), "split"), QStringLiteral("P"));

    CRibbonPanel* pOptions = pRibbon->Category(0)->AddPanel(QStringLiteral("Options"));
    pOptions->AddCheckBox(Action(pRibbon, QStringLiteral("Auto Open"), nullptr, true), QStringLiteral("E"));
    pOptions->AddCheckBox(Action(pRibbon, QStringLiteral("Auto Backup"), nullptr, true), QStringLiteral("B"));
    pOptions->BeginGroup();
    pOptions->AddGroupLabel(QStringLiteral("Merge Output: "));
    pOptions->AddGroupEdit(Action(pRibbon, QString()), 120);
    pOptions->AddGroupButton(Action(pRibbon, QStringLiteral("..."), "document"), QStringLiteral("T"));

    CRibbonPanel* pHelp = pRibbon->AddCategory(QStringLiteral("Help"), QStringLiteral("E"))->AddPanel("Help");
    pHelp->AddButton(Action(pRibbon, QStringLiteral("Online Help"), "online-help"), QStringLiteral("O"));

    auto* pStyleMenu = new QMenu(pRibbon);
    pStyleMenu->addAction(QStringLiteral("Office 2007 (Blue Style)"));
    pStyleMenu->addAction(QStringLiteral("Windows 7"));
    pRibbon->AddToTabs(Action(pRibbon, QStringLiteral("Style")), QStringLiteral("S"), pStyleMenu);

    pLayout->addWidget(pRibbon);
    return pGroup;
}
