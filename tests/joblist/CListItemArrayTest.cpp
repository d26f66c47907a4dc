// SPDX-License-Identifier: Apache-2.0
#include "joblist/CListItemArray.h"

#include "joblist/JobRows.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <tuple>

namespace {

// One record per blank-separated name, as the intake makes it for a 10-page file: Items("a b c").
CListItemArray Items(const std::string& names)
{
    CListItemArray items;
    std::istringstream in(names);
    for (std::string name; in >> name;)
        items.Add({"/docs/" + name + ".pdf", name + ".pdf", "10", "1", "10", name, 0, 1, 5});
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

TEST(CListItemArrayTest, MoveTakesARecordToItsNewPlaceAndAnIndexOutsideTheArrayChangesNothing)
{
    // The list, from, to, and the list after the move; empty: Move refuses.
    const std::tuple<const char*, std::int32_t, std::int32_t, const char*> cases[] = {
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
    for (const auto& [list, from, to, after] : cases) {
        SCOPED_TRACE(std::string(list) + ": " + std::to_string(from) + " -> " + std::to_string(to));
        CListItemArray items = Items(list);
        EXPECT_EQ(items.Move(from, to), *after != 0);
        EXPECT_EQ(Names(items), *after ? after : list);
    }

    CListItemArray items = Items("a b c");
    const ListItemData x = Items("x").GetAt(0);
    for (const std::int32_t at : {-1, 3}) {
        EXPECT_THROW(items.GetAt(at), std::out_of_range);
        EXPECT_THROW(items.SetAt(at, x), std::out_of_range);
        EXPECT_THROW(items.RemoveAt(at), std::out_of_range);
        EXPECT_THROW(items.InsertAt(at < 0 ? at : at + 1, x), std::out_of_range);
    }
    EXPECT_EQ(Names(items), "a b c");
    // One past the last record is a place to insert at.
    items.InsertAt(3, x);
    EXPECT_EQ(Names(items), "a b c x");
}

TEST(JobRowsTest, RowsCarryTheRecordsTextsVerbatimAndTheirCheckFlagsAndTakenRowsGetJobStateZero)
{
    CListItemArray items = Items("a");
    items.Add({"/docs/b.pdf", "b.pdf", "10", "abc", "", "b", 0, 0, 5});
    items.Add({"/docs/c.pdf", "c.pdf", "10", "1", "10", "c", 0, 2, 5}); // anything but 0 takes part

    std::vector<std::string> rows;
    for (const quire::JobRow& row : quire::MakeJobRows(items))
        rows.push_back(Describe(row));
    EXPECT_EQ(rows,
              (std::vector<std::string> {"[x] /docs/a.pdf 10 '1' '10' a", "[ ] /docs/b.pdf 10 'abc' '' b",
                                         "[x] /docs/c.pdf 10 '1' '10' c"}));
    // The list cells' texts, given, stand in for the record's.
    EXPECT_EQ(Describe(quire::MakeJobRow(items.GetAt(1), "7", " 3", "5x")), "[ ] /docs/b.pdf 7 ' 3' '5x' b");

    // Rows the job did not take, and rows it names that the list does not have, are left alone.
    ListItemData taken = items.GetAt(2);
    taken.nJobState = 0;
    quire::JobReport report;
    report.rowsTaken = {0, 2, 7};
    quire::MarkRowsTaken(items, report);
    EXPECT_EQ(std::tuple(items.GetAt(0).nJobState, items.GetAt(1).nJobState), std::tuple(0, 5));
    EXPECT_EQ(items.GetAt(2), taken);
}
