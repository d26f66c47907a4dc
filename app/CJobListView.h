// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/CListItemArray.h"
#include "joblist/ListItemData.h"

#include <QColor>
#include <QString>

// What the main frame needs of the file list view. The view implements it and is plugged into the
// frame with CMainFrame::SetView(); the frame's file intake and its enable pass go through it.
class CJobListView
{
public:
    virtual ~CJobListView() = default;

    // Appends `item`, a record read already (the frame reads files on its intake thread). Does not
    // rebuild the rows. Steps that could be undone before are forgotten.
    virtual void AppendListItem(const ListItemData& item) = 0;

    // The records, in list order.
    virtual const CListItemArray& GetItems() const = 0;

    // Makes `items` the records, unchecked rows and all, as one step the user can undo, named `szText`
    // ("Undo Open Job List"); the rows are rebuilt. Nothing happens when they equal the records.
    virtual void ReplaceListItems(const QString& szText, const CListItemArray& items) = 0;

    // Shows whether files dragged over the window would be taken.
    virtual void SetDropHighlight(bool bOn) = 0;

    // Rebuilds every row from the records.
    virtual void UpdateListCtrl() = 0;

    // The text the list shows while it has no rows.
    virtual void SetEmptyListText(const QString& szText, const QColor& colour) = 0;

    // Sets the enabled state of the view's commands (ID_FILE_REMOVE to ID_BUTTON2, Undo and Redo) from the current
    // selection and records; reaches them through CMainFrame::GetAction().
    virtual void OnUpdateCommandFile() = 0;
};
