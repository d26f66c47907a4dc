// SPDX-License-Identifier: Apache-2.0
#include "tools/gallery/ListCtrlGallery.h"

#include "controls/CXListCtrl.h"
#include "controls/CXThemeHelper.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

CXListCtrl* FileList()
{
    auto* pList = new CXListCtrl;
    const char* const headings[6] = {"", "File Name", "Pages", "Begin Page", "End Page", "Bookmark"};
    const int widths[6] = {24, 140, 50, 70, 70, 120};
    for (int c = 0; c < 6; ++c)
        pList->InsertColumn(c, QString::fromLatin1(headings[c]), c == 1 || c == 5 ? Qt::AlignLeft : Qt::AlignHCenter,
                            widths[c], c == 0 ? 1 : 0);
    pList->SetNoItemsMessage(QStringLiteral("Please Add PDF Files to Convert."));
    pList->SetNoItemsMessageColor(Qt::black);
    pList->setMinimumSize(490, 130);
    return pList;
}

} // namespace

QGroupBox* ListControlsGallery()
{
    auto* pGroup = new QGroupBox(QStringLiteral("CXListCtrl, CXHeaderCtrl, CXCheckbox"));
    auto* pLayout = new QVBoxLayout(pGroup);

    CXListCtrl* pFull = FileList();
    const struct
    {
        bool bChecked;
        const char* szName;
        const char* szPages;
        const char* szBookmark;
    } rows[] = {
        {true, "report.pdf", "12", "Quarterly report"},
        {false, "appendix.pdf", "4", "Appendix"},
        {true, "a-file-with-a-rather-long-name.pdf", "230", "A bookmark title too long for its column"},
    };
    for (const auto& row : rows) {
        const int n = pFull->InsertItem(pFull->GetItemCount(), QStringLiteral(" "));
        pFull->SetCheckbox(n, 0, row.bChecked ? 2 : 1);
        const QString texts[5]
            = {QString::fromLatin1(row.szName), QString::fromLatin1(row.szPages), QStringLiteral("1"),
               QString::fromLatin1(row.szPages), QString::fromLatin1(row.szBookmark)};
        for (int c = 1; c <= 5; ++c) {
            pFull->SetItemText(n, c, texts[c - 1]);
            pFull->SetItemToolTipText(n, c, texts[c - 1]);
        }
        for (int c = 3; c <= 5; ++c)
            pFull->SetEdit(n, c);
    }
    pFull->SetCurSel(1);
    pLayout->addWidget(pFull);

    // The empty list as it shows while files are dragged over it.
    CXListCtrl* pEmpty = FileList();
    pEmpty->SetDropHighlight(true);
    pLayout->addWidget(pEmpty);

    auto* pClassic = new QCheckBox(QStringLiteral("Classic look"));
    pClassic->setChecked(CXThemeHelper::IsClassicLook());
    QObject::connect(pClassic, &QCheckBox::toggled, pGroup, [pGroup](bool bClassic) {
        CXThemeHelper::SetClassicLook(bClassic);
        pGroup->window()->update();
        for (QWidget* pChild : pGroup->findChildren<QWidget*>())
            pChild->update();
    });
    pLayout->addWidget(pClassic);
    return pGroup;
}
