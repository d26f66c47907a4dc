// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "engine/JobTypes.h"
#include "joblist/CListItemArray.h"

#include <string>
#include <vector>

namespace quire {

// The row a job takes for `item`: its path, bookmark, password and check flag (taking part when
// bChecked is not 0), with the page-count, begin-page and end-page texts given (the list cells' texts, which equal the
// record's after the rows were copied into the records). The texts are passed on verbatim: the jobs
// normalise them.
JobRow MakeJobRow(const ListItemData& item, const std::string& szPages, const std::string& szBeginPage,
                  const std::string& szEndPage);

// One job row per record, in list order, with the records' own page texts.
std::vector<JobRow> MakeJobRows(const CListItemArray& items);

// Writes 0 into nJobState of every record the job took up (report.rowsTaken, indices into the rows
// the job was given, which are the records' indices). Indices outside the array are ignored.
void MarkRowsTaken(CListItemArray& items, const JobReport& report);

} // namespace quire
