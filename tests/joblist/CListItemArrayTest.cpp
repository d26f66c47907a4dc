// SPDX-License-Identifier: Apache-2.0
#include "joblist/CListItemArray.h"

#include "joblist/JobRows.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

ListItemData Item(const std::string& szName)
{
    ListItemData item;
    item.szFilePath = "/docs/" + szName + ".pdf";
    item.szFileName = szName + ".pdf";
    item.szPages = "10";
    item.szBeginPage = "1";
    item.szEndPage = "10";
    item.szBookmark = szName;
    return item;
}

// "a b c" for the file titles in list order.
std::string Names(const CListItemArray& items)
{
    std::string text;
    for (std::int32_t i = 0; i < items.GetCount(); ++i)
        text += (i ? " " : "") + items.GetAt(i).szBookmark;
    return text;
}

// Move Up as the view performs it: copy, remove, insert one place earlier.
void MoveUp(CListItemArray& items, std::int32_t i)
{
    const ListItemData copy = items.GetAt(i);
    items.RemoveAt(i);
    items.InsertAt(i - 1, copy);
}

void MoveDown(CListItemArray& items, std::int32_t i)
{
    const ListItemData copy = items.GetAt(i);
    items.RemoveAt(i);
    items.InsertAt(i + 1, copy);
}

CListItemArray ThreeItems()
{
    CListItemArray items;
    items.Add(Item("a"));
    items.Add(Item("b"));
    items.Add(Item("c"));
    return items;
}

} // namespace

TEST(CListItemArrayTest, AppendsRemovesAndKeepsOrder)
{
    CListItemArray items = ThreeItems();
    EXPECT_EQ(items.Add(Item("d")), 3);
    EXPECT_EQ(Names(items), "a b c d");

    items.RemoveAt(1);
    EXPECT_EQ(Names(items), "a c d");
    items.RemoveAt(2);
    EXPECT_EQ(Names(items), "a c");

    // The same file added twice gives two records: editing one leaves the other as it was.
    EXPECT_EQ(items.Add(items.GetAt(0)), 2);
    ListItemData changed = items.GetAt(2);
    changed.szEndPage = "abc";
    items.SetAt(2, changed);
    EXPECT_EQ(items.GetAt(0).szEndPage, "10");
    EXPECT_EQ(items.GetAt(2).szEndPage, "abc");

    items.RemoveAll();
    EXPECT_EQ(items.GetCount(), 0);
    EXPECT_TRUE(items.IsEmpty());
}

TEST(CListItemArrayTest, MoveUpAndDownExchangeNeighboursWithTheirEdits)
{
    CListItemArray items = ThreeItems();
    ListItemData edited = items.GetAt(2);
    edited.szBeginPage = " 3";
    edited.bChecked = 0;
    items.SetAt(2, edited);

    MoveUp(items, 2);
    EXPECT_EQ(Names(items), "a c b");
    EXPECT_EQ(items.GetAt(1), edited);

    MoveDown(items, 0);
    EXPECT_EQ(Names(items), "c a b");
    MoveDown(items, 1); // into the last place: insertion at the count appends
    EXPECT_EQ(Names(items), "c b a");
    EXPECT_EQ(items.GetAt(0).szBeginPage, " 3");
    EXPECT_EQ(items.GetAt(0).bChecked, 0);
}

TEST(CListItemArrayTest, AccessOutsideTheArrayThrowsAndChangesNothing)
{
    CListItemArray items = ThreeItems();
    EXPECT_THROW(items.GetAt(3), std::out_of_range);
    EXPECT_THROW(items.GetAt(-1), std::out_of_range);
    EXPECT_THROW(items.SetAt(3, Item("x")), std::out_of_range);
    EXPECT_THROW(items.RemoveAt(3), std::out_of_range);
    EXPECT_THROW(items.RemoveAt(-1), std::out_of_range);
    EXPECT_THROW(items.InsertAt(4, Item("x")), std::out_of_range);
    EXPECT_THROW(items.InsertAt(-1, Item("x")), std::out_of_range);
    EXPECT_EQ(Names(items), "a b c");

    CListItemArray empty;
    EXPECT_THROW(empty.GetAt(0), std::out_of_range);
    empty.InsertAt(0, Item("x"));
    EXPECT_EQ(Names(empty), "x");
}

TEST(JobRowsTest, RowsCarryTheRecordsTextsVerbatimAndTheirCheckFlags)
{
    CListItemArray items = ThreeItems();
    ListItemData second = items.GetAt(1);
    second.bChecked = 0;
    second.szBeginPage = "abc";
    second.szEndPage = "";
    items.SetAt(1, second);

    const std::vector<quire::JobRow> rows = quire::MakeJobRows(items);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].szFilePath, "/docs/a.pdf");
    EXPECT_TRUE(rows[0].bChecked);
    EXPECT_EQ(rows[0].szBookmark, "a");
    EXPECT_EQ(rows[0].szPages, "10");
    EXPECT_FALSE(rows[1].bChecked);
    EXPECT_EQ(rows[1].szBeginPage, "abc");
    EXPECT_EQ(rows[1].szEndPage, "");

    // A flag other than 0 and 1 still means "takes part".
    second.bChecked = 2;
    EXPECT_TRUE(quire::MakeJobRow(second, "7", " 3", "5x").bChecked);
    EXPECT_EQ(quire::MakeJobRow(second, "7", " 3", "5x").szBeginPage, " 3");
}

TEST(JobRowsTest, TakenRowsGetJobStateZeroAndNothingElseChanges)
{
    CListItemArray items = ThreeItems();
    for (std::int32_t i = 0; i < items.GetCount(); ++i) {
        ListItemData item = items.GetAt(i);
        item.nJobState = 5;
        items.SetAt(i, item);
    }
    quire::JobReport report;
    report.rowsTaken = {0, 2, 7};
    quire::MarkRowsTaken(items, report);
    EXPECT_EQ(items.GetAt(0).nJobState, 0);
    EXPECT_EQ(items.GetAt(1).nJobState, 5);
    EXPECT_EQ(items.GetAt(2).nJobState, 0);
    EXPECT_EQ(items.GetAt(2).szBookmark, "c");
}
