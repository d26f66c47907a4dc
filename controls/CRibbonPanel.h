// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QList>
#include <QWidget>

#include <utility>

class QAction;
class QBoxLayout;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QToolButton;

// One panel of a ribbon category: elements laid out from left to right above a caption.
//
// Large buttons take the panel's full height. Check boxes and buttons groups are small elements:
// consecutive small elements stack in a column of up to three rows. A separator is a vertical line.
// Every element that carries a command shows a QAction (never a copy of it): its text, icon, tooltip,
// status tip, enabled and checked state come from the action, and clicking it triggers the action.
// A key tip given to an element is stored on its widget as the property "ribbonKeyTip".
//
// Assistive tools hear every element by a name: a button or check box its action's text (its
// tooltip when the text is empty), an edit box the text of the group label before it without the
// trailing ": ".
class CRibbonPanel : public QWidget
{
    Q_OBJECT

public:
    explicit CRibbonPanel(const QString& szName, QWidget* parent = nullptr);

    QString Name() const { return m_szName; }

    // A large button: the action's icon at 32 x 32 above its text (on two lines when long); its
    // objectName is the action's. A button that `bKeepsText` gives up its text only at Fit::IconsOnly.
    QToolButton* AddButton(QAction* pAction, const QString& szKeyTip, bool bKeepsText = false);
    // A check box showing a checkable action's checked state; a click triggers the action. One that
    // `bSparesText` shows only its box while the panel is not at Fit::Full; its text stays in its name,
    // and its tooltip should say it.
    QCheckBox* AddCheckBox(QAction* pAction, const QString& szKeyTip, bool bSparesText = false);
    void AddSeparator();

    // A buttons group: the elements added until the next BeginGroup() or other element stay on one row.
    void BeginGroup();
    QLabel* AddGroupLabel(const QString& szText);
    // An edit box of the given width, enabled while `pAction` is; its objectName is the action's.
    // A label added just before it in the same group names it and is its buddy.
    QLineEdit* AddGroupEdit(QAction* pAction, int nWidth);
    // A control the caller made (a combo box, a spin box, an edit box) added to the group, enabled and
    // shown while `pAction` is; its objectName is the action's, and a label added just before it names
    // it as for an edit box. It takes the action's tips unless it has a tooltip; its key tip gives it
    // the focus.
    QWidget* AddGroupControl(QWidget* pControl, QAction* pAction, const QString& szKeyTip);
    // A small button showing only the action's icon at 16 x 16.
    QToolButton* AddGroupButton(QAction* pAction, const QString& szKeyTip);

    // How a panel that lacks room shows its large buttons: every text (Full), icons only but for the
    // buttons that keep their text (Compact), icons only (IconsOnly). A text given up stays in the
    // tooltip, so a category that lacks room still shows every element unclipped.
    enum class Fit {
        Full,
        Compact,
        IconsOnly,
    };
    void SetFit(Fit fit);
    bool IsCompact() const { return m_fit != Fit::Full; }

    static constexpr int nSmallRows = 3;

    // A large button's caption: texts longer than eight characters break at the blank nearest the middle.
    static QString TwoLineText(const QString& szText);

    // Keeps `pWidget` enabled and shown as `pAction` is from now on; a button also takes its text (on
    // two lines when `bTwoLines`) and tips, a check box its checked state, a tool button its icon.
    // Check boxes and edits cannot take an action, and a tool button given one with
    // setDefaultAction() would put the action's one-line text back on every change.
    static void FollowAction(QWidget* pWidget, QAction* pAction, bool bTwoLines = false);
    // The name assistive tools hear for an element showing `pAction`: its text without mnemonics,
    // else its tooltip.
    static QString AccessibleName(const QAction* pAction);

private:
    void SetButtonStyle(QToolButton* pButton, bool bKeepsText) const;
    // The column that takes the next small element, started anew when full.
    QBoxLayout* SmallColumn();
    QBoxLayout* CurrentGroup();
    // The label just before `pControl` in the current group, if any, names it and becomes its buddy.
    void NameByGroupLabel(QWidget* pControl);

    QString m_szName;
    QBoxLayout* m_pElements = nullptr;
    QBoxLayout* m_pSmallColumn = nullptr;
    QBoxLayout* m_pGroup = nullptr;
    // The label added last, while it is the last element of the current group.
    QLabel* m_pGroupLabel = nullptr;
    int m_nSmallInColumn = 0;
    // Whether the button keeps its text in a compact panel.
    QList<std::pair<QToolButton*, bool>> m_largeButtons;
    // The check boxes that give up their text when the panel lacks room, with their actions.
    QList<std::pair<QCheckBox*, QAction*>> m_sparingBoxes;
    Fit m_fit = Fit::Full;
};
