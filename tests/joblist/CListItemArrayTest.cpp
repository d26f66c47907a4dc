// SPDX-License-Identifier: Apache-2.0
#include "joblist/CListItemArray.h"

#include "joblist/JobRows.h"

#include <gtest/gtest.h>

#include <sstream>
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

// One record per blank-separated name: Items("a b c").
CListItemArray Items(const std::string& names)
{
    CListItemArray items;
    std::istringstream in(names);
    for (std::string name; in >> name;)
        items.Add(Item(name));
    return items;
}

// "a b c" for the records' names in list order.
std::string Names(const CListItemArray& items)
{
    std::string text;
    for (std::int32_t i = 0; i < items.GetCount(); ++i)
        text += (i ? " " : "") + items.GetAt(i).szBookmark;
    return text;
}

// A job row in one line: "[x] /docs/a.pdf 10 '1' '10' a".
std::string Describe(const quire::JobRow& row)
{
    return std::string(row.bChecked ? "[x] " : "[ ] ") + row.szFilePath + " " + row.szPages + " '" + row.szBeginPage
        + "' '" + row.szEndPage + "' " + row.szBookmark;
}

} // namespace

TEST(CListItemArrayTest, MoveTakesARecordToItsNewPlaceOrChangesNothing)
{
    const struct
    {
        const char* list;
        std::int32_t from;
        std::int32_t to;
        const char* after; // empty: Move refuses
    } cases[] = {
        {"a b c", 2, 1, "a c b"}, // Move Up from the last row
        {"a b c", 0, 1, "b a c"}, // Move Down from the first row
        {"a b c", 0, 2, "b c a"}, // the records between move towards the old place
        {"a b c", 1, 1, "a b c"}, // its own place
        {"a", 0, 0, "a"}, // the only record
        {"a b c", 0, -1, ""}, // Move Up from the first row
        {"a b c", 2, 3, ""}, // Move Down from the last row
        {"a b c", -1, 0, ""}, // no record to move
        {"a b c", 3, 2, ""}, // no record to move
        {"a", 0, 1, ""}, // the only record, down
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.list) + ": " + std::to_string(c.from) + " -> " + std::to_string(c.to));
        CListItemArray items = Items(c.list);
        const bool moved = *c.after != 0;
        EXPECT_EQ(items.Move(c.from, c.to), moved);
        EXPECT_EQ(Names(items), moved ? c.after : c.list);
    }
}

TEST(CListItemArrayTest, AccessOutsideTheArrayThrowsAndChangesNothing)
{
    CListItemArray items = Items("a b c");
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
    EXPECT_EQ(empty.Add(Item("y")), 1);
    EXPECT_EQ(Names(empty), "x y");
}

TEST(JobRowsTest, RowsCarryTheRecordsTextsVerbatimAndTheirCheckFlags)
{
    CListItemArray items = Items("a b c");
    ListItemData unchecked = items.GetAt(1);
    unchecked.bChecked = 0;
    unchecked.szBeginPage = "abc";
    unchecked.szEndPage = "";
    items.SetAt(1, unchecked);
    ListItemData odd = items.GetAt(2);
    odd.bChecked = 2; // anything but 0 takes part
    items.SetAt(2, odd);

    std::vector<std::string> rows;
    for (const quire::JobRow& row : quire::MakeJobRows(items))
        rows.push_back(Describe(row));
    EXPECT_EQ(rows,
              (std::vector<std::string> {"[x] /docs/a.pdf 10 '1' '10' a", "[ ] /docs/b.pdf 10 'abc' '' b",
                                         "[x] /docs/c.pdf 10 '1' '10' c"}));
    // The list cells' texts, given, stand in for the record's.
    EXPECT_EQ(Describe(quire::MakeJobRow(unchecked, "7", " 3", "5x")), "[ ] /docs/b.pdf 7 ' 3' '5x' b");
}

TEST(JobRowsTest, TakenRowsGetJobStateZeroAndNothingElseChanges)
{
    CListItemArray items = Items("a b c");
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
