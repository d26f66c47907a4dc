// SPDX-License-Identifier: Apache-2.0
#include "joblist/CListItemArray.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

void CheckIndex(std::int32_t nIndex, std::int32_t nLimit, const char* szOperation)
{
    if (nIndex < 0 || nIndex >= nLimit)
        throw std::out_of_range(std::string("CListItemArray::") + szOperation + ": index " + std::to_string(nIndex)
                                + " outside [0, " + std::to_string(nLimit) + ")");
}

} // namespace

std::int32_t CListItemArray::Add(const ListItemData& item)
{
    m_items.push_back(item);
    return GetCount() - 1;
}

void CListItemArray::RemoveAt(std::int32_t nIndex)
{
    CheckIndex(nIndex, GetCount(), "RemoveAt");
    m_items.erase(m_items.begin() + nIndex);
}

void CListItemArray::InsertAt(std::int32_t nIndex, const ListItemData& item)
{
    // One past the last record is a valid place: it appends.
    CheckIndex(nIndex, GetCount() + 1, "InsertAt");
    m_items.insert(m_items.begin() + nIndex, item);
}

bool CListItemArray::Move(std::int32_t nFrom, std::int32_t nTo)
{
    if (nFrom < 0 || nTo < 0 || nFrom >= GetCount() || nTo >= GetCount())
        return false;
    const auto from = m_items.begin() + nFrom;
    const auto to = m_items.begin() + nTo;
    if (nFrom < nTo)
        std::rotate(from, from + 1, to + 1);
    else
        std::rotate(to, from, from + 1);
    return true;
}

const ListItemData& CListItemArray::GetAt(std::int32_t nIndex) const
{
    CheckIndex(nIndex, GetCount(), "GetAt");
    return m_items[static_cast<std::size_t>(nIndex)];
}

void CListItemArray::SetAt(std::int32_t nIndex, const ListItemData& item)
{
    CheckIndex(nIndex, GetCount(), "SetAt");
    m_items[static_cast<std::size_t>(nIndex)] = item;
}
