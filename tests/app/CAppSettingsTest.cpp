// SPDX-License-Identifier: Apache-2.0
#include "tests/app/AppFixture.h"

namespace {

using Key = CAppSettings::Key;

enum class Saved { AtExit, AtExitWithPropertiesAlways, WhenSet };

class AppSettings : public AppFixture
{
protected:
    // Settings read from `ini`, with "/docs/" for SavePath's default.
    struct Loaded : CAppSettings
    {
        explicit Loaded(const std::string& ini) { Load(Q(ini), QStringLiteral("/docs/")); }
    };
    // What a key's own place on disk holds, read without the settings object; empty when nothing. The
    // place is `szName` in Settings.ini's `szSection`, or in the settings area when that is null.
    QString Stored(const char* szSection, const char* szName) const
    {
        if (!szSection)
            return QSettings().value(QLatin1String(szName)).toString();
        CProfileFile profile(Ini());
        profile.Load();
        return Q(profile.GetString(szSection, szName, ""));
    }

    // Every key's value as text, the recent files as their newest entry.
    static QString Get(const CAppSettings& settings, Key key)
    {
        return key == Key::RecentFiles ? settings.RecentFiles().Entry(0) : settings.Value(key).toString();
    }
    static void Set(CAppSettings& settings, Key key, const QString& szValue)
    {
        if (key == Key::RecentFiles)
            return settings.AddRecentFile(szValue);
        settings.SetValue(key, szValue);
    }
};

using ProfileFile = AppFixture;

} // namespace

TEST_F(AppSettings, EachKeyHasItsPlaceItsDefaultAndItsMomentOfSaving)
{
    // The key, its place and name there, its default, a changed value, when it is saved.
    const std::tuple<Key, const char*, const char*, const char*, const char*, Saved> rows[] = {
        {Key::OpenResult, "General", "OpenResult", "1", "0", Saved::AtExit},
        {Key::AutoBackup, "General", "AutoBackup", "1", "0", Saved::AtExit},
        {Key::SavePath, "General", "SavePath", "/docs/", "/out/bound.pdf", Saved::AtExit},
        {Key::PDFTitle, "General", "PDFTitle", "", "Annual report", Saved::AtExitWithPropertiesAlways},
        {Key::PDFAuthor, "General", "PDFAuthor", "", "Ann Example", Saved::AtExitWithPropertiesAlways},
        {Key::PDFSubject, "General", "PDFSubject", "", "Figures", Saved::AtExitWithPropertiesAlways},
        {Key::PDFKeywords, "General", "PDFKeywords", "", "one, two", Saved::AtExitWithPropertiesAlways},
        {Key::PropertiesAlways, "General Settings", "PropertiesAlways", "0", "1", Saved::AtExit},
        {Key::ApplicationLook, nullptr, "ApplicationLook", "215", "217", Saved::WhenSet},
        {Key::WindowGeometry, nullptr, "WindowGeometry", "", "AdnQywADAAA=", Saved::WhenSet},
        {Key::AddFolder, nullptr, "AddFolder", "/docs/", "/scans", Saved::WhenSet},
        {Key::ColumnWidths, nullptr, "ColumnWidths", "", "30,200,60", Saved::AtExit},
        {Key::RecentFiles, nullptr, "Recent File List/File1", "", "/docs/a.pdf", Saved::AtExit},
        {Key::SplitMode, "Split", "Mode", "0", "2", Saved::AtExit},
        {Key::SplitEvery, "Split", "Every", "1", "12", Saved::AtExit},
        {Key::SplitLevel, "Split", "Level", "1", "3", Saved::AtExit},
        {Key::SplitNameTemplate, "Split", "NameTemplate", "", "{n} {bookmark}", Saved::AtExit},
        {Key::SplitFolder, "Split", "Folder", "", "/docs/parts", Saved::AtExit},
        {Key::NestBookmarks, "General", "NestBookmarks", "0", "1", Saved::AtExit},
    };
    for (const auto& [key, szSection, szName, szDefault, szChanged, saved] : rows) {
        for (const bool bPropertiesAlways : {false, true}) {
            if (key == Key::PropertiesAlways && bPropertiesAlways)
                continue;
            SCOPED_TRACE(std::string(szName) + (bPropertiesAlways ? " with PropertiesAlways" : ""));
            QFile::remove(Q(Ini()));
            QSettings().clear();
            Loaded settings(Ini());
            EXPECT_EQ(Get(settings, key), QLatin1String(szDefault));
            settings.SetPropertiesAlways(bPropertiesAlways);

            // One signal for the change, none for setting the same value again.
            QSignalSpy changed(&settings, &CAppSettings::changed);
            Set(settings, key, QLatin1String(szChanged));
            Set(settings, key, QLatin1String(szChanged));
            EXPECT_EQ(changed, QList<QVariantList> {{QVariant::fromValue(key)}});

            EXPECT_EQ(Stored(szSection, szName), saved == Saved::WhenSet ? QLatin1String(szChanged) : QString());
            ASSERT_TRUE(settings.Save());
            const bool bSaved = saved == Saved::AtExit || saved == Saved::WhenSet
                || (saved == Saved::AtExitWithPropertiesAlways && bPropertiesAlways);
            EXPECT_EQ(Stored(szSection, szName), bSaved ? QLatin1String(szChanged) : QString());
            Loaded next(Ini());
            EXPECT_EQ(Get(next, key), QLatin1String(bSaved ? szChanged : szDefault));
        }
    }
}

