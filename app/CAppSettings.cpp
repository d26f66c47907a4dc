// SPDX-License-Identifier: Apache-2.0
#include "app/CAppSettings.h"

#include "app/CProfileFile.h"
#include "app/EngineText.h"

#include <QSettings>

#include <algorithm>
#include <iterator>

namespace {

using Key = CAppSettings::Key;

enum class Store {
    Profile, // Settings.ini
    Area, // the settings area, QSettings()
};

enum class Saved {
    AtExit,
    AtExitWhenPropertiesAlways,
    Never,
    WhenSet,
};

struct KeyDef
{
    Key key;
    Store store;
    const char* szSection;
    const char* szName;
    bool bText;
    int nDefault;
    Saved saved;
};

// Loaded in this order.
const KeyDef kKeys[] = {
    {Key::OpenResult, Store::Profile, "General", "OpenResult", false, 1, Saved::AtExit},
    {Key::AutoBackup, Store::Profile, "General", "AutoBackup", false, 1, Saved::AtExit},
    {Key::SavePath, Store::Profile, "General", "SavePath", true, 0, Saved::AtExit},
    {Key::PDFTitle, Store::Profile, "General", "PDFTitle", true, 0, Saved::AtExitWhenPropertiesAlways},
    {Key::PDFAuthor, Store::Profile, "General", "PDFAuthor", true, 0, Saved::AtExitWhenPropertiesAlways},
    {Key::PDFSubject, Store::Profile, "General", "PDFSubject", true, 0, Saved::AtExitWhenPropertiesAlways},
    {Key::PDFKeywords, Store::Profile, "General", "PDFKeywords", true, 0, Saved::AtExitWhenPropertiesAlways},
    {Key::PropertiesAlways, Store::Profile, "General Settings", "PropertiesAlways", false, 0, Saved::AtExit},
    {Key::ApplicationLook, Store::Area, "", "ApplicationLook", false, 215, Saved::WhenSet},
    {Key::ColumnWidths, Store::Area, "", "ColumnWidths", true, 0, Saved::AtExit},
    {Key::WindowGeometry, Store::Area, "", "WindowGeometry", true, 0, Saved::WhenSet},
    {Key::AddFolder, Store::Area, "", "AddFolder", true, 0, Saved::WhenSet},
    {Key::SplitMode, Store::Profile, "Split", "Mode", false, 0, Saved::AtExit},
    {Key::SplitEvery, Store::Profile, "Split", "Every", false, 1, Saved::AtExit},
    {Key::SplitLevel, Store::Profile, "Split", "Level", false, 1, Saved::AtExit},
    {Key::SplitNameTemplate, Store::Profile, "Split", "NameTemplate", true, 0, Saved::AtExit},
    {Key::SplitFolder, Store::Profile, "Split", "Folder", true, 0, Saved::AtExit},
    {Key::NestBookmarks, Store::Profile, "General", "NestBookmarks", false, 0, Saved::AtExit},
    {Key::Preview, Store::Area, "", "Preview", false, 1, Saved::WhenSet},
    {Key::PreviewCacheMB, Store::Area, "", "PreviewCacheMB", false, 64, Saved::Never},
};

QVariant Default(const KeyDef& def)
{
    return def.bText ? QVariant(QString()) : QVariant(def.nDefault);
}

QVariant Read(const KeyDef& def, const CProfileFile& profile, const QSettings& area, const QString& szDefaultText)
{
    if (def.store == Store::Area && def.bText)
        return area.value(QLatin1String(def.szName), szDefaultText).toString();
    if (def.store == Store::Area)
        return area.value(QLatin1String(def.szName), def.nDefault).toInt();
    if (def.bText)
        return EngineText::ToText(profile.GetString(def.szSection, def.szName, EngineText::FromText(szDefaultText)));
    return profile.GetInt(def.szSection, def.szName, def.nDefault);
}

} // namespace

CAppSettings::CAppSettings(QObject* pParent)
    : QObject(pParent)
{
    for (const KeyDef& def : kKeys)
        m_values[static_cast<std::size_t>(def.key)] = Default(def);
}

