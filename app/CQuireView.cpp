// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireView.h"

#include "app/CAppSettings.h"
#include "app/CDialogConvert.h"
#include "app/CMainFrame.h"
#include "app/CMessageBox.h"
#include "app/COutputPathRule.h"
#include "app/CShell.h"
#include "app/CommandIds.h"
#include "app/EngineText.h"
#include "controls/CXListCtrl.h"
#include "joblist/FileIntake.h"
#include "joblist/JobRows.h"
#include "preview/CPreviewPane.h"

#include <QAction>
#include <QCollator>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLoggingCategory>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

Q_LOGGING_CATEGORY(lcQuireView, "quire.view", QtWarningMsg)

namespace {

struct ColumnDef
{
    const char* szTitle;
    Qt::Alignment nAlign;
};

const ColumnDef kColumns[6] = {
    {"", Qt::AlignHCenter},           {"File Name", Qt::AlignLeft},   {"Pages", Qt::AlignHCenter},
    {"Begin Page", Qt::AlignHCenter}, {"End Page", Qt::AlignHCenter}, {"Bookmark", Qt::AlignLeft},
};

// The lock of a protected row's File Name cell: the icon theme's, else one drawn in the text colour.
const QIcon& LockIcon(const QColor& colour)
{
    static const QIcon icon = [&colour] {
        for (const char* szName : {"object-locked", "changes-prevent", "emblem-readonly"}) {
            const QIcon themed = QIcon::fromTheme(QLatin1String(szName));
            if (!themed.isNull())
                return themed;
        }
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour, 1.6));
        painter.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
        painter.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
        painter.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
        painter.fillRect(QRectF(2.5, 7.5, 11, 7.5), colour);
        return QIcon(pixmap);
    }();
    return icon;
}

bool SameRecords(const CListItemArray& a, const CListItemArray& b)
{
    if (a.GetCount() != b.GetCount())
        return false;
    for (std::int32_t i = 0; i < a.GetCount(); ++i) {
        if (!(a.GetAt(i) == b.GetAt(i)))
            return false;
    }
    return true;
}

} // namespace

CQuireView::CQuireView(CMainFrame& frame, CAppSettings& settings, QWidget* pParent)
    : QWidget(pParent)
    , m_frame(frame)
    , m_settings(settings)
{
    OnCreate();
    InitListCtrl(m_pList);
}

CQuireView::~CQuireView() = default;