TEST_F(AppSettings, ASwitchIsOnOnlyWhenExactlyOneAndATypedValueStaysUntilTheSwitchIsChanged)
{
    for (const auto& [szTyped, bOn] : {std::pair {"1", true}, {"0", false}, {"2", false}, {"-1", false}}) {
        SCOPED_TRACE(szTyped);
        const std::string typed = std::string("[General]\nOpenResult=") + szTyped + "\nAutoBackup=" + szTyped + "\n";
        WriteWholeFile(Ini(), typed);
        Loaded settings(Ini());
        EXPECT_EQ(std::pair(settings.IsOpenResultOn(), settings.IsAutoBackupOn()), std::pair(bOn, bOn));
        // Setting a switch to what it reads already is no change.
        QSignalSpy changed(&settings, &CAppSettings::changed);
        settings.SetOpenResult(bOn);
        settings.SetAutoBackup(bOn);
        EXPECT_EQ(changed.size(), 0);
        ASSERT_TRUE(settings.Save());
        const std::string always
            = "NestBookmarks=0\n\n[General Settings]\nPropertiesAlways=0\n\n[Split]\nMode=0\nEvery=1\n"
              "Level=1\nNameTemplate=\nFolder=\n";
        EXPECT_EQ(ReadWholeFile(Ini()), typed + "SavePath=/docs/\n" + always);

        settings.SetAutoBackup(!bOn);
        ASSERT_TRUE(settings.Save());
        EXPECT_EQ(ReadWholeFile(Ini()),
                  std::string("[General]\nOpenResult=") + szTyped + "\nAutoBackup=" + (bOn ? "0" : "1")
                      + "\nSavePath=/docs/\n" + always);
    }
}

TEST_F(AppSettings, TheRecentFilesKeepTheLastSixteenAFileAddedAgainMovingToTheTop)
{
    Loaded settings(Ini());
    for (int i = 0; i < 20; ++i)
        settings.AddRecentFile(QStringLiteral("/docs/%1.pdf").arg(i));
    settings.AddRecentFile(QStringLiteral("/docs/10.pdf"));
    const QStringList recent = settings.RecentFiles().Entries();
    EXPECT_EQ(recent.join(',').remove("/docs/").remove(".pdf"), "10,19,18,17,16,15,14,13,12,11,9,8,7,6,5,4");
    ASSERT_TRUE(settings.Save());
    Loaded next(Ini());
    EXPECT_EQ(next.RecentFiles().Entries(), recent);
}

