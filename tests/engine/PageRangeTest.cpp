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

TEST(PageRangeNormalise, FillsMissingEndsAndClampsTheEnd)
{
    struct Case
    {
        const char* pages;
        const char* begin;
        const char* end;
        int wantBegin;
        int wantEnd;
    };
    const Case cases[] = {
        {"10", "3", "5", 3, 5},    {"10", "0", "0", 1, 10},  {"10", "", "", 1, 10}, {"10", "x", "y", 1, 10},
        {"10", "-2", "-1", 1, 10}, {"10", "1", "12", 1, 10}, {"7", "0", "0", 1, 7}, {"10", "8", "3", 8, 3},
        {"10", "12", "0", 12, 10}, {"0", "1", "0", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pages) + " " + c.begin + "-" + c.end);
        const PageRange r = PageRange::Normalise(c.pages, c.begin, c.end);
        EXPECT_EQ(r.Begin(), c.wantBegin);
        EXPECT_EQ(r.End(), c.wantEnd);
        EXPECT_EQ(r.Count(), c.wantBegin <= c.wantEnd ? c.wantEnd - c.wantBegin + 1 : 0);
    }
}

TEST(RowRange, NeverReachesPastTheRealLastPage)
{
    JobRow row;
    row.szPages = "10"; // the source has shrunk to 8 pages since it was added
    row.szBeginPage = "2";
    row.szEndPage = "0";
    PageRange r = RowRules::Range(row, 8);
    EXPECT_EQ(r.Begin(), 2);
    EXPECT_EQ(r.End(), 8);
    EXPECT_EQ(r.Pages(), 8);

    row.szPages.clear(); // no page text at all: the real count stands in
    row.szEndPage = "";
    r = RowRules::Range(row, 8);
    EXPECT_EQ(r.End(), 8);
}

TEST(CreatedBookmark, DropsAngleBracketAndParenthesesAndPointsAtThePage)
{
    const pdf::BookmarkList list = RowRules::CreatedBookmark("Report (final) >v2", 4);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fields.at("Title"), "Report final v2");
    EXPECT_EQ(list[0].fields.at("Page"), "4");
    EXPECT_EQ(list[0].fields.at("Action"), "GoTo");
    EXPECT_EQ(list[0].fields.size(), 3u);
    EXPECT_TRUE(RowRules::CreatedBookmark("", 1).empty());
    // Bytes that are not UTF-8 (an old file name) still give a valid title.
    EXPECT_EQ(RowRules::CreatedBookmark("Caf\xe9", 1)[0].fields.at("Title"), "Caf\xc3\xa9");
}
