// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class CRibbonApplicationMenu;
class CRibbonCategory;
class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;

// A ribbon: an application button with its menu at the left end of a row of category tabs, elements
// at the right end of that row, and below it the panels of the current category.
//
// Key tips: pressing Alt (or F10) in the ribbon's window shows a letter beside the application button,
// each tab and each tab-row element. Typing a letter chooses it: a tab becomes current and shows the
// key tips of its elements, the application button opens its menu and shows the key tips of its
// entries, a button is clicked, an edit, combo or spin box takes the focus. Escape goes back one level; Alt again, a
// mouse click or any other key ends the key tips. The letters are the "ribbonKeyTip" properties of the element widgets.
class CRibbonBar : public QWidget
{
    Q_OBJECT

public:
    explicit CRibbonBar(QWidget* parent = nullptr);
    ~CRibbonBar() override;

    // The application button: its image, key tip, tooltip and (square) size. The tooltip is the
    // application's title, and also the name assistive tools hear for the button.
    void SetApplicationButton(const QIcon& icon, const QString& szKeyTip, const QString& szToolTip, int nSize);
    QToolButton* ApplicationButton() const { return m_pAppButton; }
    CRibbonApplicationMenu* ApplicationMenu() const { return m_pAppMenu; }
    // Opens the application menu below its button.
    void ShowApplicationMenu();

    CRibbonCategory* AddCategory(const QString& szName, const QString& szKeyTip);
    int CategoryCount() const;
    CRibbonCategory* Category(int nIndex) const;
    CRibbonCategory* ActiveCategory() const;
    void SetActiveCategory(int nIndex);
    QTabBar* TabBar() const { return m_pTabs; }

    // A button at the right end of the tab row showing `pAction`; when `pMenu` is given, the action
    // opens that menu below the button, its right edge aligned with the button's.
    QToolButton* AddToTabs(QAction* pAction, const QString& szKeyTip, QMenu* pMenu);

    // The Windows 7 look draws a flat ribbon and a square application button.
    void SetWindows7Look(bool bOn);
    bool IsWindows7Look() const { return m_bWindows7Look; }

    // Key tips being shown, and their letters in the order shown (for the current level).
    bool IsKeyTipMode() const { return m_nLevel != Level::None; }
    QStringList VisibleKeyTips() const;
    void ShowKeyTips();
    void HideKeyTips();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    enum class Level {
        None,
        Top,
        Category,
        ApplicationMenu,
    };
    struct KeyTip
    {
        QString szKey;
        QPointer<QWidget> pWidget; // the element; null for a tab
        int nTab = -1;
        QPointer<QLabel> pLabel;
    };

    void EnterLevel(Level level);
    void ClearKeyTipLabels();
    void AddKeyTip(QWidget* pHost, const QPoint& ptBottomCentre, const QString& szKey, QWidget* pWidget, int nTab);
    // Handles a key while key tips show; false lets the key through.
    bool OnKeyTipKey(int nKey, const QString& szText);
    bool BelongsToRibbonWindow(QObject* pObject) const;

    QToolButton* m_pAppButton = nullptr;
    CRibbonApplicationMenu* m_pAppMenu = nullptr;
    QTabBar* m_pTabs = nullptr;
    QStackedWidget* m_pStack = nullptr;
    QWidget* m_pTabElements = nullptr;
    QList<CRibbonCategory*> m_categories;
    QList<QToolButton*> m_tabButtons;
    bool m_bWindows7Look = false;
    Level m_nLevel = Level::None;
    QList<KeyTip> m_keyTips;
};