void CQuireView::OnCreate()
{
    m_pList = new CXListCtrl(this);
    m_pList->setObjectName(QStringLiteral("FileList"));
    m_pList->setProperty("controlId", nListCtrlId);
    m_pList->setGeometry(0, 0, 100, 100);
    m_pList->setFrameShape(QFrame::StyledPanel);
    m_pList->setFrameShadow(QFrame::Sunken);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->SetFullRowSelect(true);
    m_pList->SetAlwaysShowSelection(true);
    m_pList->setShowGrid(true);
    m_pList->setFont(font());
    m_pList->setFocusPolicy(Qt::StrongFocus);
    m_pList->SetUseEllipsis(true);
    m_pList->setAccessibleName(QStringLiteral("PDF files"));
    // A reader names a tick cell by its row's file: "ten.pdf, checked".
    m_pList->SetAccessibleLabelColumn(1);
    // Page cells take page numbers only; an empty cell stands for the first or the last page.
    auto* pPages = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,9}")), this);
    m_pList->SetColumnValidator(3, pPages);
    m_pList->SetColumnValidator(4, pPages);
    m_pList->SetEndLabelEditHook(
        [this](int nItem, int nSubItem, const QString* pszText) { return OnEndLabelEdit(nItem, nSubItem, pszText); });
    connect(m_pList, &CXListCtrl::editTextChanged, this, &CQuireView::OnRangeTyped);

    connect(m_pList, &QAbstractItemView::clicked, this, &CQuireView::OnClickList);
    connect(m_pList, &CXListCtrl::checkboxClicked, this, &CQuireView::OnCheckboxClicked);
    connect(m_pList, &CXListCtrl::editEnd, this, &CQuireView::OnEditEnd);
    connect(m_pList->horizontalHeader(), &QHeaderView::sectionResized, this, &CQuireView::OnColumnResized);
    // NOTE: the vertical scroll bar comes and goes after the rows change, not when the view is resized;
    // the viewport's own size is what the shares must fill.
    m_pList->viewport()->installEventFilter(this);
    connect(this, &CQuireView::jobListChanged, &m_frame, &CMainFrame::RequestCommandUpdate);
    if (CPreviewPane* pPreview = m_frame.GetPreviewPane()) {
        // NOTE: a rebuild of the rows passes through a moment with no row selected; the pane follows
        // once the change is whole, so it keeps its place in the strip.
        m_pPreviewUpdate = new QTimer(this);
        m_pPreviewUpdate->setSingleShot(true);
        m_pPreviewUpdate->setInterval(0);
        connect(m_pPreviewUpdate, &QTimer::timeout, this, &CQuireView::UpdatePreview);
        connect(this, &CQuireView::jobListChanged, m_pPreviewUpdate, qOverload<>(&QTimer::start));
        connect(&m_settings, &CAppSettings::changed, this, [this](CAppSettings::Key key) {
            if (key == CAppSettings::Key::Preview)
                m_pPreviewUpdate->start();
        });
        connect(pPreview, &CPreviewPane::beginPicked, this, [this](int nPage) { OnPagePicked(3, nPage); });
        connect(pPreview, &CPreviewPane::endPicked, this, [this](int nPage) { OnPagePicked(4, nPage); });
    }
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CQuireView::jobListChanged);
    connect(m_pList->selectionModel(), &QItemSelectionModel::currentChanged, this, &CQuireView::jobListChanged);

    for (int nID = ID_FILE_REMOVE; nID <= ID_FILE_SORT_BY_NAME; ++nID) {
        if (QAction* pAction = m_frame.GetAction(nID))
            connect(pAction, &QAction::triggered, this, [this, nID] { OnCommandFile(nID); });
    }
    // The keys of these commands are widget shortcuts of the list: a cell editor or the Merge Output
    // edit with the focus keeps Delete and Ctrl+arrows for its text.
    for (const int nID : {ID_FILE_REMOVE, ID_FILE_MOVE_UP, ID_FILE_MOVE_DOWN}) {
        if (QAction* pAction = m_frame.GetAction(nID))
            m_pList->addAction(pAction);
    }
    // NOTE: a step keeps whole records, so undoing a Remove brings a protected row back with its
    // password; the stack lives in memory only, and its records are wiped as it drops them.
    m_pUndo = new QUndoStack(this);
    // NOTE: every step holds two copies of the records; the limit bounds what a long session keeps.
    m_pUndo->setUndoLimit(100);
    if (QAction* pUndo = m_frame.GetAction(ID_EDIT_UNDO))
        connect(pUndo, &QAction::triggered, m_pUndo, &QUndoStack::undo);
    if (QAction* pRedo = m_frame.GetAction(ID_EDIT_REDO))
        connect(pRedo, &QAction::triggered, m_pUndo, &QUndoStack::redo);

    // The context menu shares the frame's actions. Its item texts differ from the ribbon labels, so
    // the ribbon's label moves to iconText (which the ribbon shows) and the menu text becomes text().
    struct MenuText
    {
        int nID;
        const char* szText;
    };
    const MenuText menuTexts[] = {{ID_FILE_REMOVE, "Remove &File"},
                                  {ID_FILE_REMOVE_ALL, "Remove &All"},
                                  {ID_FILE_SORT_BY_NAME, "Sort by &Name"},
                                  {ID_FILE_CONVERT_MERGE, "&Start Convert"}};
    m_pContextMenu = new QMenu(QStringLiteral("Edit"), this);
    m_pContextMenu->setObjectName(QStringLiteral("EditMenu"));
    for (const MenuText& item : menuTexts) {
        QAction* pAction = m_frame.GetAction(item.nID);
        if (!pAction)
            continue;
        pAction->setIconText(pAction->iconText());
        pAction->setText(QString::fromLatin1(item.szText));
        m_pContextMenu->addAction(pAction);
        if (item.nID == ID_FILE_SORT_BY_NAME)
            m_pContextMenu->addSeparator();
    }
    connect(m_pContextMenu, &QMenu::aboutToShow, &m_frame, &CMainFrame::UpdateCommandUI);
}

