// SPDX-License-Identifier: Apache-2.0
#include "engine/PageRange.h"
#include "engine/RowRules.h"

#include <gtest/gtest.h>

#include <climits>

using quire::JobRow;
using quire::PageRange;
using quire::RowRules;

TEST(PageText, ConvertsLikeAtoi)
{
    EXPECT_EQ(PageRange::ParsePageText("12"), 12);
    EXPECT_EQ(PageRange::ParsePageText("  \t7"), 7);
    EXPECT_EQ(PageRange::ParsePageText("+3"), 3);
    EXPECT_EQ(PageRange::ParsePageText("-4"), -4);
    EXPECT_EQ(PageRange::ParsePageText("5abc"), 5);
    EXPECT_EQ(PageRange::ParsePageText("3-5"), 3);
    EXPECT_EQ(PageRange::ParsePageText(""), 0);
    EXPECT_EQ(PageRange::ParsePageText("abc"), 0);
    EXPECT_EQ(PageRange::ParsePageText("- 5"), 0);
    EXPECT_EQ(PageRange::ParsePageText("99999999999999999999"), INT_MAX);
    EXPECT_EQ(PageRange::ParsePageText("-99999999999999999999"), INT_MIN);
}

TEST(RowRange, FillsMissingEndsAndNeverReachesPastTheRealLastPage)
{
    struct Case
    {
        const char* pages;
        const char* begin;
        const char* end;
        int realPages;
        int wantBegin;
        int wantEnd;
    };
    // The last two: the source has shrunk to 8 pages since it was added; no page text at all, where
    // the real count stands in.
    const Case cases[] = {
        {"10", "3", "5", 10, 3, 5},  {"10", "0", "0", 10, 1, 10},   {"10", "", "", 10, 1, 10},
        {"10", "x", "y", 10, 1, 10}, {"10", "-2", "-1", 10, 1, 10}, {"10", "1", "12", 10, 1, 10},
        {"7", "0", "0", 10, 1, 7},   {"10", "8", "3", 10, 8, 3},    {"10", "12", "0", 10, 12, 10},
        {"0", "1", "0", 0, 1, 0},    {"10", "2", "0", 8, 2, 8},     {"", "2", "", 8, 2, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pages) + " " + c.begin + "-" + c.end + " of " + std::to_string(c.realPages));
        JobRow row;
        row.szPages = c.pages;
        row.szBeginPage = c.begin;
        row.szEndPage = c.end;
        const PageRange r = RowRules::Range(row, c.realPages);
        EXPECT_EQ(r.Begin(), c.wantBegin);
        EXPECT_EQ(r.End(), c.wantEnd);
        EXPECT_EQ(r.Count(), c.wantBegin <= c.wantEnd ? c.wantEnd - c.wantBegin + 1 : 0);
        EXPECT_EQ(r.Pages(), c.realPages);
    }
}

TEST(CreatedBookmark, DropsAngleBracketAndParenthesesAndPointsAtThePage)
{
    const pdf::BookmarkList list = RowRules::CreatedBookmark("Report (final) >v2", 4);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fields,
              (std::map<std::string, std::string> {{"Action", "GoTo"}, {"Page", "4"}, {"Title", "Report final v2"}}));
    EXPECT_TRUE(RowRules::CreatedBookmark("", 1).empty());
    // Bytes that are not UTF-8 (an old file name) still give a valid title.
    EXPECT_EQ(RowRules::CreatedBookmark("Caf\xe9", 1)[0].fields.at("Title"), "Caf\xc3\xa9");
}
