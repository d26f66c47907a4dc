// SPDX-License-Identifier: Apache-2.0
#include "app/COutputPathRule.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

using OutputPathRule = TempDirTest;

} // namespace

TEST_F(OutputPathRule, TypedTextBecomesTheFileTheMergeWrites)
{
    // "@" stands for the test's folder; in the expected paths "~/" stands for the home folder.
    struct Row
    {
        const char* szTyped;
        const char* szSavePath;
        const char* szExpected;
    };
    const Row rows[] = {
        {"bound", "@/", "@/bound.pdf"},
        {"bound", "@/last.pdf", "@/bound.pdf"},
        {"  Report.PDF ", "@/", "@/Report.PDF"},
        {"notes.txt", "@/", "@/notes.txt"},
        {"gamma.v2", "@/", "@/gamma.v2"},
        {"minutes 2024.03.12", "@/", "@/minutes 2024.03.12.pdf"},
        {"report.", "@/", "@/report.pdf"},
        {".hidden", "@/", "@/.hidden.pdf"},
        {"sub/part", "@/", "@/sub/part.pdf"},
        {"Books", "@/", "@/Books"}, // an existing folder: the merge says so
        {"later/", "@/", "@/later/"},
        {"/srv/out/bound", "@/", "/srv/out/bound.pdf"},
        {"~/bound", "@/", "~/bound.pdf"},
        {"~user/bound", "@/", "@/~user/bound.pdf"},
        {"bound", "~/Merged/", "~/Merged/bound.pdf"},
        {"bound", "relative/last.pdf", "~/relative/bound.pdf"},
        {"bound", "", "~/bound.pdf"},
        {" ", "@/", ""},
    };
    QDir().mkpath(QString::fromStdString(m_tmp.File("Books")));
    const QString szFolder = QString::fromStdString(m_tmp.Path().string());
    const QString szHome = QDir::homePath() + QLatin1Char('/');
    const auto expand = [&](const char* szText, bool bHome = false) {
        QString szPath = QString::fromUtf8(szText);
        if (szPath.startsWith(QLatin1Char('@')))
            szPath.replace(0, 1, szFolder);
        if (bHome && szPath.startsWith(QLatin1String("~/")))
            szPath.replace(0, 2, szHome);
        return szPath;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.szTyped) + " with SavePath " + row.szSavePath);
        EXPECT_EQ(COutputPathRule::Resolve(expand(row.szTyped), expand(row.szSavePath)), expand(row.szExpected, true));
    }
    EXPECT_EQ(COutputPathRule::Resolve(QStringLiteral("~"), szFolder + QLatin1Char('/')), QDir::homePath());
}