void CAppSettings::Load(const QString& szSettingsFile, const QString& szDefaultSavePath)
{
    m_szSettingsFile = szSettingsFile;
    CProfileFile profile(EngineText::FromPath(szSettingsFile));
    profile.Load();
    const QSettings area;
    for (const KeyDef& def : kKeys) {
        const QString szDefault = def.key == Key::SavePath || def.key == Key::AddFolder ? szDefaultSavePath : QString();
        m_values[static_cast<std::size_t>(def.key)] = Read(def, profile, area, szDefault);
    }
    // NOTE: files written before the box was saved hold the texts only when it was ticked at exit,
    // so texts without the box mean it was ticked. The texts are taken only while it is: the box
    // shows whether the saved texts apply.
    const DocumentTexts texts = Document();
    if (profile.GetString("General Settings", "PropertiesAlways", "").empty())
        m_values[static_cast<std::size_t>(Key::PropertiesAlways)] = texts == DocumentTexts() ? 0 : 1;
    if (!IsPropertiesAlways()) {
        for (const Key key : {Key::PDFTitle, Key::PDFAuthor, Key::PDFSubject, Key::PDFKeywords})
            m_values[static_cast<std::size_t>(key)] = QString();
    }
    m_recentFiles.ReadList(area);
    m_bLoaded = true;
}

bool CAppSettings::Save() const
{
    if (!m_bLoaded)
        return false;
    QSettings area;
    m_recentFiles.WriteList(area);
    for (const KeyDef& def : kKeys) {
        if (def.store == Store::Area && def.saved == Saved::AtExit)
            area.setValue(QLatin1String(def.szName), Value(def.key));
    }
    area.sync();
    const bool bAreaSaved = area.status() == QSettings::NoError;
    CProfileFile profile(EngineText::FromPath(m_szSettingsFile));
    if (!profile.Load())
        return false;
    for (const KeyDef& def : kKeys) {
        const bool bSave
            = def.saved == Saved::AtExit || (def.saved == Saved::AtExitWhenPropertiesAlways && IsPropertiesAlways());
        if (!bSave || def.store == Store::Area)
            continue;
        const QVariant& value = Value(def.key);
        profile.SetString(def.szSection, def.szName,
                          def.bText ? EngineText::FromText(value.toString()) : std::to_string(value.toInt()));
    }
    return profile.Save() && bAreaSaved;
}

void CAppSettings::SetValue(Key key, const QVariant& value)
{
    const auto def = std::find_if(std::begin(kKeys), std::end(kKeys), [key](const KeyDef& d) { return d.key == key; });
    if (def == std::end(kKeys))
        return;
    const QVariant typed = def->bText ? QVariant(value.toString()) : QVariant(value.toInt());
    if (def->saved == Saved::WhenSet)
        QSettings().setValue(QLatin1String(def->szName), typed);
    QVariant& current = m_values[static_cast<std::size_t>(key)];
    if (current == typed)
        return;
    current = typed;
    emit changed(key);
}

bool CAppSettings::IsOn(Key key) const
{
    return Value(key).toInt() == 1;
}

void CAppSettings::SetSwitch(Key key, bool bOn)
{
    // A switch already reading `bOn` keeps the value it holds, so that a typed 2 stays until the
    // switch is turned on.
    if (IsOn(key) != bOn)
        SetValue(key, bOn ? 1 : 0);
}

bool CAppSettings::IsOpenResultOn() const
{
    return IsOn(Key::OpenResult);
}

void CAppSettings::SetOpenResult(bool bOn)
{
    SetSwitch(Key::OpenResult, bOn);
}

bool CAppSettings::IsAutoBackupOn() const
{
    return IsOn(Key::AutoBackup);
}

void CAppSettings::SetAutoBackup(bool bOn)
{
    SetSwitch(Key::AutoBackup, bOn);
}

QString CAppSettings::SavePath() const
{
    return Value(Key::SavePath).toString();
}

void CAppSettings::SetSavePath(const QString& szPath)
{
    SetValue(Key::SavePath, szPath);
}

CAppSettings::DocumentTexts CAppSettings::Document() const
{
    return {Value(Key::PDFTitle).toString(), Value(Key::PDFAuthor).toString(), Value(Key::PDFSubject).toString(),
            Value(Key::PDFKeywords).toString()};
}

void CAppSettings::SetDocument(const DocumentTexts& texts)
{
    SetValue(Key::PDFTitle, texts.szTitle);
    SetValue(Key::PDFAuthor, texts.szAuthor);
    SetValue(Key::PDFSubject, texts.szSubject);
    SetValue(Key::PDFKeywords, texts.szKeywords);
}

bool CAppSettings::IsPropertiesAlways() const
{
    return IsOn(Key::PropertiesAlways);
}

void CAppSettings::SetPropertiesAlways(bool bOn)
{
    SetSwitch(Key::PropertiesAlways, bOn);
}