std::array<int, 6> CQuireView::ColumnWidths(int nWidth)
{
    std::array<int, 6> widths {};
    int nUsed = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        // The last column takes what the rounded-down shares leave, so that the columns fill the
        // viewport exactly and never call for a horizontal scroll bar.
        widths[i] = i + 1 == widths.size() ? std::max(0, nWidth - nUsed) : m_nColWidths[i] * nWidth / 64;
        nUsed += widths[i];
    }
    return widths;
}

void CQuireView::InitListCtrl(CXListCtrl* pList)
{
    if (!pList)
        return;
    const std::array<int, 6> widths = ColumnWidths(pList->viewport()->width());
    const QList<int> saved = m_settings.ColumnWidths();
    m_bUserWidths = saved.size() == 6;
    m_bLayingOut = true;
    for (int i = 0; i < 6; ++i)
        pList->InsertColumn(i, QString::fromLatin1(kColumns[i].szTitle), kColumns[i].nAlign,
                            m_bUserWidths ? saved[i] : widths[static_cast<std::size_t>(i)], i == 0 ? 1 : 0);
    m_bLayingOut = false;
    // Shares fill the list exactly; widths the user chose may need the bar.
    pList->setHorizontalScrollBarPolicy(m_bUserWidths ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    pList->SetUseEllipsis(true);
    SetEmptyListText(QString::fromLatin1(CMainFrame::kPromptText), Qt::black);
}

void CQuireView::LayOutColumns()
{
    if (!m_pList || m_bUserWidths)
        return;
    const std::array<int, 6> widths = ColumnWidths(m_pList->viewport()->width());
    m_bLayingOut = true;
    for (int i = 0; i < m_pList->GetColumns() && i < 6; ++i)
        m_pList->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
    m_bLayingOut = false;
}

void CQuireView::OnColumnResized()
{
    if (m_bLayingOut || !m_pList)
        return;
    m_bUserWidths = true;
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QList<int> widths;
    for (int i = 0; i < m_pList->GetColumns(); ++i)
        widths.append(m_pList->columnWidth(i));
    m_settings.SetColumnWidths(widths);
}

bool CQuireView::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (m_pList && pObject == m_pList->viewport() && pEvent->type() == QEvent::Resize)
        LayOutColumns();
    return QWidget::eventFilter(pObject, pEvent);
}

void CQuireView::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    OnSize(pEvent->size().width(), pEvent->size().height());
}

void CQuireView::OnSize(int cx, int cy)
{
    if (!m_pList)
        return;
    m_pList->setUpdatesEnabled(false);
    m_pList->setGeometry(0, 0, cx, cy);
    LayOutColumns();
    m_pList->setUpdatesEnabled(true);
}

void CQuireView::AppendListItem(const ListItemData& item)
{
    m_arrItems.Add(item);
    // NOTE: the steps before would bring back records without the new file.
    if (m_pUndo->count() > 0)
        m_pUndo->clear();
}

void CQuireView::SetDropHighlight(bool bOn)
{
    if (m_pList)
        m_pList->SetDropHighlight(bOn);
}

void CQuireView::UpdateListCtrl()
{
    if (!m_pList)
        return;
    // NOTE: adding a file appends one record to records the rows already show, so rebuilding every
    // row after each of a thousand added files would cost time quadratic in the list's length. Ticks
    // and edits reach the records as they happen, so while no edit is open and no step changed the
    // membership or order, the same end state (the same rows, no selection, no open edit, scrolled to
    // the top) is reached by appending the new rows only.
    const bool bInStep = !m_pList->GetEditControl() && m_nRowsInStep == m_pList->GetItemCount()
        && m_nRowsInStep <= m_arrItems.GetCount();
    m_pList->setUpdatesEnabled(false);
    if (bInStep) {
        m_pList->clearSelection();
        m_pList->setCurrentIndex(QModelIndex());
        AppendRows(m_nRowsInStep);
        m_pList->scrollToTop();
    } else {
        m_pList->DeleteAllItems();
        m_pList->DeleteAllToolTips();
        AppendRows(0);
    }
    m_pList->setUpdatesEnabled(true);
    m_nRowsInStep = m_arrItems.GetCount();
    if (m_pList->GetItemCount() == 0)
        SetEmptyListText(QString::fromLatin1(CMainFrame::kPromptText), Qt::black);
    OnSize(width(), height());
    emit jobListChanged();
}