TEST_F(ProfileFile, ReadsLikeTheProfileReader)
{
    CProfileFile missing(Ini());
    EXPECT_TRUE(missing.Load());
    EXPECT_EQ(missing.GetInt("General", "OpenResult", 1), 1);
    EXPECT_EQ(missing.GetString("General", "SavePath", "/home/x/"), "/home/x/");

    // Names compare without case; values are trimmed and unquoted, long ones cut to 1023 bytes.
    WriteWholeFile(Ini(),
                   "[Other]\nOpenResult=5\n  [general]  \r\n  savepath =  \"/tmp/out dir/\"  \r\n"
                   "PDFTitle= Annual  report \r\nPDFSubject="
                       + std::string(5000, 't') + "\na=2\nb=  -7\nc=12abc\nd=abc\ne=\nf=+3\ng=4294967297\n");
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("General", "SavePath", ""), "/tmp/out dir/");
    EXPECT_EQ(file.GetString("GENERAL", "pdftitle", ""), "Annual  report");
    EXPECT_EQ(file.GetString("General", "PDFSubject", "").size(), 1023u);
    EXPECT_EQ(file.GetInt("General", "OpenResult", 1), 1) << "only from its own section";
    // Digits after an optional sign, wrapping at 32 bits; an empty value gives the default.
    const std::pair<const char*, int> ints[] = {{"a", 2}, {"b", -7}, {"c", 12}, {"d", 0}, {"e", 9}, {"f", 3}, {"g", 1}};
    for (const auto& [key, expected] : ints)
        EXPECT_EQ(file.GetInt("General", key, 9), expected) << key;
}

// Settings.ini may be edited by hand, or be something else altogether: writing a key must keep
// every other line as it was.
TEST_F(ProfileFile, WritingAKeyKeepsEveryOtherLineGarbageIncluded)
{
    const std::string before = "; written by hand\n[General]\nOpenResult=0\n# odd line without equals\n\n"
                               "[Unknown]\nColour=blue\r\n";
    WriteWholeFile(Ini(), before);
    CProfileFile file(Ini());
    ASSERT_TRUE(file.Load());
    file.SetString("general", "OpenResult", "1");
    file.SetString("General", "SavePath", "/out/");
    file.SetString("General Settings", "PropertiesAlways", "1");
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadWholeFile(Ini()),
              "; written by hand\n[General]\nOpenResult=1\n# odd line without equals\n"
              "SavePath=/out/\n\n[Unknown]\nColour=blue\r\n\n"
              "[General Settings]\nPropertiesAlways=1\n");

    // "[General" is not a header, so there is no General section yet.
    const std::string junk = "[General\nOpenResult=3\n" + std::string("\0\x01\xff\xfe[]=\x80", 9) + "\n"
        + std::string(1024 * 1024, 'x') + "\n";
    WriteWholeFile(Ini(), junk);
    CProfileFile garbage(Ini());
    ASSERT_TRUE(garbage.Load());
    EXPECT_EQ(garbage.GetInt("General", "OpenResult", 1), 1);
    garbage.SetString("General", "OpenResult", "0");
    ASSERT_TRUE(garbage.Save());
    EXPECT_EQ(ReadWholeFile(Ini()), junk + "\n[General]\nOpenResult=0\n");
}

TEST_F(ProfileFile, AnUnreadableFileOrAFolderInItsPlaceIsNeverReplaced)
{
    std::filesystem::create_directory(Ini());
    CProfileFile folder(Ini());
    EXPECT_FALSE(folder.Load());
    folder.SetString("General", "OpenResult", "1");
    EXPECT_FALSE(folder.Save());
    EXPECT_TRUE(std::filesystem::is_directory(Ini()));

    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    std::filesystem::remove(Ini());
    WriteWholeFile(Ini(), "[General]\nkeep=me\n");
    chmod(Ini().c_str(), 0200);
    CProfileFile file(Ini());
    EXPECT_FALSE(file.Load());
    file.SetString("General", "OpenResult", "1");
    EXPECT_FALSE(file.Save());
    chmod(Ini().c_str(), 0600);
    EXPECT_EQ(ReadWholeFile(Ini()), "[General]\nkeep=me\n");
}
