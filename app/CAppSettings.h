// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CRecentFileList.h"
#include "engine/JobTypes.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>

// Everything the program remembers between runs, held for the whole run by the application object
// and handed to the windows that read or change it.
//
// One table says where each value lives, its default and when it is saved:
//   OpenResult, AutoBackup, SavePath            Settings.ini [General], saved at exit
//   PDFTitle, PDFAuthor, PDFSubject, PDFKeywords Settings.ini [General], saved at exit only while
//                                                PropertiesAlways is on, read only when it is on
//   PropertiesAlways                            Settings.ini [General Settings], saved at exit; when
//                                                missing, on if any of the four texts is not empty
//   ApplicationLook (default 215)               the settings area (QSettings()), saved when set
//   ColumnWidths (empty)                        the settings area, saved at exit
//   WindowGeometry, AddFolder                   the settings area, saved when set; AddFolder's default
//                                                is the documents folder, like SavePath's
//   the recent-file list (16 entries)           the settings area, saved at exit
//   SplitMode (0 page range, 1 every N pages,   Settings.ini [Split], saved at exit
//   2 at bookmarks), SplitEvery (1),
//   SplitLevel (1), SplitNameTemplate (empty:
//   the default name), SplitFolder (empty:
//   beside each source)
//   NestBookmarks (0)                           Settings.ini [General], saved at exit
//   Preview (1)                                 the settings area, saved when set
//   PreviewCacheMB (64)                         the settings area, never written: a user may set it
// Settings.ini goes through CProfileFile, which keeps every line it does not own. A missing value
// takes its default. A switch is on only when it holds exactly 1; a value the user typed into the
// file (2, say) is kept as typed until the switch is changed: setting a switch to what it reads
// already is no change.
//
// Every change emits changed() with its key, once; setting a value a key holds already emits nothing.
class CAppSettings : public QObject
{
    Q_OBJECT

public:
    enum class Key {
        OpenResult,
        AutoBackup,
        SavePath,
        PDFTitle,
        PDFAuthor,
        PDFSubject,
        PDFKeywords,
        PropertiesAlways,
        ApplicationLook,
        WindowGeometry,
        AddFolder,
        RecentFiles,
        ColumnWidths,
        SplitMode,
        SplitEvery,
        SplitLevel,
        SplitNameTemplate,
        SplitFolder,
        NestBookmarks,
        Preview,
        PreviewCacheMB,
    };
    Q_ENUM(Key)

    // The four texts a merge writes into its document information.
    struct DocumentTexts
    {
        QString szTitle;
        QString szAuthor;
        QString szSubject;
        QString szKeywords;
        bool operator==(const DocumentTexts&) const = default;
    };

    explicit CAppSettings(QObject* pParent = nullptr);

    // Reads every value from `szSettingsFile` and the settings area; `szDefaultSavePath` is the default
    // of SavePath and AddFolder (the documents folder).
    void Load(const QString& szSettingsFile, const QString& szDefaultSavePath);
    // Writes what is saved at exit. False when Settings.ini or the settings area could not be written,
    // or Settings.ini was unreadable and so is left alone; nothing is written before Load.
    bool Save() const;
    const QString& SettingsFile() const { return m_szSettingsFile; }

    bool IsOpenResultOn() const;
    void SetOpenResult(bool bOn);
    bool IsAutoBackupOn() const;
    void SetAutoBackup(bool bOn);
    QString SavePath() const;
    void SetSavePath(const QString& szPath);
    DocumentTexts Document() const;
    void SetDocument(const DocumentTexts& texts);
    bool IsPropertiesAlways() const;
    void SetPropertiesAlways(bool bOn);
    // The command identifier of the look, 205 to 219.
    std::uint32_t ApplicationLook() const;
    void SetApplicationLook(std::uint32_t nLook);
    // The file list's column widths in pixels as the user last dragged them, left to right; empty
    // while the columns share the list's width. A stored value that is not a list of non-negative
    // numbers reads as empty.
    QList<int> ColumnWidths() const;
    void SetColumnWidths(const QList<int>& widths);

    // How a split cuts its rows. A stored number other than 0, 1 or 2 reads as a page range.
    quire::SplitMode SplitMode() const;
    void SetSplitMode(quire::SplitMode mode);
    // Pages per part (every N pages) and the outline level cut at (1: the top level); a stored value
    // outside 1 to the maximum reads as the nearest end.
    static constexpr int nMaxSplitEvery = 99999;
    static constexpr int nMaxSplitLevel = 99;
    int SplitEvery() const;
    void SetSplitEvery(int nPages);
    int SplitLevel() const;
    void SetSplitLevel(int nLevel);
    // The parts' file name template as typed; empty: quire::kDefaultSplitNameTemplate.
    QString SplitNameTemplate() const;
    void SetSplitNameTemplate(const QString& szTemplate);
    // The folder the parts go to as typed or chosen; empty: beside each source.
    QString SplitFolder() const;
    void SetSplitFolder(const QString& szFolder);
    // A merge puts each row's bookmarks under a bookmark of its own.
    bool IsNestBookmarksOn() const;
    void SetNestBookmarks(bool bOn);
    // The preview pane beside the file list is shown.
    bool IsPreviewOn() const;
    void SetPreview(bool bOn);
    // What the preview's thumbnails may take of memory: PreviewCacheMB megabytes, brought within
    // 8 to 1024.
    static constexpr int nMinPreviewCacheMB = 8;
    static constexpr int nMaxPreviewCacheMB = 1024;
    qint64 PreviewCacheBytes() const;

    // The main window's size, position and maximised state as QWidget::saveGeometry() gives them;
    // empty until a window was closed.
    QByteArray WindowGeometry() const;
    void SetWindowGeometry(const QByteArray& geometry);
    // The folder Add PDF Files last took files from.
    QString AddFolder() const;
    void SetAddFolder(const QString& szFolder);

    // Any key's value as the table keeps it: switches and the look as numbers (a switch holds what was
    // typed, 2 say), the others as text, the window geometry as Base64. SetValue converts `value` to
    // the key's kind, emits changed() when it differs, and writes a key that is saved when set to the
    // settings area at once. The typed accessors above add their rules (a switch is on only at exactly
    // 1); these serve code that treats every key alike. The recent files have no value here.
    const QVariant& Value(Key key) const { return m_values[static_cast<std::size_t>(key)]; }
    void SetValue(Key key, const QVariant& value);

    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    // Puts `szPath` on top of the recent-file list.
    void AddRecentFile(const QString& szPath);
    // Takes `szPath` off the recent-file list.
    void RemoveRecentFile(const QString& szPath);

signals:
    void changed(CAppSettings::Key key);

private:
    static constexpr std::size_t nKeys = static_cast<std::size_t>(Key::PreviewCacheMB) + 1;

    bool IsOn(Key key) const;
    void SetSwitch(Key key, bool bOn);

    QString m_szSettingsFile;
    std::array<QVariant, nKeys> m_values;
    CRecentFileList m_recentFiles {16};
    bool m_bLoaded = false;
};