QString CQuireView::PageRangeTip(const ListItemData& item)
{
    return QStringLiteral("1 \u2013 %1").arg(EngineText::ToText(item.szPages));
}

void CQuireView::AppendRows(std::int32_t nFirst)
{
    for (std::int32_t i = nFirst; i < m_arrItems.GetCount(); ++i) {
        const ListItemData& item = m_arrItems.GetAt(i);
        const int nRow = m_pList->InsertItem(m_pList->GetItemCount(), QStringLiteral(" "));
        m_pList->SetItemToolTipText(nRow, 0, QStringLiteral(" "));
        m_pList->SetCheckbox(nRow, 0, item.bChecked == 1 ? 2 : 1);
        const std::string* texts[5]
            = {&item.szFileName, &item.szPages, &item.szBeginPage, &item.szEndPage, &item.szBookmark};
        for (int nCol = 1; nCol <= 5; ++nCol) {
            const QString text = EngineText::ToText(*texts[nCol - 1]);
            m_pList->SetItemText(nRow, nCol, text);
            m_pList->SetItemToolTipText(nRow, nCol, nCol == 3 || nCol == 4 ? PageRangeTip(item) : text);
        }
        for (int nCol = 3; nCol <= 5; ++nCol)
            m_pList->SetEdit(nRow, nCol);
        if (item.bEncrypted) {
            const QString szName = EngineText::ToText(item.szFileName);
            const QString szProtection = item.szPassword.IsEmpty()
                ? QStringLiteral("Protected: opens without a password, with restrictions")
                : QStringLiteral("Protected by a password");
            m_pList->SetItemIcon(nRow, 1, LockIcon(m_pList->palette().color(QPalette::Text)));
            m_pList->SetItemToolTipText(nRow, 1, szName + QLatin1Char('\n') + szProtection);
            m_pList->SetItemAccessibleText(nRow, 1, szName + QStringLiteral(", ") + szProtection.toLower());
        }
    }
}

void CQuireView::SetEmptyListText(const QString& szText, const QColor& colour)
{
    if (!m_pList)
        return;
    m_pList->SetNoItemsMessage(szText);
    m_pList->SetNoItemsMessageColor(colour);
    m_pList->viewport()->repaint();
}

void CQuireView::OnUpdateCommandFile()
{
    const int nSel = m_pList ? m_pList->GetCurSel() : -1;
    const int nRows = m_pList ? m_pList->GetItemCount() : 0;
    int nChecked = 0;
    for (std::int32_t i = 0; i < m_arrItems.GetCount(); ++i)
        nChecked += m_arrItems.GetAt(i).bChecked == 1 ? 1 : 0;

    const auto enable = [this](int nID, bool bDisable) {
        if (QAction* pAction = m_frame.GetAction(nID))
            pAction->setEnabled(!bDisable);
    };
    enable(ID_FILE_REMOVE, nSel == -1);
    enable(ID_FILE_REMOVE_ALL, nRows == 0);
    enable(ID_FILE_MOVE_UP, nSel == -1 || nSel == 0);
    enable(ID_FILE_MOVE_DOWN, nSel == -1 || nSel == nRows - 1);
    enable(ID_FILE_CONVERT_MERGE, nChecked < 2);
    enable(ID_FILE_CONVERT_SPLIT, nChecked < 1);
    enable(ID_FILE_VIEW_SELECTION, nSel == -1);
    enable(ID_BUTTON2, false);
    enable(ID_FILE_SORT_BY_NAME, nRows < 2);
    // The stack names the step each command would take back or do again.
    const auto name = [this](int nID, bool bCan, const char* szVerb, const QString& szStep) {
        QAction* pAction = m_frame.GetAction(nID);
        if (!pAction)
            return;
        const QString szText = bCan ? QStringLiteral("%1 %2").arg(QLatin1String(szVerb), szStep) : szVerb;
        pAction->setEnabled(bCan);
        pAction->setText(szText);
        pAction->setToolTip(szText);
    };
    name(ID_EDIT_UNDO, m_pUndo->canUndo(), "Undo", m_pUndo->undoText());
    name(ID_EDIT_REDO, m_pUndo->canRedo(), "Redo", m_pUndo->redoText());
}

