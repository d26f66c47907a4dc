// SPDX-License-Identifier: Apache-2.0
#include "CMultiSelectFileDialog.h"
#include "CFileDialog.h"

#include <gtest/gtest.h>

namespace {

class MultiSelectDialog : public ::testing::Test
{
protected:
    void SetUp() override { CFileDialog::SetTestMode(true); }
    void TearDown() override { CFileDialog::SetTestMode(false); }

    static QStringList Walk(const CMultiSelectFileDialog& dialog)
    {
        QStringList paths;
        for (CMultiSelectFileDialog::POSITION pos = dialog.GetStartPosition(); pos;)
            paths.append(dialog.GetNextPathName(pos));
        return paths;
    }

    CMultiSelectFileDialog m_dialog {true, QStringLiteral("pdf"), QString(),
                                     CMultiSelectFileDialog::OFN_ALLOWMULTISELECT
                                         | CMultiSelectFileDialog::OFN_EXPLORER,
                                     QStringLiteral("PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||")};
};

} // namespace

TEST_F(MultiSelectDialog, OneSelectedFileGivesOnePathThenNone)
{
    CFileDialog::SetNextFileNames({"/docs/a.pdf"});
    ASSERT_EQ(m_dialog.DoModal(), CMultiSelectFileDialog::IDOK);
    CMultiSelectFileDialog::POSITION pos = m_dialog.GetStartPosition();
    ASSERT_NE(pos, 0);
    EXPECT_EQ(m_dialog.GetNextPathName(pos), QStringLiteral("/docs/a.pdf"));
    EXPECT_EQ(pos, 0);
}

TEST_F(MultiSelectDialog, ManyFilesComeBackCompleteAndInOrderWithoutALimit)
{
    QStringList chosen;
    for (int i = 0; i < 5000; ++i)
        chosen.append(QStringLiteral("/a/rather/long/folder/name/for/the/selection/file-%1.pdf").arg(i));
    CFileDialog::SetNextFileNames(chosen);
    ASSERT_EQ(m_dialog.DoModal(), CMultiSelectFileDialog::IDOK);
    EXPECT_EQ(Walk(m_dialog), chosen);
}

TEST_F(MultiSelectDialog, CancelGivesTwoAndNoPath)
{
    CFileDialog::SetNextFileNames({"/docs/a.pdf"});
    ASSERT_EQ(m_dialog.DoModal(), CMultiSelectFileDialog::IDOK);
    EXPECT_EQ(m_dialog.DoModal(), CMultiSelectFileDialog::IDCANCEL);
    EXPECT_EQ(m_dialog.GetStartPosition(), 0);
    CMultiSelectFileDialog::POSITION pos = 0;
    EXPECT_TRUE(m_dialog.GetNextPathName(pos).isEmpty());
}

TEST_F(MultiSelectDialog, WithoutMultiSelectOnlyTheFirstPathCounts)
{
    CMultiSelectFileDialog single(true, QString(), QString(), 0, QString());
    CFileDialog::SetNextFileNames({"/a.pdf", "/b.pdf"});
    ASSERT_EQ(single.DoModal(), CMultiSelectFileDialog::IDOK);
    EXPECT_EQ(Walk(single), QStringList {"/a.pdf"});
}

TEST_F(MultiSelectDialog, ClassicFiltersBecomeQtFiltersAndStarDotStarMeansEveryFile)
{
    EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(QStringLiteral("PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||")),
              QStringLiteral("PDF File (*.pdf);;All Files (*)"));
    EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(QStringLiteral("PDF File(*.pdf)|*.pdf;||")),
              QStringLiteral("PDF File (*.pdf)"));
    EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(QStringLiteral("Images|*.png;*.jpg||")),
              QStringLiteral("Images (*.png *.jpg)"));
    EXPECT_TRUE(CMultiSelectFileDialog::ToQtFilter(QString()).isEmpty());
}
