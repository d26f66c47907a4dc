// SPDX-License-Identifier: Apache-2.0
#include "app/CMultiSelectFileDialog.h"
#include "app/CFileDialog.h"

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
};

} // namespace

TEST_F(MultiSelectDialog, GivesEverySelectedPathInOrderWithoutALimitAndNoneAfterCancel)
{
    CMultiSelectFileDialog dialog(true, QStringLiteral("pdf"), QString(),
                                  CMultiSelectFileDialog::OFN_ALLOWMULTISELECT | CMultiSelectFileDialog::OFN_EXPLORER,
                                  QStringLiteral("PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||"));
    QStringList chosen;
    for (int i = 0; i < 5000; ++i)
        chosen.append(QStringLiteral("/a/rather/long/folder/name/for/the/selection/file-%1.pdf").arg(i));
    for (const QStringList& selection : {QStringList {"/docs/a.pdf"}, chosen}) {
        CFileDialog::SetNextFileNames(selection);
        ASSERT_EQ(dialog.DoModal(), CMultiSelectFileDialog::IDOK);
        EXPECT_EQ(Walk(dialog), selection);
    }

    EXPECT_EQ(dialog.DoModal(), CMultiSelectFileDialog::IDCANCEL);
    EXPECT_EQ(dialog.GetStartPosition(), 0);
    CMultiSelectFileDialog::POSITION pos = 0;
    EXPECT_TRUE(dialog.GetNextPathName(pos).isEmpty());

    // Without multiple selection only the first path counts.
    CMultiSelectFileDialog single(true, QString(), QString(), 0, QString());
    CFileDialog::SetNextFileNames({"/a.pdf", "/b.pdf"});
    ASSERT_EQ(single.DoModal(), CMultiSelectFileDialog::IDOK);
    EXPECT_EQ(Walk(single), QStringList {"/a.pdf"});

    // Classic filters become Qt filters; *.* means every file.
    EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(QStringLiteral("PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||")),
              QStringLiteral("PDF File (*.pdf);;All Files (*)"));
    EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(QStringLiteral("PDF File(*.pdf)|*.pdf;||")),
              QStringLiteral("PDF File (*.pdf)"));
    EXPECT_EQ(CMultiSelectFileDialog::ToQtFilter(QStringLiteral("Images|*.png;*.jpg||")),
              QStringLiteral("Images (*.png *.jpg)"));
    EXPECT_TRUE(CMultiSelectFileDialog::ToQtFilter(QString()).isEmpty());
}