void CQuireView::OnCommandFile(int nID)
{
    switch (nID) {
    case ID_FILE_REMOVE:
        Remove();
        break;
    case ID_FILE_REMOVE_ALL:
        RemoveAll();
        break;
    case ID_FILE_MOVE_UP:
        Move(-1);
        break;
    case ID_FILE_MOVE_DOWN:
        Move(+1);
        break;
    case ID_FILE_SORT_BY_NAME:
        SortByName();
        break;
    case ID_FILE_CONVERT_MERGE:
        RunJob(1);
        break;
    case ID_FILE_CONVERT_SPLIT:
        RunJob(0);
        break;
    case ID_FILE_VIEW_SELECTION:
        if (m_pList) {
            const int nSel = m_pList->GetCurSel();
            if (nSel >= 0 && nSel < m_arrItems.GetCount())
                CShell::OpenFile(EngineText::ToPath(m_arrItems.GetAt(nSel).szFilePath));
        }
        break;
    case ID_BUTTON2:
        CShell::OpenFile(GetMergeOutputPath());
        break;
    default:
        break;
    }
}

void CQuireView::Remove()
{
    const int nSel = m_pList ? m_pList->GetCurSel() : -1;
    if (nSel < 0 || nSel >= m_arrItems.GetCount())
        return;
    CListEditCommand::State after {m_arrItems, -1};
    after.items.RemoveAt(nSel);
    Commit(QStringLiteral("Remove"), std::move(after), false);
}

void CQuireView::ReplaceListItems(const QString& szText, const CListItemArray& items)
{
    Commit(szText, {items, items.IsEmpty() ? -1 : 0}, false);
}

void CQuireView::RemoveAll()
{
    Commit(QStringLiteral("Remove All"), {}, false);
}

void CQuireView::Move(int nDelta)
{
    if (!m_pList)
        return;
    const int nSel = m_pList->GetCurSel();
    CListEditCommand::State after {m_arrItems, nSel + nDelta};
    if (!after.items.Move(nSel, after.nSel))
        return;
    Commit(nDelta < 0 ? QStringLiteral("Move Up") : QStringLiteral("Move Down"), std::move(after), false);
}

void CQuireView::SortByName()
{
    // NOTE: Qt compares plainly, numbers as text, under the C locale; a user without a language of
    // their own gets the common collation, which counts as everybody does.
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    std::vector<std::int32_t> order;
    for (std::int32_t i = 0; i < m_arrItems.GetCount(); ++i) {
        keys.push_back(collator.sortKey(EngineText::ToText(m_arrItems.GetAt(i).szFileName)));
        order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::int32_t a, std::int32_t b) { return keys[a].compare(keys[b]) < 0; });
    const int nSel = m_pList ? m_pList->GetCurSel() : -1;
    CListEditCommand::State after;
    for (const std::int32_t nFrom : order) {
        if (nFrom == nSel)
            after.nSel = after.items.GetCount();
        after.items.Add(m_arrItems.GetAt(nFrom));
    }
    Commit(QStringLiteral("Sort by Name"), std::move(after), false);
}

void CQuireView::OnCheckboxClicked(int nItem, int nSubItem)
{
    if (!m_pList || nSubItem != 0 || nItem >= m_arrItems.GetCount())
        return;
    CListEditCommand::State after = CurrentState();
    // NOTE: the header box speaks before the rows take its new state, which is every row's next state.
    const bool bChecked = (nItem < 0 ? m_pList->GetHeaderCheckedState(0) : m_pList->GetCheckedState(nItem, 0)) == 2;
    for (std::int32_t i = std::max(nItem, 0); i < (nItem < 0 ? after.items.GetCount() : nItem + 1); ++i) {
        ListItemData item = after.items.GetAt(i);
        item.bChecked = bChecked ? 1 : 0;
        after.items.SetAt(i, item);
    }
    const QString szText = QLatin1String(bChecked ? "Tick" : "Untick") + QLatin1String(nItem < 0 ? " All" : "");
    Commit(szText, std::move(after), true);
}

