// SPDX-License-Identifier: Apache-2.0
// The file names, ranges, outlines, information and failing rows of a split are checked through the
// quire tool (tests/cli); a stop and the kinds of failure with the merge's (MergeJobTest).
#include "engine/SplitJob.h"
#include "tests/engine/EngineTestRows.h"

#include <gtest/gtest.h>

#include <filesystem>

using quire::JobReport;
using quire::RunSplit;
using quire::SplitOptions;

namespace {

class SplitJobTest : public JobTest
{
};

} // namespace

TEST_F(SplitJobTest, RowsOfTheSameSourceSeeItsChangesBetweenRows)
{
    const std::string a = Make("a.pdf", 2);
    Observer observer;
    observer.onRow = [&](int row, const std::string&) {
        if (row != 1)
            return;
        quire::fixtures::PdfSpec changed;
        changed.tag = "new";
        changed.pages = 3;
        quire::fixtures::WritePdf(a, changed);
    };
    const JobReport report = RunSplit({RowFor(a, "1", "1"), RowFor(a, "2", "3")}, SplitOptions {false, {}}, &observer);
    ASSERT_TRUE(report.ok) << Errors(report);
    ExpectSound(m_tmp.File("a_p1-1.pdf"), Pages("a", 1, 1));
    // The second row's page-count text still says 2, so the range ends at page 2 of the new file.
    ExpectSound(m_tmp.File("a_p2-2.pdf"), Pages("new", 2, 2));
}
