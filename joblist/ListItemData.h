// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/CSecretText.h"

#include <cstdint>
#include <string>

// One row of the job list. The page texts and the bookmark stay exactly as typed: only the jobs turn
// them into numbers. A plain value: default construction, copy, assignment and destruction, nothing else.
// A protected source's password lives here in memory only, for the jobs to open the file with; nothing
// writes it anywhere, and its bytes are overwritten when the record goes (CSecretText).
struct ListItemData
{
    std::string szFilePath; // full path of the source, as it was added
    std::string szFileName; // file name with extension
    std::string szPages; // page count in decimal
    std::string szBeginPage; // first page of the range, as typed ("1" when added)
    std::string szEndPage; // last page of the range, as typed (the page count when added)
    std::string szBookmark; // title of the bookmark made for a source without an outline; empty: none
    std::int32_t nReserved = 0;
    std::int32_t bChecked = 1; // 1: the row takes part in Merge and Split; 0: the jobs skip it
    std::int32_t nJobState = 0; // a job writes 0 here for every checked row it takes up
    bool bEncrypted = false; // the source is protected (it may still open without a password)
    CSecretText szPassword {}; // what opened it; empty when it opens without one

    bool operator==(const ListItemData&) const = default;
};