void CQuireView::OnEditEnd(int nItem, int nSubItem)
{
    m_typed = {};
    if (!m_pList || nSubItem < 3 || nSubItem > 5 || nItem < 0 || nItem >= m_arrItems.GetCount())
        return;
    CListEditCommand::State after = CurrentState();
    ListItemData item = after.items.GetAt(nItem);
    std::string* fields[3] = {&item.szBeginPage, &item.szEndPage, &item.szBookmark};
    const QString szText = m_pList->GetItemText(nItem, nSubItem);
    *fields[nSubItem - 3] = EngineText::FromText(szText);
    after.items.SetAt(nItem, item);
    // The bookmark's tip shows the whole text, as a rebuild would have set it; page tips stay "1 – N".
    if (nSubItem == 5)
        m_pList->SetItemToolTipText(nItem, nSubItem, szText);
    Commit(QStringLiteral("Edit %1").arg(QLatin1String(kColumns[nSubItem].szTitle)), std::move(after), true);
}

void CQuireView::UpdatePreview()
{
    CPreviewPane* pPreview = m_frame.GetPreviewPane();
    if (!pPreview)
        return;
    const int nSel = m_pList ? m_pList->GetCurSel() : -1;
    if (!m_settings.IsPreviewOn() || nSel < 0 || nSel >= m_arrItems.GetCount()) {
        m_nPreviewItem = -1;
        pPreview->ShowRow({});
        return;
    }
    const ListItemData& item = m_arrItems.GetAt(nSel);
    const quire::PageRange range = PreviewRange(nSel);
    m_nPreviewItem = nSel;
    pPreview->ShowRow({EngineText::ToPath(item.szFilePath), QString::fromStdString(item.szPassword.Get()),
                       range.Pages(), range.Begin(), range.End()});
}

quire::PageRange CQuireView::PreviewRange(int nItem) const
{
    const ListItemData& item = m_arrItems.GetAt(nItem);
    std::string begin = item.szBeginPage;
    std::string end = item.szEndPage;
    // A box still open on the row shows what the jobs will read once it is closed.
    if (m_typed.nItem == nItem && m_pList && m_pList->GetEditControl())
        (m_typed.nSubItem == 3 ? begin : end) = EngineText::FromText(m_typed.szText);
    return quire::PageRange::Normalise(quire::PageRange::ParsePageText(item.szPages), begin, end);
}

void CQuireView::OnPagePicked(int nSubItem, int nPage)
{
    if (!m_pList || m_nPreviewItem < 0 || m_nPreviewItem >= m_arrItems.GetCount())
        return;
    // A box open on the row would put its own text back when it closes.
    m_pList->CancelEditLabel();
    // The page goes into the cell as if typed there.
    m_pList->SetItemText(m_nPreviewItem, nSubItem, QString::number(nPage));
    OnEditEnd(m_nPreviewItem, nSubItem);
}

void CQuireView::OnRangeTyped(int nItem, int nSubItem, const QString& szText)
{
    CPreviewPane* pPreview = m_frame.GetPreviewPane();
    if (!pPreview || (nSubItem != 3 && nSubItem != 4) || nItem >= m_arrItems.GetCount())
        return;
    m_typed = {nItem, nSubItem, szText};
    if (nItem != m_nPreviewItem)
        return;
    const quire::PageRange range = PreviewRange(nItem);
    pPreview->SetRange(range.Begin(), range.End());
}

CListEditCommand::State CQuireView::CurrentState() const
{
    return {m_arrItems, m_pList ? m_pList->GetCurSel() : -1};
}

void CQuireView::Commit(const QString& szText, CListEditCommand::State after, bool bShown)
{
    if (SameRecords(after.items, m_arrItems))
        return;
    m_pUndo->push(new CListEditCommand(
        szText, CurrentState(), std::move(after), bShown,
        [this](const CListEditCommand::State& state, bool bRowsShowIt) { Apply(state, bRowsShowIt); }));
}

void CQuireView::Apply(const CListEditCommand::State& state, bool bShown)
{
    m_arrItems = state.items;
    if (!bShown && m_pList) {
        m_nRowsInStep = 0;
        UpdateListCtrl();
        if (state.nSel >= 0)
            m_pList->SetCurSel(state.nSel, true);
    }
    emit jobListChanged();
}

