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

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLoggingCategory>
#include <QMenu>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

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
    m_pList->SetEndLabelEditHook(
        [this](int nItem, int nSubItem, const QString* pszText) { return OnEndLabelEdit(nItem, nSubItem, pszText); });

    connect(m_pList, &QAbstractItemView::clicked, this, &CQuireView::OnClickList);
    connect(m_pList, &CXListCtrl::checkboxClicked, this, [this] { m_bRowsEdited = true; });
    connect(m_pList, &CXListCtrl::editEnd, this, [this] { m_bRowsEdited = true; });
    connect(this, &CQuireView::jobListChanged, &m_frame, &CMainFrame::RequestCommandUpdate);
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CQuireView::jobListChanged);
    connect(m_pList->selectionModel(), &QItemSelectionModel::currentChanged, this, &CQuireView::jobListChanged);

    for (int nID = ID_FILE_REMOVE; nID <= ID_BUTTON2; ++nID) {
        if (QAction* pAction = m_frame.GetAction(nID))
            connect(pAction, &QAction::triggered, this, [this, nID] { OnCommandFile(nID); });
    }

    // The context menu shares the frame's actions. Its item texts differ from the ribbon labels, so
    // the ribbon's label moves to iconText (which the ribbon shows) and the menu text becomes text().
    struct MenuText
    {
        int nID;
        const char* szText;
    };
    const MenuText menuTexts[] = {{ID_FILE_REMOVE, "Remove &File"},
                                  {ID_FILE_REMOVE_ALL, "Remove &All"},
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
        if (item.nID == ID_FILE_REMOVE_ALL)
            m_pContextMenu->addSeparator();
    }
    connect(m_pContextMenu, &QMenu::aboutToShow, &m_frame, &CMainFrame::UpdateCommandUI);
}

std::array<int, 6> CQuireView::ColumnWidths(int nListWidth) const
{
    int nWidth = nListWidth - 2;
    if (m_pList && m_pList->verticalScrollBar()->isVisible())
        nWidth -= style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    std::array<int, 6> widths {};
    int nUsed = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        // The last column takes what the shares leave, so that the columns fill the list exactly.
        widths[i] = i + 1 == widths.size() ? nWidth - nUsed - 2 : m_nColWidths[i] * nWidth / 64;
        nUsed += widths[i];
    }
    return widths;
}

void CQuireView::InitListCtrl(CXListCtrl* pList)
{
    if (!pList)
        return;
    const std::array<int, 6> widths = ColumnWidths(pList->width());
    for (int i = 0; i < 6; ++i)
        pList->InsertColumn(i, QString::fromLatin1(kColumns[i].szTitle), kColumns[i].nAlign,
                            widths[static_cast<std::size_t>(i)], i == 0 ? 1 : 0);
    pList->SetUseEllipsis(true);
    SetEmptyListText(QString::fromLatin1(CMainFrame::kPromptText), Qt::black);
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
    const std::array<int, 6> widths = ColumnWidths(cx);
    for (int i = 0; i < m_pList->GetColumns() && i < 6; ++i)
        m_pList->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
    m_pList->setUpdatesEnabled(true);
}

bool CQuireView::AddListItem(const QString& szFilePath, QString& szError)
{
    UpdateListCtrlItemData();
    const quire::ListItemResult result = quire::MakeListItem(EngineText::FromPath(szFilePath));
    if (!result.item) {
        szError = result.error ? EngineText::ToText(result.error->what())
                               : QStringLiteral("%1 cannot be read.").arg(szFilePath);
        return false;
    }
    m_arrItems.Add(*result.item);
    return true;
}

void CQuireView::AppendListItem(const ListItemData& item)
{
    UpdateListCtrlItemData();
    m_arrItems.Add(item);
}

void CQuireView::UpdateListCtrl()
{
    if (!m_pList)
        return;
    // NOTE: adding a file appends one record to records the rows already show, so rebuilding every
    // row after each of a thousand added files would cost time quadratic in the list's length. When
    // nothing on screen changed since the last rebuild, the same end state (the same rows, no
    // selection, no open edit, scrolled to the top) is reached by appending the new rows only.
    const bool bInStep = !m_bRowsEdited && !m_pList->GetEditControl() && m_nRowsInStep == m_pList->GetItemCount()
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
    m_bRowsEdited = false;
    if (m_pList->GetItemCount() == 0)
        SetEmptyListText(QString::fromLatin1(CMainFrame::kPromptText), Qt::black);
    OnSize(width(), height());
    emit jobListChanged();
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
            m_pList->SetItemToolTipText(nRow, nCol, text);
        }
        for (int nCol = 3; nCol <= 5; ++nCol)
            m_pList->SetEdit(nRow, nCol);
    }
}

void CQuireView::UpdateListCtrlItemData()
{
    if (!m_pList)
        return;
    // Rows nobody touched since the last rebuild show their records exactly: there is nothing to copy.
    if (!m_bRowsEdited && m_nRowsInStep == m_pList->GetItemCount() && m_nRowsInStep <= m_arrItems.GetCount())
        return;
    const std::int32_t nCount = std::min<std::int32_t>(m_arrItems.GetCount(), m_pList->GetItemCount());
    for (std::int32_t i = 0; i < nCount; ++i) {
        ListItemData item = m_arrItems.GetAt(i);
        const int nState = m_pList->GetCheckedState(i, 0);
        if (nState == 2)
            item.bChecked = 1;
        else if (nState == 1)
            item.bChecked = 0;
        std::string* fields[5]
            = {&item.szFileName, &item.szPages, &item.szBeginPage, &item.szEndPage, &item.szBookmark};
        for (int nCol = 1; nCol <= 5; ++nCol)
            *fields[nCol - 1] = EngineText::FromText(m_pList->GetItemText(i, nCol));
        m_arrItems.SetAt(i, item);
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
    if (!m_pList)
        return;
    const int nSel = m_pList->GetCurSel();
    if (nSel < 0 || nSel >= m_arrItems.GetCount())
        return;
    UpdateListCtrlItemData();
    m_arrItems.RemoveAt(nSel);
    m_nRowsInStep = 0;
    UpdateListCtrl();
}

void CQuireView::RemoveAll()
{
    if (!m_pList)
        return;
    m_arrItems.RemoveAll();
    m_nRowsInStep = 0;
    UpdateListCtrl();
}

void CQuireView::Move(int nDelta)
{
    if (!m_pList)
        return;
    const int nSel = m_pList->GetCurSel();
    const int nTarget = nSel + nDelta;
    UpdateListCtrlItemData();
    if (!m_arrItems.Move(nSel, nTarget))
        return;
    m_nRowsInStep = 0;
    UpdateListCtrl();
    m_pList->SetCurSel(nTarget, false);
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
    UpdateListCtrlItemData();
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
        CDialogConvert dialog(MakeConvertJob(nMode, quire::MakeJobRows(m_arrItems), m_settings, szOutputPath),
                              window());
        dialog.exec();
        quire::MarkRowsTaken(m_arrItems, dialog.GetReport());
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
