// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "joblist/CListItemArray.h"

#include <QUndoCommand>

#include <functional>

// One change of the file list the user can undo: the records and the selected row before it and
// after it. Undo puts the first back, redo the second, both through the view's `apply`; the list is
// small enough for whole copies, and a whole copy cannot drift from the records it restores.
class CListEditCommand : public QUndoCommand
{
public:
    struct State
    {
        CListItemArray items;
        int nSel = -1; // the selected row, -1: none
    };
    // Makes `state` the records and the selection. `bShown`: the rows show the records already (the
    // user ticked or typed the change on screen), so only the records and the commands change.
    using Apply = std::function<void(const State& state, bool bShown)>;

    // `szText` names the change in "Undo …" and "Redo …". `bShown`: the change is on screen already,
    // so the first redo (QUndoStack::push) tells `apply` so.
    CListEditCommand(const QString& szText, State before, State after, bool bShown, Apply apply);

    void undo() override;
    void redo() override;

private:
    State m_before;
    State m_after;
    bool m_bShown;
    Apply m_apply;
};