QString CQuireView::CheckMergeOutput(const QString& szPath) const
{
    if (szPath.trimmed().isEmpty())
        return QStringLiteral("There is no merge output file. Type its path into \"Merge Output\" or choose it with "
                              "the Browse button, then merge again.");
    const QFileInfo info(szPath);
    if (info.isDir())
        return QStringLiteral("The merge output %1 is a folder. Type a file name ending in .pdf into \"Merge Output\" "
                              "or choose one with the Browse button, then merge again.")
            .arg(szPath);
    if (info.exists() && !info.isFile())
        return QStringLiteral("The merge output %1 is not a regular file (a device or a pipe, for example), so nothing "
                              "was written to it. Type the name of a PDF file into \"Merge Output\" or choose one "
                              "with the Browse button, then merge again.")
            .arg(szPath);
    if (info.exists()) {
        QFile file(szPath);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral(
                       "The merge output %1 cannot be read (%2), so it was left as it is: only a PDF file is "
                       "replaced. Choose another output file with the Browse button.")
                .arg(szPath, file.errorString());
        // NOTE: readers accept a PDF header anywhere in the first kilobyte; a file without one there is
        // some other document, which a merge typed over it by mistake must not destroy. An empty file
        // holds nothing to lose.
        if (file.size() > 0 && !file.read(1024).contains("%PDF-"))
            return QStringLiteral("The merge output %1 is not a PDF file, so it was left as it is. Type the name of a "
                                  "PDF file into \"Merge Output\" or choose one with the Browse button, then merge "
                                  "again.")
                .arg(szPath);
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("The folder of the merge output %1 does not exist. Choose another output file with "
                              "the Browse button.")
            .arg(szPath);
    if (!folder.isWritable())
        return QStringLiteral("The merge output %1 cannot be written: the folder %2 is not writable. Choose another "
                              "output file with the Browse button.")
            .arg(szPath, folder.absoluteFilePath());
    return QString();
}

QString CQuireView::GetMergeOutputPath() const
{
    return COutputPathRule::Resolve(m_frame.GetOutputPathText(), m_settings.SavePath());
}

void CQuireView::RunJob(int nMode)
{
    std::string szOutputPath;
    if (nMode == 1) {
        QString szOutput = GetMergeOutputPath();
        // A folder (the documents folder on a first start) asks for the file to write in it.
        if (QFileInfo(szOutput).isDir()) {
            szOutput = m_frame.ChooseMergeOutput(szOutput);
            if (szOutput.isEmpty())
                return;
        }
        const QString problem = CheckMergeOutput(szOutput);
        if (!problem.isEmpty()) {
            CMessageBox::Warning(window(), problem);
            return;
        }
        szOutputPath = EngineText::FromPath(szOutput);
    }
    {
        CDialogConvert dialog(MakeConvertJob(nMode, quire::MakeJobRows(m_arrItems), m_settings, szOutputPath,
                                             m_frame.GetMergeProtection(), m_frame.IsRemoveProtectionOn()),
                              window());
        dialog.exec();
        quire::MarkRowsTaken(m_arrItems, dialog.GetReport());
        m_frame.ShowJobResult(SummariseJob(dialog.Job(), dialog.GetReport()), ResultFolder(dialog.GetReport()));
    }
    emit jobListChanged();
}

void CQuireView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    OnContextMenu(pEvent->globalPos());
    pEvent->accept();
}

void CQuireView::OnContextMenu(const QPoint& globalPos)
{
    m_pContextMenu->popup(globalPos);
}

bool CQuireView::OnEndLabelEdit(int nItem, int nSubItem, const QString* pszText)
{
    const QByteArray text = pszText ? pszText->toUtf8() : QByteArray();
    Log("LVN_ENDLABELEDIT for (%d,%d):  '%s' - pszText is %s", nItem, nSubItem, text.constData(),
        pszText ? "not NULL" : "NULL");
    return true;
}

void CQuireView::OnClickList(const QModelIndex& index)
{
    if (!index.isValid() || index.row() < 0 || index.column() < 0 || index.row() >= m_arrItems.GetCount())
        return;
    m_frame.SetMessageText(EngineText::ToPath(m_arrItems.GetAt(index.row()).szFilePath));
}

void CQuireView::Log(const char* szFormat, ...)
{
    if (!lcQuireView().isDebugEnabled())
        return;
    char szLine[2000];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szLine, sizeof szLine, szFormat, args);
    va_end(args);
    for (char& c : szLine) {
        if (c == '\0')
            break;
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    qCDebug(lcQuireView, "%s", szLine);
}
