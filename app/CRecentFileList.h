// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The most-recently-used file list: at most GetSize() paths, the newest first. It lives in the
// settings area, group "Recent File List", keys File1 to FileN.
class CRecentFileList
{
public:
    explicit CRecentFileList(int nSize);

    void ReadList(const QSettings& area);
    // Writes every entry and removes the keys of entries no longer held.
    void WriteList(QSettings& area) const;

    // Puts `szPath` on top; an equal entry further down is removed, and the oldest entry drops off
    // when the list is full.
    void Add(const QString& szPath);
    // Takes `szPath` off the list; false when it was not on it.
    bool Remove(const QString& szPath);

    int GetSize() const { return m_nSize; }
    int Count() const { return static_cast<int>(m_entries.size()); }
    // The entry at `nIndex` (0 is the newest), or empty.
    QString Entry(int nIndex) const { return m_entries.value(nIndex); }
    const QStringList& Entries() const { return m_entries; }

private:
    int m_nSize;
    QStringList m_entries;
};
