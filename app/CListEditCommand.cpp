// SPDX-License-Identifier: Apache-2.0
#include "app/CListEditCommand.h"

#include <utility>

CListEditCommand::CListEditCommand(const QString& szText, State before, State after, bool bShown, Apply apply)
    : QUndoCommand(szText)
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_bShown(bShown)
    , m_apply(std::move(apply))
{ }

void CListEditCommand::undo()
{
    m_apply(m_before, false);
}

void CListEditCommand::redo()
{
    // Only the first redo follows the screen; a later one comes after an undo rebuilt the rows.
    m_apply(m_after, std::exchange(m_bShown, false));
}
