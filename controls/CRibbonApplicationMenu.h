// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QFrame>
#include <QList>

class QAction;
class QLabel;
class QToolButton;
class QVBoxLayout;
class QHBoxLayout;

// The menu of the ribbon's application button: a column of commands with separators, beside it a
// list of recently used files under its own label, and a bottom bar of buttons.
//
// Every entry shows a QAction; choosing it first closes the menu and then triggers the action, so a
// dialog the command opens never appears under the menu. aboutToShow() is emitted before each
// showing, while the entries can still be updated.
class CRibbonApplicationMenu : public QFrame
{
    Q_OBJECT

public:
    explicit CRibbonApplicationMenu(QWidget* parent = nullptr);

    QToolButton* AddButton(QAction* pAction, const QString& szKeyTip);
    void AddSeparator();
    // The recent-file list: one entry per action, hidden while its action is; digit key tips 1 to 9.
    void SetRecentFiles(const QString& szLabel, const QList<QAction*>& actions, int nWidth);
    QToolButton* AddBottomButton(QAction* pAction);

    // Shows the menu with its top-left corner at `ptGlobal`.
    void Popup(const QPoint& ptGlobal);

    // The entry showing `pAction`, or null.
    QToolButton* ButtonFor(const QAction* pAction) const;

signals:
    void aboutToShow();

protected:
    bool event(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    QToolButton* MakeEntry(QAction* pAction, Qt::ToolButtonStyle style, int nIcon);

    QVBoxLayout* m_pCommands = nullptr;
    QVBoxLayout* m_pRecent = nullptr;
    QHBoxLayout* m_pBottom = nullptr;
    QLabel* m_pRecentLabel = nullptr;
    QList<QToolButton*> m_entries;
};