std::uint32_t CAppSettings::ApplicationLook() const
{
    return Value(Key::ApplicationLook).toUInt();
}

void CAppSettings::SetApplicationLook(std::uint32_t nLook)
{
    SetValue(Key::ApplicationLook, static_cast<int>(nLook));
}

QList<int> CAppSettings::ColumnWidths() const
{
    QList<int> widths;
    const QString szWidths = Value(Key::ColumnWidths).toString();
    if (szWidths.isEmpty())
        return widths;
    for (const QString& szWidth : szWidths.split(QLatin1Char(','))) {
        bool bOk = false;
        const int nWidth = szWidth.trimmed().toInt(&bOk);
        if (!bOk || nWidth < 0)
            return {};
        widths.append(nWidth);
    }
    return widths;
}

void CAppSettings::SetColumnWidths(const QList<int>& widths)
{
    QStringList texts;
    for (const int nWidth : widths)
        texts.append(QString::number(nWidth));
    SetValue(Key::ColumnWidths, texts.join(QLatin1Char(',')));
}

QByteArray CAppSettings::WindowGeometry() const
{
    return QByteArray::fromBase64(Value(Key::WindowGeometry).toString().toLatin1());
}

void CAppSettings::SetWindowGeometry(const QByteArray& geometry)
{
    // NOTE: kept as Base64 text, so that the settings area holds only numbers and texts.
    SetValue(Key::WindowGeometry, QString::fromLatin1(geometry.toBase64()));
}

QString CAppSettings::AddFolder() const
{
    return Value(Key::AddFolder).toString();
}

void CAppSettings::SetAddFolder(const QString& szFolder)
{
    SetValue(Key::AddFolder, szFolder);
}

quire::SplitMode CAppSettings::SplitMode() const
{
    const int nMode = Value(Key::SplitMode).toInt();
    return nMode == 1 ? quire::SplitMode::EveryPages
        : nMode == 2  ? quire::SplitMode::AtBookmarks
                      : quire::SplitMode::PageRange;
}

void CAppSettings::SetSplitMode(quire::SplitMode mode)
{
    SetValue(Key::SplitMode, static_cast<int>(mode));
}

int CAppSettings::SplitEvery() const
{
    return std::clamp(Value(Key::SplitEvery).toInt(), 1, nMaxSplitEvery);
}

void CAppSettings::SetSplitEvery(int nPages)
{
    SetValue(Key::SplitEvery, std::clamp(nPages, 1, nMaxSplitEvery));
}

int CAppSettings::SplitLevel() const
{
    return std::clamp(Value(Key::SplitLevel).toInt(), 1, nMaxSplitLevel);
}

void CAppSettings::SetSplitLevel(int nLevel)
{
    SetValue(Key::SplitLevel, std::clamp(nLevel, 1, nMaxSplitLevel));
}

QString CAppSettings::SplitNameTemplate() const
{
    return Value(Key::SplitNameTemplate).toString();
}

void CAppSettings::SetSplitNameTemplate(const QString& szTemplate)
{
    SetValue(Key::SplitNameTemplate, szTemplate);
}

QString CAppSettings::SplitFolder() const
{
    return Value(Key::SplitFolder).toString();
}

void CAppSettings::SetSplitFolder(const QString& szFolder)
{
    SetValue(Key::SplitFolder, szFolder);
}

bool CAppSettings::IsNestBookmarksOn() const
{
    return IsOn(Key::NestBookmarks);
}

void CAppSettings::SetNestBookmarks(bool bOn)
{
    SetSwitch(Key::NestBookmarks, bOn);
}

bool CAppSettings::IsPreviewOn() const
{
    return IsOn(Key::Preview);
}

void CAppSettings::SetPreview(bool bOn)
{
    SetSwitch(Key::Preview, bOn);
}

qint64 CAppSettings::PreviewCacheBytes() const
{
    const qint64 nMegabytes = std::clamp(Value(Key::PreviewCacheMB).toInt(), nMinPreviewCacheMB, nMaxPreviewCacheMB);
    return nMegabytes * 1024 * 1024;
}

void CAppSettings::RemoveRecentFile(const QString& szPath)
{
    if (m_recentFiles.Remove(szPath))
        emit changed(Key::RecentFiles);
}

void CAppSettings::AddRecentFile(const QString& szPath)
{
    const QStringList before = m_recentFiles.Entries();
    m_recentFiles.Add(szPath);
    if (m_recentFiles.Entries() != before)
        emit changed(Key::RecentFiles);
}
