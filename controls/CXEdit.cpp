// SPDX-License-Identifier: Apache-2.0
#include "controls/CXEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

CXEdit::CXEdit(QWidget* pParent, const QString& szInitialText)
    : QLineEdit(pParent)
    , m_szInitialText(szInitialText)
{
    setFrame(false);
    setAutoFillBackground(true);
    // setText also empties the undo history, so Undo cannot bring back an earlier box's text.
    setText(szInitialText);
    selectAll();
    qApp->installEventFilter(this);
}

CXEdit::~CXEdit()
{
    qApp->removeEventFilter(this);
}

bool CXEdit::Report()
{
    if (m_bReported)
        return false;
    m_bReported = true;
    qApp->removeEventFilter(this);
    return true;
}

void CXEdit::SendNotification(bool bEscape)
{
    if (!Report())
        return;
    if (bEscape)
        emit escape();
    else
        emit killFocus();
}

void CXEdit::keyPressEvent(QKeyEvent* pEvent)
{
    switch (pEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pEvent->accept();
        SendNotification(false);
        return;
    case Qt::Key_Escape:
        pEvent->accept();
        SendNotification(true);
        return;
    default:
        QLineEdit::keyPressEvent(pEvent);
    }
}

void CXEdit::focusOutEvent(QFocusEvent* pEvent)
{
    QLineEdit::focusOutEvent(pEvent);
    // The box's own context menu takes the focus for a moment; the edit goes on behind it.
    if (pEvent->reason() != Qt::PopupFocusReason)
        SendNotification(false);
}

bool CXEdit::focusNextPrevChild(bool bNext)
{
    // NOTE: Tab reaches a widget here, not in keyPressEvent, because QWidget::event turns it into
    // focus movement before any key handler sees it.
    if (Report())
        emit tab(bNext);
    return true;
}

bool CXEdit::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (!m_bReported && (pEvent->type() == QEvent::MouseButtonPress || pEvent->type() == QEvent::MouseButtonDblClick)
        && pWatched->isWidgetType()) {
        auto* pTarget = static_cast<QWidget*>(pWatched);
        // A press on the box or inside an open popup (its context menu) belongs to the edit.
        if (pTarget != this && !isAncestorOf(pTarget) && !QApplication::activePopupWidget())
            SendNotification(false);
    }
    // The press always goes on to its target: the list acts on it after the commit.
    return false;
}

void CXEdit::paintEvent(QPaintEvent* pEvent)
{
    QLineEdit::paintEvent(pEvent);
    // The box is one pixel taller than its row and covers the row's grid line; a line in the
    // inactive frame colour just above it keeps the cell's bottom edge visible.
    QPainter painter(this);
    painter.fillRect(0, height() - 2, width(), 1, palette().color(QPalette::Inactive, QPalette::Mid));
}
