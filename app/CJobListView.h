// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/ListItemData.h"

#include <QColor>
#include <QString>

// What the main frame needs of the file list view. The view implements it and is plugged into the
// frame with CMainFrame::SetView(); the frame's file intake and its enable pass go through it.
class CJobListView
{
public:
    virtual ~CJobListView() = default;

    // Copies the list's pending edits into the records, opens `szFilePath` once to count its pages and
    // test for an outline, and appends one complete record. Does not rebuild the rows. When the file
    // cannot be read nothing is appended and `szError` receives a sentence naming the file and the
    // reason; the answer is then false.
    virtual bool AddListItem(const QString& szFilePath, QString& szError) = 0;

    // Copies the list's pending edits into the records and appends `item`, a record read already (the
    // frame reads files on its intake thread). Does not rebuild the rows.
    virtual void AppendListItem(const ListItemData& item) = 0;

    // Rebuilds every row from the records.
    virtual void UpdateListCtrl() = 0;

    // The text the list shows while it has no rows.
    virtual void SetEmptyListText(const QString& szText, const QColor& colour) = 0;

    // Sets the enabled state of the view's commands (ID_FILE_REMOVE to ID_BUTTON2) from the current
    // selection and records; reaches them through CMainFrame::GetAction().
    virtual void OnUpdateCommandFile() = 0;
};
