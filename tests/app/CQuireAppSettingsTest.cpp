// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

namespace {

class AppSettings : public AppFixture
{
protected:
    std::string Ini() const { return m_app.m_szSettingsFile.toStdString(); }
    static std::string Documents()
    {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString() + "/";
    }
};

} // namespace

TEST_F(AppSettings, FirstStartTakesDefaultsAndTheFirstExitWritesOnlyTheThreeKeys)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Vellum/Quire Binder/");
    EXPECT_EQ(m_app.m_szAppDataPath, folder);
    EXPECT_TRUE(QDir(folder).exists());

    EXPECT_EQ(m_app.m_nOpenResult, 1);
    EXPECT_EQ(m_app.m_nAutoBackup, 1);
    EXPECT_EQ(m_app.m_szSavePath.toStdString(), Documents());
    EXPECT_TRUE(m_app.m_szPDFTitle.isEmpty());
    EXPECT_EQ(m_app.m_nPropertiesAlways, 0);

    m_app.m_szPDFTitle = QStringLiteral("not saved");
    ASSERT_TRUE(m_app.WriteAppSettings());
    EXPECT_EQ(ReadWholeFile(Ini()), "[General]\nOpenResult=1\nAutoBackup=1\nSavePath=" + Documents() + "\n");
}

TEST_F(AppSettings, DocumentTextsAlwaysLoadButAreSavedOnlyWithPropertiesAlways)
{
    WriteWholeFile(Ini(), "[General]\nPDFSubject=Kept from before\n");
    m_app.GetAppSettings();
    EXPECT_EQ(m_app.m_szPDFSubject, QStringLiteral("Kept from before"));
    m_app.m_szPDFSubject = QStringLiteral("changed this run");
    ASSERT_TRUE(m_app.WriteAppSettings());
    EXPECT_NE(ReadWholeFile(Ini()).find("PDFSubject=Kept from before"), std::string::npos);

    WriteWholeFile(Ini(), "[General]\nPDFTitle=Old\n[General Settings]\nPropertiesAlways=1\n");
    m_app.GetAppSettings();
    EXPECT_EQ(m_app.m_nPropertiesAlways, 1);
    m_app.m_szPDFAuthor = QStringLiteral("Ann Example");
    ASSERT_TRUE(m_app.WriteAppSettings());
    CQuireApp again;
    again.m_szSettingsFile = m_app.m_szSettingsFile;
    again.GetAppSettings();
    EXPECT_EQ(again.m_szPDFTitle, QStringLiteral("Old"));
    EXPECT_EQ(again.m_szPDFAuthor, QStringLiteral("Ann Example"));
    // The flag itself is never written back; the hand-edited line stays.
    EXPECT_NE(ReadWholeFile(Ini()).find("[General Settings]\nPropertiesAlways=1\n"), std::string::npos);
}

TEST_F(AppSettings, SwitchesAreOnOnlyWhenExactlyOneButKeepWhatTheUserTyped)
{
    WriteWholeFile(Ini(), "[General]\nOpenResult=2\nAutoBackup=1\n");
    m_app.GetAppSettings();
    EXPECT_FALSE(m_app.IsOpenResultOn());
    EXPECT_TRUE(m_app.IsAutoBackupOn());
    ASSERT_TRUE(m_app.WriteAppSettings());
    EXPECT_NE(ReadWholeFile(Ini()).find("OpenResult=2\n"), std::string::npos);
}
