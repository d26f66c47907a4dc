// SPDX-License-Identifier: Apache-2.0
#include "engine/PageRange.h"
#include "engine/RowRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

using quire::JobRow;
using quire::PageRange;
using quire::RowRules;

TEST(PageText, ConvertsLikeAtoi)
{
    const std::pair<const char*, int> cases[] = {
        {"12", 12}, {"  \t7", 7}, {"+3", 3}, {"-4", -4}, {"5abc", 5}, {"3-5", 3}, {"", 0}, {"abc", 0}, {"- 5", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(PageRange::ParsePageText(text), value) << text;
    // A pasted long number saturates instead of wrapping round.
    EXPECT_EQ(PageRange::ParsePageText("99999999999999999999"), INT_MAX);
    EXPECT_EQ(PageRange::ParsePageText("-99999999999999999999"), INT_MIN);
}

TEST(RowRange, FillsMissingEndsAndNeverReachesPastTheRealLastPage)
{
    // Page text, begin, end, the real page count; the range's begin and end. The last three: the source
    // has shrunk to 8 pages since it was added; no page text at all, where the real count stands in; the
    // source has grown to 3 pages since it was added with 2, and the page text still ends the range.
    const std::tuple<const char*, const char*, const char*, int, int, int> cases[] = {
        {"10", "3", "5", 10, 3, 5},  {"10", "0", "0", 10, 1, 10},   {"10", "", "", 10, 1, 10},
        {"10", "x", "y", 10, 1, 10}, {"10", "-2", "-1", 10, 1, 10}, {"10", "1", "12", 10, 1, 10},
        {"7", "0", "0", 10, 1, 7},   {"10", "8", "3", 10, 8, 3},    {"10", "12", "0", 10, 12, 10},
        {"0", "1", "0", 0, 1, 0},    {"10", "2", "0", 8, 2, 8},     {"", "2", "", 8, 2, 8},
        {"2", "2", "3", 3, 2, 2},
    };
    for (const auto& [pages, begin, end, realPages, wantBegin, wantEnd] : cases) {
        SCOPED_TRACE(std::string(pages) + " " + begin + "-" + end + " of " + std::to_string(realPages));
        const PageRange r = RowRules::Range(JobRow {"", true, "", pages, begin, end}, realPages);
        EXPECT_EQ(r.Begin(), wantBegin);
        EXPECT_EQ(r.End(), wantEnd);
        EXPECT_EQ(r.Count(), wantBegin <= wantEnd ? wantEnd - wantBegin + 1 : 0);
        EXPECT_EQ(r.Pages(), realPages);
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
