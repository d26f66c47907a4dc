// SPDX-License-Identifier: Apache-2.0
#include "joblist/JobRows.h"

namespace quire {

JobRow MakeJobRow(const ListItemData& item, const std::string& szPages, const std::string& szBeginPage,
                  const std::string& szEndPage)
{
    JobRow row;
    row.szFilePath = item.szFilePath;
    row.bChecked = item.bChecked != 0;
    row.szBookmark = item.szBookmark;
    row.szPages = szPages;
    row.szBeginPage = szBeginPage;
    row.szEndPage = szEndPage;
    row.szPassword = item.szPassword.Get();
    return row;
}

std::vector<JobRow> MakeJobRows(const CListItemArray& items)
{
    std::vector<JobRow> rows;
    rows.reserve(static_cast<std::size_t>(items.GetCount()));
    for (std::int32_t i = 0; i < items.GetCount(); ++i) {
        const ListItemData& item = items.GetAt(i);
        rows.push_back(MakeJobRow(item, item.szPages, item.szBeginPage, item.szEndPage));
    }
    return rows;
}

void MarkRowsTaken(CListItemArray& items, const JobReport& report)
{
    for (const int nRow : report.rowsTaken) {
        if (nRow < 0 || nRow >= items.GetCount())
            continue;
        ListItemData item = items.GetAt(nRow);
        item.nJobState = 0;
        items.SetAt(nRow, item);
    }
}

} // namespace quire
