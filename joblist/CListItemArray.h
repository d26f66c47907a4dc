// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/ListItemData.h"

#include <cstdint>
#include <vector>

// The job list: an ordered, 0-based, growable array of records held by value. The same path may occur
// in any number of records. Every access with an index outside the valid range throws
// std::out_of_range and leaves the array unchanged.
//
// These are the only changes the program makes: append (adding a file), remove at an index (Remove),
// remove all (Remove All), and move a record to another place (Move Up, Move Down); records are read
// by index and assigned by index (rows-to-records copy, a job resetting nJobState).
class CListItemArray
{
public:
    std::int32_t GetCount() const { return static_cast<std::int32_t>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }

    // Appends `item` at index GetCount() and returns that index.
    std::int32_t Add(const ListItemData& item);
    // Removes the record at `nIndex`; later records move up by one. Valid: [0, GetCount()).
    void RemoveAt(std::int32_t nIndex);
    // Inserts `item` before the record at `nIndex`; GetCount() appends. Valid: [0, GetCount()].
    void InsertAt(std::int32_t nIndex, const ListItemData& item);

    // Takes the record at `nFrom` out and inserts it so that it ends up at `nTo`; the records between
    // move by one place towards `nFrom`. Returns false and changes nothing when either index is
    // outside [0, GetCount()); unlike the other calls it does not throw.
    bool Move(std::int32_t nFrom, std::int32_t nTo);

    // Valid: [0, GetCount()).
    const ListItemData& GetAt(std::int32_t nIndex) const;
    void SetAt(std::int32_t nIndex, const ListItemData& item);

private:
    std::vector<ListItemData> m_items;
};
