// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/CJobListView.h"
#include "joblist/FileIntake.h"

#include <QFile>
#include <QWidget>

#include <vector>

// A stand-in for the file list view: records built by the real intake (reader included), rebuild and
// empty-text calls counted, and the empty-list rules for the commands.
class RecordingListView : public QWidget, public CJobListView
{
public:
    bool AddListItem(const QString& szFilePath, QString& szError) override
    {
        m_szEmptyTextWhileAdding = m_szEmptyText;
        const quire::ListItemResult result = quire::MakeListItem(QFile::encodeName(szFilePath).toStdString());
        if (!result.item) {
            szError = QString::fromStdString(result.error->what());
            return false;
        }
        m_items.push_back(*result.item);
        return true;
    }
    void UpdateListCtrl() override { ++m_nRebuilds; }
    void SetEmptyListText(const QString& szText, const QColor&) override { m_szEmptyText = szText; }
    void OnUpdateCommandFile() override { ++m_nUpdates; }

    QStringList Paths() const
    {
        QStringList paths;
        for (const ListItemData& item : m_items)
            paths.append(QFile::decodeName(item.szFilePath.c_str()));
        return paths;
    }

    std::vector<ListItemData> m_items;
    int m_nRebuilds = 0;
    int m_nUpdates = 0;
    QString m_szEmptyText;
    QString m_szEmptyTextWhileAdding;
};
