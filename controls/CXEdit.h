// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QLineEdit>
#include <QString>

// The one-line edit box a list opens over an edit cell. It starts with the cell's text all
// selected and reports how the edit ends, once:
//   killFocus() on Enter, on loss of focus, or on a press anywhere outside the box;
//   escape()    on Escape, and then no killFocus();
//   tab(bForward) on Tab (true) or Shift+Tab (false), and then no killFocus(): the owner commits
//               and moves on instead of letting the focus leave for the next widget.
// While it is open it watches every press in the application (as if it held the mouse capture):
// a press outside first reports killFocus() and then goes on to the widget under the pointer
// unchanged, so a press on another cell of the list acts there at the same point.
// The owner ends the box after a report; after its report the box stays silent, also when it
// loses the focus by being hidden or destroyed.
class CXEdit : public QLineEdit
{
    Q_OBJECT

public:
    CXEdit(QWidget* pParent, const QString& szInitialText);
    ~CXEdit() override;

    const QString& GetInitialText() const { return m_szInitialText; }
    // True once killFocus() or escape() went out.
    bool HasReported() const { return m_bReported; }

signals:
    void killFocus();
    void escape();
    void tab(bool bForward);

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    bool focusNextPrevChild(bool bNext) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // Marks the box as reported; false when it had reported already.
    bool Report();
    void SendNotification(bool bEscape);

    QString m_szInitialText;
    bool m_bReported = false;
};
