// SPDX-License-Identifier: Apache-2.0
#include "app/CMainFrame.h"

#include "app/CAppLook.h"
#include "app/CAppSettings.h"
#include "app/CDialogAbout.h"
#include "app/CDialogPDFProperties.h"
#include "app/CDialogPassword.h"
#include "app/CFileDialog.h"
#include "app/CFileIntakeJob.h"
#include "app/CHelpWindow.h"
#include "app/CJobListView.h"
#include "app/CLockKeyIndicators.h"
#include "app/CMessageBox.h"
#include "app/CMultiSelectFileDialog.h"
#include "app/COutputPathRule.h"
#include "app/CShell.h"
#include "app/CommandIds.h"
#include "app/EngineText.h"
#include "app/HelpTargets.h"
#include "controls/CRibbonApplicationMenu.h"
#include "controls/CRibbonBar.h"
#include "controls/CRibbonCategory.h"
#include "controls/CRibbonPanel.h"
#include "engine/PageRange.h"
#include "joblist/FileIntake.h"
#include "joblist/JobListFile.h"
#include "preview/CPreviewPane.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <algorithm>

// Resources of a static library must be registered by name from the global namespace.
static void InitQuireResources()
{
    Q_INIT_RESOURCE(quire);
}

namespace {

const char* const kReady = "Ready";
const QSize kMinimumSize(900, 600);

// The Split panel's mode choices, in the order listed.
enum SplitChoice {
    kPageRange,
    kEveryPages,
    kAtBookmarks,
    kSinglePages,
};

QIcon Image(int nIndex)
{
    return nIndex < 0 ? QIcon() : QIcon(QStringLiteral(":/icons/%1.svg").arg(nIndex));
}

} // namespace

struct CMainFrame::JobListIntake
{
    QString szFile;
    quire::JobListFile list;
    CListItemArray items {}; // the rows read so far, with their saved ranges, texts and ticks
    QStringList clamped {}; // one sentence per row whose range was brought within its file
    bool bCancelled = false;
};

CMainFrame::CMainFrame(CAppSettings& settings, CPageRenderer& renderer, QWidget* parent)
    : QMainWindow(parent)
    , m_settings(settings)
{
    InitQuireResources();
    setObjectName(QStringLiteral("CMainFrame"));

    setWindowIcon(QIcon(QStringLiteral(":/quire-binder.svg")));
    setWindowTitle(QStringLiteral("Quire Binder"));
    FitMinimumToScreen();
    setAcceptDrops(true);

    CreateActions();
    const int nLook = static_cast<int>(m_settings.ApplicationLook());
    OnApplicationLook(nLook);
    m_pRibbon = new CRibbonBar(this);
    // The ribbon clips its panels rather than widen the window's minimum.
    m_pRibbon->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMenuWidget(m_pRibbon);
    InitializeRibbon();
    m_pRibbon->SetWindows7Look(CAppLook::IsWindows7Ribbon(nLook));
    CreateStatusBar();
    setCentralWidget(new QWidget(this));
    CreatePreviewDock(renderer);

    SetOutputPathEditText(m_settings.SavePath());
    m_pIntakeJob = new CFileIntakeJob(this);
    // NOTE: the rows read are added at most every 40 ms rather than at every file: the list still
    // grows as the files are read, and a thousand small files cost a few dozen rebuilds and repaints
    // instead of a thousand.
    m_pIntakeDrain = new QTimer(this);
    m_pIntakeDrain->setSingleShot(true);
    m_pIntakeDrain->setInterval(40);
    connect(m_pIntakeDrain, &QTimer::timeout, this, &CMainFrame::OnIntakeResults);
    connect(m_pIntakeJob, &CFileIntakeJob::resultsReady, m_pIntakeDrain, [this] {
        if (!m_pIntakeDrain->isActive())
            m_pIntakeDrain->start();
    });
    connect(m_pIntakeJob, &CFileIntakeJob::finished, this, &CMainFrame::OnIntakeFinished);
    connect(m_pIntakeJob, &CFileIntakeJob::passwordNeeded, this, &CMainFrame::OnIntakePassword);
    connect(&m_settings, &CAppSettings::changed, this, &CMainFrame::RequestCommandUpdate);
    UpdateRecentFileActions();
    UpdateCommandUI();
    restoreGeometry(m_settings.WindowGeometry());
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(int nID, const char* szName, const QString& szText, const QString& szStrings,
                                int nImage)
{
    auto* pAction = new QAction(Image(nImage), szText, this);
    pAction->setObjectName(QLatin1String(szName));
    pAction->setData(nID);
    // The string table's entry: the description before the line break, the tooltip after it.
    const qsizetype nBreak = szStrings.indexOf(QLatin1Char('\n'));
    if (nBreak >= 0) {
        pAction->setStatusTip(szStrings.left(nBreak));
        pAction->setToolTip(szStrings.mid(nBreak + 1));
    }
    addAction(pAction);
    m_actions.insert(nID, pAction);
    return pAction;
}

void CMainFrame::CreateActions()
{
    struct Command
    {
        int nID;
        const char* szName;
        const char* szText;
        const char* szStrings;
        int nImage;
    };
    static const Command commands[] = {
        {ID_FILE_OPEN, "ID_FILE_OPEN", "Add PDF Files", "Open Existing PDF Files\nAdd PDF Files", 0},
        {ID_FILE_REMOVE, "ID_FILE_REMOVE", "Remove", "Remove PDF File from List\nRemove", 3},
        {ID_FILE_REMOVE_ALL, "ID_FILE_REMOVE_ALL", "Remove All", "Remove All PDF Files from List\nRemove All", 4},
        {ID_FILE_MOVE_UP, "ID_FILE_MOVE_UP", "Move Up", "Move Selected PDF File Up\nMove Up", 1},
        {ID_FILE_MOVE_DOWN, "ID_FILE_MOVE_DOWN", "Move Down", "Move Selected PDF File Down\nMove Down", 2},
        {ID_FILE_CONVERT_MERGE, "ID_FILE_CONVERT_MERGE", "Merge", "Start Merge\nMerge", 5},
        {ID_FILE_CONVERT_SPLIT, "ID_FILE_CONVERT_SPLIT", "Split", "Start Split\nSplit", 6},
        {ID_FILE_VIEW_SELECTION, "ID_FILE_VIEW_SELECTION", "View Selection", "View Selected PDF File\nView Selection",
         8},
        {ID_BUTTON2, "ID_BUTTON2", "View Merged Result", "View Merged PDF File\nView Merged Result", 8},
        {ID_FILE_SORT_BY_NAME, "ID_FILE_SORT_BY_NAME", "Sort by Name",
         "Sort the List by File Name, Numbers by Their Value\nSort by Name", 15},
        {ID_SPLIT_MODE, "ID_SPLIT_MODE", "", "How Split Cuts Each File\nSplit Mode", -1},
        {ID_SPLIT_EVERY, "ID_SPLIT_EVERY", "", "Pages in Each Part for Every N Pages\nPages per Part", -1},
        {ID_SPLIT_LEVEL, "ID_SPLIT_LEVEL", "", "Bookmark Level Split Cuts At (1: Top Level)\nBookmark Level", -1},
        {ID_SPLIT_NAME_TEMPLATE, "ID_SPLIT_NAME_TEMPLATE", "",
         "File Name of Each Part: {title} {begin} {end} {n} {bookmark}\nPart Names", -1},
        {ID_SPLIT_FOLDER, "ID_SPLIT_FOLDER", "", "Folder the Parts Go To; Empty: Beside Each File\nSplit Folder", -1},
        {ID_SPLIT_FOLDER_BUTTON, "ID_SPLIT_FOLDER_BUTTON", "", "Choose the Folder the Parts Go To\nBrowse", 0},
        {ID_OPTIONS_NEST_BOOKMARKS, "ID_OPTIONS_NEST_BOOKMARKS", "Put Each File's Bookmarks Under Its Title",
         "Merge: One Bookmark per File, Its Own Bookmarks Under It\nPut Each File's Bookmarks Under Its Title", -1},
        {ID_EDIT_UNDO, "ID_EDIT_UNDO", "Undo", "Undo the Last Change to the List\nUndo", -1},
        {ID_EDIT_REDO, "ID_EDIT_REDO", "Redo", "Redo the Change Undone Last\nRedo", -1},
        {ID_OPTIONS_OUTPUT_PATH, "ID_OPTIONS_OUTPUT_PATH", "", "Merge Output File Path\nMerge Output File Path", -1},
        {ID_OPTIONS_OUTPUT_PATH_BUTTON, "ID_OPTIONS_OUTPUT_PATH_BUTTON", "",
         "Browse the Merge Output File Path\nBrowse", 0},
        {ID_OPTIONS_AUTO_BACKUP, "ID_OPTIONS_AUTO_BACKUP", "Auto Backup Existing Output File",
         "Auto Backup Existing Output File\nAuto Backup Existing Output File", -1},
        {ID_OPTIONS_AUTO_OPEN, "ID_OPTIONS_AUTO_OPEN", "Auto Open Result",
         "Auto Open the Result File\nAuto Open Result", -1},
        {ID_OPTIONS_DOC_PROPERTIES, "ID_OPTIONS_DOC_PROPERTIES", "Edit Document Properties",
         "Edit Merged PDF Document Properties\nEdit Document Properties", 13},
        {ID_OPTIONS_REMOVE_PROTECTION, "ID_OPTIONS_REMOVE_PROTECTION", "Remove Password Protection",
         "Write the Split Files Without Their Source's Password Protection\nRemove Password Protection: the split "
         "files are written without their source's password. Removing it needs the owner password (the password "
         "to change permissions); a protected file opened without it is not split.",
         -1},
        {ID_HELP_ONLINE_HELP, "ID_HELP_ONLINE_HELP", "Online Help", "Online Help\nOnline Help", 9},
        {ID_HELP_SUPPORT_EMAIL, "ID_HELP_SUPPORT_EMAIL", "Support Email",
         "Write a Technical Support Email\nSupport Email", 10},
        {ID_HELP_CHECK_UPDATE, "ID_HELP_CHECK_UPDATE", "Check Update",
         "Show the Running Version and Where Updates Come From\nCheck Update", 11},
        {ID_HELP_HOMEPAGE, "ID_HELP_HOMEPAGE", "Homepage", "Visit Our Homepage\nHomepage", 12},
        {ID_APP_ABOUT, "ID_APP_ABOUT", "About Quire Binder",
         "Display Program Information, Version Number and Licence\nAbout", 14},
        {ID_APP_EXIT, "ID_APP_EXIT", "Exit", "Quit the Application\nExit", 4},
        {ID_RIBBON_STYLE, "ID_RIBBON_STYLE", "Style", "Choose one of themes\nModify Visual Style", -1},
        {ID_FILE_SAVE_JOB_LIST, "ID_FILE_SAVE_JOB_LIST", "Save Job List...",
         "Save the Files, Their Ranges and the Job Options to a Job List\nSave Job List", -1},
        {ID_FILE_OPEN_JOB_LIST, "ID_FILE_OPEN_JOB_LIST", "Open Job List...",
         "Replace the List with a Saved Job List and Take Its Options\nOpen Job List", -1},
        {ID_VIEW_PREVIEW, "ID_VIEW_PREVIEW", "Show Preview",
         "Show the Pages of the Selected File Beside the List\nShow Preview", -1},
    };
    for (const Command& command : commands)
        AddCommand(command.nID, command.szName, QString::fromLatin1(command.szText),
                   QString::fromLatin1(command.szStrings), command.nImage);

    GetAction(ID_FILE_OPEN)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    GetAction(ID_EDIT_UNDO)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    GetAction(ID_EDIT_REDO)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    GetAction(ID_EDIT_UNDO)->setIcon(QApplication::style()->standardIcon(QStyle::SP_ArrowBack));
    GetAction(ID_EDIT_REDO)->setIcon(QApplication::style()->standardIcon(QStyle::SP_ArrowForward));
    // These act on the list's selected row, so their keys work only where the view adds them: on the
    // list while it has the focus, never in an edit box that needs Delete and Ctrl+arrows itself.
    const std::pair<int, QKeySequence> listKeys[] = {{ID_FILE_REMOVE, QKeySequence(Qt::Key_Delete)},
                                                     {ID_FILE_MOVE_UP, QKeySequence(Qt::CTRL | Qt::Key_Up)},
                                                     {ID_FILE_MOVE_DOWN, QKeySequence(Qt::CTRL | Qt::Key_Down)}};
    for (const auto& [nID, keys] : listKeys) {
        GetAction(nID)->setShortcut(keys);
        GetAction(nID)->setShortcutContext(Qt::WidgetShortcut);
    }
    GetAction(ID_OPTIONS_AUTO_BACKUP)->setCheckable(true);
    GetAction(ID_OPTIONS_AUTO_OPEN)->setCheckable(true);
    GetAction(ID_OPTIONS_REMOVE_PROTECTION)->setCheckable(true);
    GetAction(ID_OPTIONS_NEST_BOOKMARKS)->setCheckable(true);
    GetAction(ID_VIEW_PREVIEW)->setCheckable(true);
    GetAction(ID_VIEW_PREVIEW)->setShortcut(QKeySequence(Qt::Key_F4));
    connect(GetAction(ID_VIEW_PREVIEW), &QAction::triggered, this,
            [this] { m_settings.SetPreview(!m_settings.IsPreviewOn()); });
    connect(GetAction(ID_OPTIONS_NEST_BOOKMARKS), &QAction::triggered, this, [this] {
        m_settings.SetNestBookmarks(!m_settings.IsNestBookmarksOn());
        OnUpdateSplitOptions();
    });
    connect(GetAction(ID_SPLIT_FOLDER_BUTTON), &QAction::triggered, this, &CMainFrame::OnBrowseSplitFolder);

    connect(GetAction(ID_FILE_OPEN), &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(GetAction(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
    connect(GetAction(ID_FILE_SAVE_JOB_LIST), &QAction::triggered, this, &CMainFrame::OnSaveJobList);
    connect(GetAction(ID_FILE_OPEN_JOB_LIST), &QAction::triggered, this, &CMainFrame::OnOpenJobList);
    for (int nID = ID_OPTIONS_OUTPUT_PATH; nID <= ID_OPTIONS_REMOVE_PROTECTION; ++nID) {
        if (QAction* pAction = GetAction(nID))
            connect(pAction, &QAction::triggered, this, [this, nID] { OnCommandOptions(nID); });
    }
    for (int nID : {ID_HELP_ONLINE_HELP, ID_HELP_SUPPORT_EMAIL, ID_HELP_CHECK_UPDATE, ID_HELP_HOMEPAGE, ID_APP_ABOUT})
        connect(GetAction(nID), &QAction::triggered, this, [this, nID] { OnCommandHelp(nID); });

    static const struct
    {
        int nID;
        const char* szName;
    } looks[] = {
        {ID_VIEW_APPLOOK_WIN_2000, "ID_VIEW_APPLOOK_WIN_2000"},
        {ID_VIEW_APPLOOK_OFF_XP, "ID_VIEW_APPLOOK_OFF_XP"},
        {ID_VIEW_APPLOOK_WIN_XP, "ID_VIEW_APPLOOK_WIN_XP"},
        {ID_VIEW_APPLOOK_OFF_2003, "ID_VIEW_APPLOOK_OFF_2003"},
        {ID_VIEW_APPLOOK_VS_2005, "ID_VIEW_APPLOOK_VS_2005"},
        {ID_VIEW_APPLOOK_VS_2008, "ID_VIEW_APPLOOK_VS_2008"},
        {ID_VIEW_APPLOOK_OFF_2007_BLUE, "ID_VIEW_APPLOOK_OFF_2007_BLUE"},
        {ID_VIEW_APPLOOK_OFF_2007_BLACK, "ID_VIEW_APPLOOK_OFF_2007_BLACK"},
        {ID_VIEW_APPLOOK_OFF_2007_SILVER, "ID_VIEW_APPLOOK_OFF_2007_SILVER"},
        {ID_VIEW_APPLOOK_OFF_2007_AQUA, "ID_VIEW_APPLOOK_OFF_2007_AQUA"},
        {ID_VIEW_APPLOOK_WINDOWS_7, "ID_VIEW_APPLOOK_WINDOWS_7"},
    };
    // An exclusive group draws radio marks; OnUpdateApplicationLook sets them, none for a look without
    // a menu item.
    m_pLooks = new QActionGroup(this);
    m_pLooks->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const auto& look : looks) {
        QAction* pAction = AddCommand(look.nID, look.szName, CAppLook::MenuText(look.nID), QString(), -1);
        pAction->setCheckable(true);
        m_pLooks->addAction(pAction);
        const int nID = look.nID;
        connect(pAction, &QAction::triggered, this, [this, nID] { OnApplicationLook(nID); });
    }

    for (int i = 0; i < nRecentFileCount; ++i) {
        const int nID = ID_FILE_MRU_FILE1 + i;
        const QByteArray name = "ID_FILE_MRU_FILE" + QByteArray::number(i + 1);
        QAction* pAction = AddCommand(nID, name.constData(), QString(), QStringLiteral("Open this document\n"), -1);
        pAction->setVisible(false);
        connect(pAction, &QAction::triggered, this, [this, nID] { OnOpenRecentFile(nID); });
        m_recentActions.append(pAction);
    }
}

void CMainFrame::InitializeRibbon()
{
    m_pRibbon->SetApplicationButton(QIcon(QStringLiteral(":/icons/main.svg")), QStringLiteral("F"),
                                    QStringLiteral("Quire Binder"), 45);
    CRibbonApplicationMenu* pMenu = m_pRibbon->ApplicationMenu();
    pMenu->AddButton(GetAction(ID_FILE_OPEN), QStringLiteral("O"));
    pMenu->AddButton(GetAction(ID_FILE_OPEN_JOB_LIST), QStringLiteral("J"));
    pMenu->AddButton(GetAction(ID_FILE_SAVE_JOB_LIST), QStringLiteral("S"));
    pMenu->AddSeparator();
    pMenu->AddButton(GetAction(ID_FILE_CONVERT_MERGE), QStringLiteral("M"));
    pMenu->AddButton(GetAction(ID_FILE_CONVERT_SPLIT), QStringLiteral("P"));
    pMenu->AddSeparator();
    pMenu->AddButton(GetAction(ID_APP_ABOUT), QStringLiteral("A"));
    pMenu->SetRecentFiles(QStringLiteral("Recent Files"), m_recentActions, 100);
    pMenu->AddBottomButton(GetAction(ID_APP_EXIT));
    connect(pMenu, &CRibbonApplicationMenu::aboutToShow, this, [this] {
        UpdateRecentFileActions();
        UpdateCommandUI();
    });

    CRibbonCategory* pHome = m_pRibbon->AddCategory(QStringLiteral("Home"), QStringLiteral("H"));
    CRibbonPanel* pFile = pHome->AddPanel(QStringLiteral("File"));
    pFile->AddButton(GetAction(ID_FILE_OPEN), QStringLiteral("O"), true);
    pFile->AddSeparator();
    pFile->AddButton(GetAction(ID_FILE_MOVE_UP), QStringLiteral("U"));
    pFile->AddButton(GetAction(ID_FILE_MOVE_DOWN), QStringLiteral("D"));
    pFile->AddButton(GetAction(ID_FILE_REMOVE), QStringLiteral("R"));
    pFile->AddButton(GetAction(ID_FILE_REMOVE_ALL), QStringLiteral("A"));
    pFile->AddSeparator();
    pFile->AddButton(GetAction(ID_FILE_VIEW_SELECTION), QStringLiteral("S"));

    // The jobs keep their texts longest: at the smallest size the list commands give theirs up first.
    CRibbonPanel* pJobs = pHome->AddPanel(QStringLiteral("Merge & Split"));
    pJobs->AddButton(GetAction(ID_FILE_CONVERT_MERGE), QStringLiteral("M"), true);
    pJobs->AddButton(GetAction(ID_OPTIONS_DOC_PROPERTIES), QStringLiteral("I"), true);
    pJobs->AddButton(GetAction(ID_BUTTON2), QStringLiteral("V"), true);
    pJobs->AddSeparator();
    pJobs->AddButton(GetAction(ID_FILE_CONVERT_SPLIT), QStringLiteral("P"), true);
    // NOTE: beside Split, where it acts; at the smallest widths it shows only its box, which leaves the
    // jobs their texts.
    pJobs->AddCheckBox(GetAction(ID_OPTIONS_REMOVE_PROTECTION), QStringLiteral("N"), true);

    CRibbonPanel* pOptions = pHome->AddPanel(QStringLiteral("Options"));
    pOptions->AddCheckBox(GetAction(ID_OPTIONS_AUTO_OPEN), QStringLiteral("E"));
    pOptions->AddCheckBox(GetAction(ID_OPTIONS_AUTO_BACKUP), QStringLiteral("B"));
    pOptions->BeginGroup();
    pOptions->AddGroupLabel(QStringLiteral("Merge Output: "));
    m_pOutputPath = pOptions->AddGroupEdit(GetAction(ID_OPTIONS_OUTPUT_PATH), 120);
    pOptions->AddGroupButton(GetAction(ID_OPTIONS_OUTPUT_PATH_BUTTON), QStringLiteral("T"));

    InitializeJobOptions();

    CRibbonCategory* pView = m_pRibbon->AddCategory(QStringLiteral("View"), QStringLiteral("V"));
    pView->AddPanel(QStringLiteral("Preview"))->AddCheckBox(GetAction(ID_VIEW_PREVIEW), QStringLiteral("P"));

    CRibbonCategory* pHelp = m_pRibbon->AddCategory(QStringLiteral("Help"), QStringLiteral("E"));
    CRibbonPanel* pHelpPanel = pHelp->AddPanel(QStringLiteral("Help"));
    pHelpPanel->AddButton(GetAction(ID_HELP_ONLINE_HELP), QStringLiteral("O"));
    pHelpPanel->AddButton(GetAction(ID_HELP_SUPPORT_EMAIL), QStringLiteral("E"));
    pHelpPanel->AddButton(GetAction(ID_HELP_CHECK_UPDATE), QStringLiteral("C"));
    pHelpPanel->AddButton(GetAction(ID_HELP_HOMEPAGE), QStringLiteral("H"));
    pHelpPanel->AddButton(GetAction(ID_APP_ABOUT), QStringLiteral("A"));

    m_pStyleMenu = new QMenu(this);
    m_pStyleMenu->setObjectName(QStringLiteral("IDR_THEME_MENU"));
    for (int nID = ID_VIEW_APPLOOK_OFF_2007_BLUE; nID <= ID_VIEW_APPLOOK_OFF_2007_AQUA; ++nID)
        m_pStyleMenu->addAction(GetAction(nID));
    connect(m_pStyleMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    // Undo and Redo sit in the tab row, reachable from every tab and taking no room from the panels.
    for (const auto& [nID, szKeyTip] : {std::pair {ID_EDIT_UNDO, "Z"}, {ID_EDIT_REDO, "Y"}})
        m_pRibbon->AddToTabs(GetAction(nID), QLatin1String(szKeyTip), nullptr)
            ->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pRibbon->AddToTabs(GetAction(ID_RIBBON_STYLE), QStringLiteral("S"), m_pStyleMenu);
}

void CMainFrame::InitializeJobOptions()
{
    // NOTE: a category of its own, because Home has no room left at the smallest window size; the
    // jobs' buttons come along (the same actions), so each job is started beside its options.
    CRibbonCategory* pJobs = m_pRibbon->AddCategory(QStringLiteral("Job Options"), QStringLiteral("J"));
    // The list's order is the merge's order.
    pJobs->AddPanel(QStringLiteral("Order"))->AddButton(GetAction(ID_FILE_SORT_BY_NAME), QStringLiteral("N"), true);
    CRibbonPanel* pMerge = pJobs->AddPanel(QStringLiteral("Merge"));
    pMerge->AddButton(GetAction(ID_FILE_CONVERT_MERGE), QStringLiteral("M"), true);
    pMerge->AddCheckBox(GetAction(ID_OPTIONS_NEST_BOOKMARKS), QStringLiteral("K"));

    CRibbonPanel* pSplit = pJobs->AddPanel(QStringLiteral("Split"));
    pSplit->AddButton(GetAction(ID_FILE_CONVERT_SPLIT), QStringLiteral("P"), true);
    pSplit->BeginGroup();
    pSplit->AddGroupLabel(QStringLiteral("Split:"));
    m_pSplitMode = new QComboBox;
    m_pSplitMode->addItems({QStringLiteral("Page range"), QStringLiteral("Every N pages"),
                            QStringLiteral("At bookmarks"), QStringLiteral("Single pages")});
    pSplit->AddGroupControl(m_pSplitMode, GetAction(ID_SPLIT_MODE), QStringLiteral("C"));
    connect(m_pSplitMode, &QComboBox::activated, this, &CMainFrame::OnSplitModeChosen);

    const auto addSpin = [&](const char* szLabel, int nID, int nMaximum, const char* szKeyTip) {
        pSplit->BeginGroup();
        pSplit->AddGroupLabel(QLatin1String(szLabel));
        auto* pSpin = new QSpinBox;
        pSpin->setRange(1, nMaximum);
        pSplit->AddGroupControl(pSpin, GetAction(nID), QLatin1String(szKeyTip));
        return pSpin;
    };
    m_pSplitEvery = addSpin("Pages per part:", ID_SPLIT_EVERY, CAppSettings::nMaxSplitEvery, "W");
    connect(m_pSplitEvery, &QSpinBox::valueChanged, this, [this](int nPages) { m_settings.SetSplitEvery(nPages); });
    m_pSplitLevel = addSpin("Bookmark level:", ID_SPLIT_LEVEL, CAppSettings::nMaxSplitLevel, "L");
    connect(m_pSplitLevel, &QSpinBox::valueChanged, this, [this](int nLevel) { m_settings.SetSplitLevel(nLevel); });

    pSplit->BeginGroup();
    pSplit->AddGroupLabel(QStringLiteral("Part names:"));
    m_pSplitTemplate = new QLineEdit;
    m_pSplitTemplate->setFixedWidth(160);
    m_pSplitTemplate->setPlaceholderText(QLatin1String(quire::kDefaultSplitNameTemplate));
    m_pSplitTemplate->setToolTip(
        QStringLiteral(
            "The file name of each part, without .pdf: {title} the file's name, {begin} and {end} its first and "
            "last page, {n} the part's number, {bookmark} the bookmark it starts at. Empty: %1")
            .arg(QLatin1String(quire::kDefaultSplitNameTemplate)));
    pSplit->AddGroupControl(m_pSplitTemplate, GetAction(ID_SPLIT_NAME_TEMPLATE), QStringLiteral("G"));
    connect(m_pSplitTemplate, &QLineEdit::textEdited, this,
            [this](const QString& szText) { m_settings.SetSplitNameTemplate(szText); });

    pSplit->BeginGroup();
    pSplit->AddGroupLabel(QStringLiteral("Split folder:"));
    m_pSplitFolder = new QLineEdit;
    m_pSplitFolder->setFixedWidth(120);
    m_pSplitFolder->setPlaceholderText(QStringLiteral("Beside each file"));
    m_pSplitFolder->setClearButtonEnabled(true);
    pSplit->AddGroupControl(m_pSplitFolder, GetAction(ID_SPLIT_FOLDER), QStringLiteral("D"));
    connect(m_pSplitFolder, &QLineEdit::textEdited, this,
            [this](const QString& szText) { m_settings.SetSplitFolder(szText); });
    pSplit->AddGroupButton(GetAction(ID_SPLIT_FOLDER_BUTTON), QStringLiteral("B"));
}

void CMainFrame::OnSplitModeChosen(int nChoice)
{
    switch (nChoice) {
    case kEveryPages:
        m_settings.SetSplitMode(quire::SplitMode::EveryPages);
        // NOTE: one page per part is Single pages; Every N pages starts at two, so that the choice
        // reads back as itself at the next start.
        m_settings.SetSplitEvery(std::max(m_settings.SplitEvery(), 2));
        break;
    case kAtBookmarks:
        m_settings.SetSplitMode(quire::SplitMode::AtBookmarks);
        break;
    case kSinglePages:
        m_settings.SetSplitMode(quire::SplitMode::EveryPages);
        m_settings.SetSplitEvery(1);
        break;
    default:
        m_settings.SetSplitMode(quire::SplitMode::PageRange);
        break;
    }
    OnUpdateSplitOptions();
}

void CMainFrame::OnBrowseSplitFolder()
{
    const QString szStart = m_settings.SplitFolder().isEmpty() ? m_settings.AddFolder() : m_settings.SplitFolder();
    const QString szFolder = CFileDialog::GetExistingDirectory(this, QStringLiteral("Split Folder"), szStart);
    if (!szFolder.isEmpty())
        m_settings.SetSplitFolder(QDir::toNativeSeparators(szFolder));
    OnUpdateSplitOptions();
}

void CMainFrame::OnUpdateSplitOptions()
{
    const quire::SplitMode mode = m_settings.SplitMode();
    const int nEvery = m_settings.SplitEvery();
    const bool bSinglePages = mode == quire::SplitMode::EveryPages && nEvery == 1;
    const int nChoice = bSinglePages ? kSinglePages : static_cast<int>(mode);
    for (const int nID :
         {ID_SPLIT_MODE, ID_SPLIT_NAME_TEMPLATE, ID_SPLIT_FOLDER, ID_SPLIT_FOLDER_BUTTON, ID_OPTIONS_NEST_BOOKMARKS})
        GetAction(nID)->setEnabled(true);
    GetAction(ID_SPLIT_EVERY)->setEnabled(nChoice == kEveryPages);
    GetAction(ID_SPLIT_LEVEL)->setEnabled(nChoice == kAtBookmarks);
    GetAction(ID_OPTIONS_NEST_BOOKMARKS)->setChecked(m_settings.IsNestBookmarksOn());
    // NOTE: the controls are set from the settings without their signals, which would write a value
    // clamped on the way (Every N pages starts at 2) back into the settings.
    const QSignalBlocker blockEvery(m_pSplitEvery);
    const QSignalBlocker blockLevel(m_pSplitLevel);
    m_pSplitMode->setCurrentIndex(nChoice);
    m_pSplitEvery->setMinimum(bSinglePages ? 1 : 2);
    m_pSplitEvery->setValue(nEvery);
    m_pSplitLevel->setValue(m_settings.SplitLevel());
    // The edits change the settings as they are typed into, so they differ only after a change made
    // elsewhere; setting an equal text would move the cursor to the end.
    if (m_pSplitTemplate->text() != m_settings.SplitNameTemplate())
        m_pSplitTemplate->setText(m_settings.SplitNameTemplate());
    if (m_pSplitFolder->text() != m_settings.SplitFolder())
        m_pSplitFolder->setText(m_settings.SplitFolder());
    m_pSplitFolder->setToolTip(m_settings.SplitFolder().isEmpty() ? GetAction(ID_SPLIT_FOLDER)->statusTip()
                                                                  : m_settings.SplitFolder());
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* pBar = statusBar();
    m_szIdleText = QLatin1String(kReady);
    m_pMessagePane = new QLabel(m_szIdleText, pBar);
    m_pMessagePane->setObjectName(QStringLiteral("ID_SEPARATOR"));
    pBar->addWidget(m_pMessagePane, 1);
    QAction* pOpenFolder = AddCommand(ID_OPEN_RESULT_FOLDER, "ID_OPEN_RESULT_FOLDER", QStringLiteral("Open Folder"),
                                      QStringLiteral("Open the Folder of the Last Result\nOpen Folder"), -1);
    connect(pOpenFolder, &QAction::triggered, this, &CMainFrame::OnOpenResultFolder);
    auto* pOpenButton = new QToolButton(pBar);
    pOpenButton->setDefaultAction(pOpenFolder);
    pOpenButton->setAutoRaise(true);
    pBar->addPermanentWidget(pOpenButton);
    m_pCancelIntake = new QPushButton(QStringLiteral("Cancel"), pBar);
    m_pCancelIntake->setObjectName(QStringLiteral("IntakeCancel"));
    m_pCancelIntake->setToolTip(QStringLiteral("Stop adding files"));
    m_pCancelIntake->hide();
    pBar->addWidget(m_pCancelIntake);
    connect(m_pCancelIntake, &QPushButton::clicked, this, &CMainFrame::CancelIntake);
    m_pIndicators = new CLockKeyIndicators(pBar);
    // A command description replaces the message pane while it shows; when it goes, the pane is idle,
    // or counts the files being added.
    connect(pBar, &QStatusBar::messageChanged, this, [this](const QString& szMessage) {
        if (szMessage.isEmpty())
            ShowIntakeStatus();
    });
}

void CMainFrame::ShowJobResult(const QString& szSummary, const QString& szFolder)
{
    m_szIdleText = szSummary;
    m_szResultFolder = szFolder;
    SetMessageText(szSummary);
    RequestCommandUpdate();
}

void CMainFrame::OnOpenResultFolder()
{
    if (!m_szResultFolder.isEmpty())
        CShell::OpenFolder(m_szResultFolder, this);
}

QLabel* CMainFrame::GetIndicator(int nIndex) const
{
    return m_pIndicators->Indicator(nIndex);
}

QAction* CMainFrame::GetAction(int nID) const
{
    return m_actions.value(nID, nullptr);
}

QString CMainFrame::GetOutputPathText() const
{
    return m_pOutputPath ? m_pOutputPath->text() : QString();
}

void CMainFrame::SetOutputPathEditText(const QString& szText)
{
    m_pOutputPath->setText(szText);
    m_pOutputPath->setToolTip(szText);
    m_pOutputPath->setStatusTip(szText);
}

void CMainFrame::SetView(QWidget* pWidget, CJobListView* pView)
{
    if (pWidget)
        setCentralWidget(pWidget);
    m_pViewWidget = pWidget;
    m_pView = pView;
    UpdateCommandUI();
}

CJobListView* CMainFrame::GetView() const
{
    // The view dies with its widget; a frame without one behaves as with an empty list.
    return m_pViewWidget ? m_pView : nullptr;
}

void CMainFrame::SetMessageText(const QString& szText)
{
    statusBar()->clearMessage();
    m_pMessagePane->setText(szText);
    m_pMessagePane->repaint();
}

QString CMainFrame::GetMessageText() const
{
    const QString szTemporary = statusBar()->currentMessage();
    return szTemporary.isEmpty() ? m_pMessagePane->text() : szTemporary;
}

void CMainFrame::RequestCommandUpdate()
{
    if (m_bUpdateRequested)
        return;
    m_bUpdateRequested = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bUpdateRequested = false;
            UpdateRecentFileActions();
            UpdateCommandUI();
        },
        Qt::QueuedConnection);
}

void CMainFrame::UpdateCommandUI()
{
    if (CJobListView* pView = GetView())
        pView->OnUpdateCommandFile();
    else
        OnUpdateCommandFileWithoutView();
    // NOTE: a job started now would take a list that is still filling.
    if (IsIntakeRunning()) {
        GetAction(ID_FILE_CONVERT_MERGE)->setEnabled(false);
        GetAction(ID_FILE_CONVERT_SPLIT)->setEnabled(false);
        GetAction(ID_FILE_SORT_BY_NAME)->setEnabled(false);
    }
    OnUpdateCommandOptions();
    OnUpdatePreview();
    OnUpdateJobList();
    OnUpdateCommandHelp();
    OnUpdateSplitOptions();
    GetAction(ID_OPEN_RESULT_FOLDER)->setEnabled(!m_szResultFolder.isEmpty());
    OnUpdateApplicationLook();
    OnUpdateOnStyle();
}

void CMainFrame::OnUpdateCommandFileWithoutView()
{
    for (int nID = ID_FILE_REMOVE; nID <= ID_FILE_VIEW_SELECTION; ++nID)
        GetAction(nID)->setEnabled(false);
    GetAction(ID_BUTTON2)->setEnabled(true);
    GetAction(ID_FILE_SORT_BY_NAME)->setEnabled(false);
    GetAction(ID_EDIT_UNDO)->setEnabled(false);
    GetAction(ID_EDIT_REDO)->setEnabled(false);
}

void CMainFrame::OnUpdateCommandOptions()
{
    GetAction(ID_OPTIONS_OUTPUT_PATH)->setEnabled(true);
    GetAction(ID_OPTIONS_DOC_PROPERTIES)->setEnabled(true);
    GetAction(ID_OPTIONS_OUTPUT_PATH_BUTTON)->setEnabled(true);
    // The marks show what the jobs will do: they take a switch as on only when it is exactly 1.
    GetAction(ID_OPTIONS_AUTO_BACKUP)->setChecked(m_settings.IsAutoBackupOn());
    GetAction(ID_OPTIONS_AUTO_OPEN)->setChecked(m_settings.IsOpenResultOn());
    GetAction(ID_OPTIONS_REMOVE_PROTECTION)->setEnabled(true);
    GetAction(ID_OPTIONS_REMOVE_PROTECTION)->setChecked(m_bRemoveProtection);
}

void CMainFrame::OnUpdatePreview()
{
    GetAction(ID_VIEW_PREVIEW)->setEnabled(true);
    GetAction(ID_VIEW_PREVIEW)->setChecked(m_settings.IsPreviewOn());
}

void CMainFrame::CreatePreviewDock(CPageRenderer& renderer)
{
    m_pPreviewDock = new QDockWidget(QStringLiteral("Preview"), this);
    m_pPreviewDock->setObjectName(QStringLiteral("PreviewDock"));
    m_pPreviewDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_pPreviewDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_pPreview = new CPreviewPane(renderer, m_settings.PreviewCacheBytes(), m_pPreviewDock);
    m_pPreviewDock->setWidget(m_pPreview);
    m_pPreviewDock->installEventFilter(this);
    addDockWidget(Qt::RightDockWidgetArea, m_pPreviewDock);
    // Two columns of pages beside the list by default.
    resizeDocks({m_pPreviewDock}, {300}, Qt::Horizontal);
    m_pPreviewDock->setVisible(m_settings.IsPreviewOn());
    connect(&m_settings, &CAppSettings::changed, this, [this](CAppSettings::Key key) {
        if (key == CAppSettings::Key::Preview)
            m_pPreviewDock->setVisible(m_settings.IsPreviewOn());
    });
}

bool CMainFrame::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pObject == m_pPreviewDock && pEvent->type() == QEvent::Close)
        m_settings.SetPreview(false);
    return QMainWindow::eventFilter(pObject, pEvent);
}

void CMainFrame::OnUpdateCommandHelp()
{
    for (int nID = ID_HELP_ONLINE_HELP; nID <= ID_HELP_HOMEPAGE; ++nID)
        GetAction(nID)->setEnabled(true);
    GetAction(ID_APP_ABOUT)->setEnabled(true);
    GetAction(ID_HELP_SUPPORT_EMAIL)->setVisible(*kSupportEmail != '\0');
    GetAction(ID_HELP_HOMEPAGE)->setVisible(*kHomepageUrl != '\0');
}

void CMainFrame::OnUpdateApplicationLook()
{
    for (QAction* pAction : m_pLooks->actions())
        pAction->setChecked(pAction->data().toUInt() == m_settings.ApplicationLook());
}

void CMainFrame::OnUpdateOnStyle()
{
    GetAction(ID_RIBBON_STYLE)->setEnabled(true);
}

void CMainFrame::OnApplicationLook(int nID)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_settings.SetApplicationLook(static_cast<std::uint32_t>(nID));
    CAppLook::Apply(nID);
    if (m_pRibbon)
        m_pRibbon->SetWindows7Look(CAppLook::IsWindows7Ribbon(nID));
    update();
    for (QWidget* pChild : findChildren<QWidget*>())
        pChild->update();
    QApplication::restoreOverrideCursor();
    if (m_pLooks)
        OnUpdateApplicationLook();
}

void CMainFrame::OnCommandOptions(int nID)
{
    switch (nID) {
    case ID_OPTIONS_OUTPUT_PATH_BUTTON: {
        const QString szOutput = COutputPathRule::Resolve(GetOutputPathText(), m_settings.SavePath());
        const QFileInfo output(szOutput);
        BrowseOutputPath(szOutput.isEmpty() || output.isDir() ? szOutput : output.absolutePath());
        break;
    }
    case ID_OPTIONS_AUTO_BACKUP:
        m_settings.SetAutoBackup(!m_settings.IsAutoBackupOn());
        break;
    case ID_OPTIONS_AUTO_OPEN:
        m_settings.SetOpenResult(!m_settings.IsOpenResultOn());
        break;
    case ID_OPTIONS_DOC_PROPERTIES: {
        CDialogPDFProperties dialog(m_settings, m_protection, this);
        dialog.exec();
        break;
    }
    case ID_OPTIONS_REMOVE_PROTECTION:
        m_bRemoveProtection = !m_bRemoveProtection;
        break;
    default:
        break;
    }
    // NOTE: a toggle that leaves the setting as it was emits nothing, yet Qt has flipped the action's
    // own check mark: the marks must follow the settings again at once.
    OnUpdateCommandOptions();
}

bool CMainFrame::BrowseOutputPath(const QString& szStart)
{
    CMultiSelectFileDialog dialog(false, QString(), szStart,
                                  CMultiSelectFileDialog::OFN_HIDEREADONLY | CMultiSelectFileDialog::OFN_OVERWRITEPROMPT
                                      | CMultiSelectFileDialog::OFN_PATHMUSTEXIST,
                                  QStringLiteral("PDF File(*.pdf)|*.pdf;||"), this);
    const bool bChosen = dialog.DoModal() == CMultiSelectFileDialog::IDOK;
    if (bChosen) {
        QString szPath = dialog.GetPathName();
        if (szPath.right(4).compare(QLatin1String(".pdf"), Qt::CaseInsensitive) != 0)
            szPath += QStringLiteral(".pdf");
        m_settings.SetSavePath(szPath);
    }
    // Confirmed or not, the edit shows the setting again.
    SetOutputPathEditText(m_settings.SavePath());
    return bChosen;
}

QString CMainFrame::ChooseMergeOutput(const QString& szFolder)
{
    return BrowseOutputPath(QDir(szFolder).filePath(QStringLiteral("Merged.pdf"))) ? m_settings.SavePath() : QString();
}

void CMainFrame::OnCommandHelp(int nID)
{
    switch (nID) {
    case ID_HELP_ONLINE_HELP:
        if (!m_pHelpWindow)
            m_pHelpWindow = new CHelpWindow(this);
        ShowInFront(m_pHelpWindow);
        break;
    case ID_APP_ABOUT:
        if (!m_pAbout)
            m_pAbout = new CDialogAbout(this);
        ShowInFront(m_pAbout);
        break;
    case ID_HELP_SUPPORT_EMAIL:
        CShell::OpenUrl(QStringLiteral("mailto:") + QString::fromUtf8(kSupportEmail)
                        + QStringLiteral("?subject=Quire%20Binder"));
        break;
    case ID_HELP_CHECK_UPDATE:
        CMessageBox::Information(this,
                                 QStringLiteral("This is Quire Binder %1.\n\nUpdates come with your system's "
                                                "packages: your package manager or software centre installs "
                                                "a newer version when your system offers one.")
                                     .arg(QLatin1String(kProgramVersion)));
        break;
    case ID_HELP_HOMEPAGE:
        CShell::OpenUrl(QString::fromUtf8(kHomepageUrl));
        break;
    default:
        break;
    }
}

void CMainFrame::ShowInFront(QWidget* pWindow)
{
    pWindow->show();
    pWindow->raise();
    pWindow->activateWindow();
}

void CMainFrame::OnActivateRequest()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (QWidget* pModal = QApplication::activeModalWidget()) {
        pModal->raise();
        pModal->activateWindow();
    }
}

void CMainFrame::SetEmptyListText(const QString& szText)
{
    if (CJobListView* pView = GetView())
        pView->SetEmptyListText(szText, Qt::black);
}

void CMainFrame::UpdateRecentFileActions()
{
    const CRecentFileList& list = m_settings.RecentFiles();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* pAction = m_recentActions[i];
        const QString szPath = list.Entry(i);
        pAction->setVisible(!szPath.isEmpty());
        const QString szNumber = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QString::number(i + 1);
        pAction->setText(szPath.isEmpty() ? QString() : szNumber + QLatin1Char(' ') + QFileInfo(szPath).fileName());
        pAction->setToolTip(QDir::toNativeSeparators(szPath));
    }
}

void CMainFrame::AddFiles(const QStringList& paths, Source source)
{
    Intake intake;
    intake.paths = paths;
    intake.source = source;
    Enqueue(std::move(intake));
}

void CMainFrame::Enqueue(Intake intake)
{
    intake.nSerial = ++m_nIntakeSerial;
    m_intakes.append(std::move(intake));
    if (m_intakes.size() == 1)
        StartNextIntake();
}

bool CMainFrame::IsIntakeRunning() const
{
    return !m_intakes.isEmpty();
}

void CMainFrame::StartNextIntake()
{
    if (m_intakes.isEmpty())
        return;
    Intake& intake = m_intakes.first();
    QStringList accepted;
    for (int i = 0; i < intake.paths.size(); ++i) {
        const std::string path = EngineText::FromPath(intake.paths[i]);
        if (intake.source == Source::Dropped && !quire::AcceptDroppedPath(path))
            continue;
        if (intake.source == Source::Chosen && !quire::HasPdfExtension(path)) {
            intake.failures.insert(i,
                                   QStringLiteral("%1 is not a PDF file: only files whose names end in .pdf are added.")
                                       .arg(QDir::toNativeSeparators(intake.paths[i])));
            continue;
        }
        intake.positions.append(i);
        accepted.append(intake.paths[i]);
    }
    SetEmptyListText(QLatin1String(kLoadingText));
    m_pCancelIntake->show();
    ShowIntakeStatus();
    UpdateCommandUI();
    m_pIntakeJob->Start(accepted);
}

void CMainFrame::OnIntakeResults()
{
    if (m_intakes.isEmpty())
        return;
    Intake& intake = m_intakes.first();
    CJobListView* pView = GetView();
    bool bAppended = false;
    for (const CFileIntakeJob::Result& read : m_pIntakeJob->TakeResults()) {
        const int nPosition = intake.positions.value(intake.nDone++);
        const QString szName = QDir::toNativeSeparators(read.szPath);
        if (read.bSkipped) {
            // NOTE: a file skipped at its password is no news in an intake the user started, but a
            // job list row that goes missing must be named.
            if (intake.pJobList)
                intake.failures.insert(nPosition, QStringLiteral("%1 was skipped at its password.").arg(szName));
            continue;
        }
        if (!read.result.item) {
            intake.failures.insert(nPosition,
                                   read.result.error ? EngineText::ToText(read.result.error->what())
                                                     : QStringLiteral("%1 cannot be read.").arg(szName));
        } else if (!pView) {
            intake.failures.insert(nPosition,
                                   QStringLiteral("%1 was not added: the file list is not available.").arg(szName));
        } else if (intake.pJobList) {
            TakeJobListRow(intake, nPosition, *read.result.item);
        } else {
            pView->AppendListItem(*read.result.item);
            m_settings.AddRecentFile(read.szPath);
            ++intake.nAdded;
            bAppended = true;
        }
    }
    if (bAppended)
        pView->UpdateListCtrl();
    ShowIntakeStatus();
}

void CMainFrame::OnIntakePassword(const QString& szPath, bool bWrong)
{
    m_pIntakeDrain->stop();
    OnIntakeResults();
    CDialogPassword dialog(szPath, bWrong, this);
    // NOTE: a close of the window (or a signal) while the dialog is open cancels the intake; the
    // question then has no one left to answer to.
    connect(m_pIntakeJob, &CFileIntakeJob::finished, &dialog, &QDialog::reject);
    const int nResult = dialog.exec();
    CFileIntakeJob::PasswordAnswer answer;
    if (nResult == QDialog::Accepted) {
        answer.action = CFileIntakeJob::PasswordAnswer::Action::Open;
        answer.szPassword = dialog.TakePassword();
        answer.bForOtherFiles = dialog.IsForOtherFiles();
    } else if (nResult == CDialogPassword::kSkipped) {
        answer.action = CFileIntakeJob::PasswordAnswer::Action::Skip;
    }
    m_pIntakeJob->AnswerPassword(std::move(answer));
}

void CMainFrame::ShowIntakeStatus()
{
    if (m_intakes.isEmpty() || !m_pIntakeJob || !m_pIntakeJob->IsRunning()) {
        m_pMessagePane->setText(m_szIdleText);
        return;
    }
    const Intake& intake = m_intakes.first();
    const qsizetype nTotal = intake.positions.size();
    if (nTotal == 0)
        return;
    // The file being read now, counted from 1.
    const qsizetype nCurrent = std::min<qsizetype>(intake.nDone, nTotal - 1);
    const QString szName = QFileInfo(intake.paths[intake.positions[nCurrent]]).fileName();
    m_pMessagePane->setText(QStringLiteral("Adding %1 of %2: %3").arg(nCurrent + 1).arg(nTotal).arg(szName));
}

void CMainFrame::CancelIntake()
{
    if (m_intakes.isEmpty() || !m_pIntakeJob->IsRunning())
        return;
    m_intakes.erase(m_intakes.begin() + 1, m_intakes.end());
    if (m_intakes.first().pJobList)
        m_intakes.first().pJobList->bCancelled = true;
    m_pIntakeJob->Cancel();
}

void CMainFrame::OnIntakeFinished()
{
    m_pIntakeDrain->stop();
    OnIntakeResults();
    m_pCancelIntake->hide();
    ShowIntakeStatus();
    if (!m_intakes.isEmpty()) {
        const Intake intake = m_intakes.first();
        if (intake.pJobList)
            FinishJobList(intake);
        else if (intake.nAdded == 0)
            SetEmptyListText(QLatin1String(kPromptText));
        if (!intake.failures.isEmpty() && !intake.pJobList) {
            const QString szIntro = intake.failures.size() == 1
                ? QStringLiteral("This file was not added to the list:")
                : QStringLiteral("These files were not added to the list:");
            CMessageBox::Warning(this,
                                 szIntro + QStringLiteral("\n\n") + intake.failures.values().join(QLatin1Char('\n')));
        }
        // NOTE: the message runs an event loop of its own: the window may have been closed meanwhile,
        // which drops every intake, or another intake may have been asked for, which waits behind this.
        if (!m_intakes.isEmpty() && m_intakes.first().nSerial == intake.nSerial)
            m_intakes.removeFirst();
        StartNextIntake();
    }
    UpdateCommandUI();
    RequestCommandUpdate();
}

void CMainFrame::OnUpdateJobList()
{
    const CJobListView* pView = GetView();
    // NOTE: a list that is still filling would be saved half, or replaced under the intake's feet.
    GetAction(ID_FILE_SAVE_JOB_LIST)->setEnabled(pView && !pView->GetItems().IsEmpty() && !IsIntakeRunning());
    GetAction(ID_FILE_OPEN_JOB_LIST)->setEnabled(pView && !IsIntakeRunning());
}

void CMainFrame::OnSaveJobList()
{
    const CJobListView* pView = GetView();
    if (!pView)
        return;
    CMultiSelectFileDialog dialog(false, QStringLiteral("quirejob"), m_settings.AddFolder(),
                                  CMultiSelectFileDialog::OFN_HIDEREADONLY | CMultiSelectFileDialog::OFN_OVERWRITEPROMPT
                                      | CMultiSelectFileDialog::OFN_PATHMUSTEXIST,
                                  QStringLiteral("Job lists (*.quirejob)|*.quirejob||"), this);
    if (dialog.DoModal() != CMultiSelectFileDialog::IDOK)
        return;
    QString szPath = dialog.GetPathName();
    if (!szPath.endsWith(QLatin1String(quire::JobListFile::kExtension), Qt::CaseInsensitive))
        szPath += QLatin1String(quire::JobListFile::kExtension);

    quire::JobListFile list;
    const CListItemArray& items = pView->GetItems();
    for (std::int32_t i = 0; i < items.GetCount(); ++i) {
        const ListItemData& item = items.GetAt(i);
        // NOTE: a typed text that names no page (empty, "x", "-3") is saved as 0, which the jobs
        // read as they read that text: the first or the last page.
        list.rows.push_back({item.szFilePath, std::max(0, quire::PageRange::ParsePageText(item.szBeginPage)),
                             std::max(0, quire::PageRange::ParsePageText(item.szEndPage)), item.szBookmark,
                             item.bChecked != 0});
    }
    list.szMergeOutput = EngineText::FromPath(COutputPathRule::Resolve(GetOutputPathText(), m_settings.SavePath()));
    const CAppSettings::DocumentTexts texts = m_settings.Document();
    list.szTitle = EngineText::FromText(texts.szTitle);
    list.szAuthor = EngineText::FromText(texts.szAuthor);
    list.szSubject = EngineText::FromText(texts.szSubject);
    list.szKeywords = EngineText::FromText(texts.szKeywords);
    using Key = CAppSettings::Key;
    list.splitMode = static_cast<quire::SplitMode>(std::clamp(m_settings.Value(Key::SplitMode).toInt(), 0, 2));
    list.nSplitEvery = std::max(1, m_settings.Value(Key::SplitEvery).toInt());
    list.nSplitLevel = std::max(1, m_settings.Value(Key::SplitLevel).toInt());
    list.szSplitNameTemplate = EngineText::FromText(m_settings.Value(Key::SplitNameTemplate).toString());
    list.szSplitFolder = EngineText::FromPath(m_settings.Value(Key::SplitFolder).toString());
    list.bNestBookmarks = m_settings.Value(Key::NestBookmarks).toInt() == 1;
    try {
        quire::WriteJobList(EngineText::FromPath(szPath), list);
    } catch (const pdf::PdfError& e) {
        CMessageBox::Warning(this, EngineText::ToText(e.what()));
        return;
    }
    ShowJobResult(QStringLiteral("Job list saved: %1").arg(QDir::toNativeSeparators(szPath)),
                  QFileInfo(szPath).absolutePath());
}

void CMainFrame::OnOpenJobList()
{
    CMultiSelectFileDialog dialog(true, QStringLiteral("quirejob"), m_settings.AddFolder(),
                                  CMultiSelectFileDialog::OFN_EXPLORER | CMultiSelectFileDialog::OFN_NODEREFERENCELINKS,
                                  QStringLiteral("Job lists (*.quirejob)|*.quirejob||"), this);
    if (dialog.DoModal() == CMultiSelectFileDialog::IDOK)
        OpenJobList(dialog.GetPathName());
}

void CMainFrame::OpenJobList(const QString& szPath)
{
    auto pJob = std::make_shared<JobListIntake>();
    pJob->szFile = szPath;
    try {
        pJob->list = quire::ReadJobList(EngineText::FromPath(szPath));
    } catch (const pdf::PdfError& e) {
        CMessageBox::Warning(this, EngineText::ToText(e.what()));
        return;
    }
    Intake intake;
    for (const quire::JobListRow& row : pJob->list.rows)
        intake.paths.append(EngineText::ToPath(row.szFilePath));
    intake.source = Source::Given;
    intake.pJobList = std::move(pJob);
    Enqueue(std::move(intake));
}

void CMainFrame::TakeJobListRow(Intake& intake, int nPosition, ListItemData item)
{
    JobListIntake& job = *intake.pJobList;
    quire::JobListRow row = job.list.rows.at(static_cast<std::size_t>(nPosition));
    const quire::JobListRow saved = row;
    const int nPages = quire::PageRange::ParsePageText(item.szPages);
    if (quire::ClampToPages(row, nPages))
        job.clamped.append(QStringLiteral("%1: pages %2-%3 are now %4-%5; it has %6 pages.")
                               .arg(QDir::toNativeSeparators(EngineText::ToPath(row.szFilePath)))
                               .arg(saved.nBeginPage)
                               .arg(saved.nEndPage)
                               .arg(row.nBeginPage)
                               .arg(row.nEndPage)
                               .arg(nPages));
    item.szBeginPage = std::to_string(row.nBeginPage);
    item.szEndPage = std::to_string(row.nEndPage);
    item.szBookmark = row.szBookmark;
    item.bChecked = row.bChecked ? 1 : 0;
    job.items.Add(item);
    ++intake.nAdded;
}

void CMainFrame::FinishJobList(const Intake& intake)
{
    const JobListIntake& job = *intake.pJobList;
    CJobListView* pView = GetView();
    if (!job.bCancelled && pView) {
        pView->ReplaceListItems(QStringLiteral("Open Job List"), job.items);
        const quire::JobListFile& list = job.list;
        if (!list.szMergeOutput.empty()) {
            m_settings.SetSavePath(EngineText::ToPath(list.szMergeOutput));
            SetOutputPathEditText(m_settings.SavePath());
        }
        m_settings.SetDocument({EngineText::ToText(list.szTitle), EngineText::ToText(list.szAuthor),
                                EngineText::ToText(list.szSubject), EngineText::ToText(list.szKeywords)});
        using Key = CAppSettings::Key;
        m_settings.SetValue(Key::SplitMode, static_cast<int>(list.splitMode));
        m_settings.SetValue(Key::SplitEvery, list.nSplitEvery);
        m_settings.SetValue(Key::SplitLevel, list.nSplitLevel);
        m_settings.SetValue(Key::SplitNameTemplate, EngineText::ToText(list.szSplitNameTemplate));
        m_settings.SetValue(Key::SplitFolder, EngineText::ToPath(list.szSplitFolder));
        m_settings.SetValue(Key::NestBookmarks, list.bNestBookmarks ? 1 : 0);
    }
    if (pView && pView->GetItems().IsEmpty())
        SetEmptyListText(QLatin1String(kPromptText));
    if (job.bCancelled || (intake.failures.isEmpty() && job.clamped.isEmpty()))
        return;
    QString szText = QStringLiteral("The job list %1 was opened.").arg(QDir::toNativeSeparators(job.szFile));
    if (!intake.failures.isEmpty())
        szText += QStringLiteral("\n\nThese rows were dropped:\n") + intake.failures.values().join(QLatin1Char('\n'));
    if (!job.clamped.isEmpty())
        szText += QStringLiteral("\n\nThese rows reached beyond their file's last page:\n")
            + job.clamped.join(QLatin1Char('\n'));
    CMessageBox::Warning(this, szText);
}

void CMainFrame::OnFileOpen()
{
    CMultiSelectFileDialog dialog(true, QStringLiteral("pdf"), m_settings.AddFolder(),
                                  CMultiSelectFileDialog::OFN_ALLOWMULTISELECT | CMultiSelectFileDialog::OFN_EXPLORER
                                      | CMultiSelectFileDialog::OFN_NODEREFERENCELINKS,
                                  QStringLiteral("PDF File (*.pdf)|*.pdf|All Files (*.*)|*.*||"), nullptr);
    if (dialog.DoModal() != CMultiSelectFileDialog::IDOK)
        return;
    QStringList paths;
    for (CMultiSelectFileDialog::POSITION pos = dialog.GetStartPosition(); pos;)
        paths.append(dialog.GetNextPathName(pos));
    m_settings.SetAddFolder(QFileInfo(paths.first()).absolutePath());
    AddFiles(paths, Source::Chosen);
}

void CMainFrame::OnDropFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    AddFiles(paths, Source::Dropped);
    activateWindow();
}

void CMainFrame::OnOpenRecentFile(int nID)
{
    const QString szPath = m_settings.RecentFiles().Entry(nID - ID_FILE_MRU_FILE1);
    if (szPath.isEmpty())
        return;
    if (!QFileInfo::exists(szPath)) {
        m_settings.RemoveRecentFile(szPath);
        UpdateRecentFileActions();
        CMessageBox::Warning(this,
                             QStringLiteral("%1 no longer exists, so it was taken off the Recent Files list.")
                                 .arg(QDir::toNativeSeparators(szPath)));
        return;
    }
    AddFiles({szPath}, Source::Chosen);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (!pEvent->mimeData()->hasUrls())
        return;
    pEvent->acceptProposedAction();
    SetDropHighlight(true);
}

void CMainFrame::dragLeaveEvent(QDragLeaveEvent* pEvent)
{
    QMainWindow::dragLeaveEvent(pEvent);
    SetDropHighlight(false);
}

void CMainFrame::SetDropHighlight(bool bOn)
{
    if (CJobListView* pView = GetView())
        pView->SetDropHighlight(bOn);
}

void CMainFrame::dropEvent(QDropEvent* pEvent)
{
    QStringList paths;
    for (const QUrl& url : pEvent->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    pEvent->acceptProposedAction();
    SetDropHighlight(false);
    // The files are read on the intake thread and named in a message only at its end, so the program
    // the files were dragged from is not held up.
    OnDropFiles(paths);
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    // The list goes with the window: the reading stops without a message.
    m_intakes.clear();
    m_pIntakeJob->Cancel();
    m_settings.SetWindowGeometry(saveGeometry());
    QMainWindow::closeEvent(pEvent);
}

void CMainFrame::showEvent(QShowEvent* pEvent)
{
    QMainWindow::showEvent(pEvent);
    if (!m_bScreenWatched && windowHandle()) {
        m_bScreenWatched = true;
        connect(windowHandle(), &QWindow::screenChanged, this, &CMainFrame::FitMinimumToScreen);
    }
    FitMinimumToScreen();
}

void CMainFrame::FitMinimumToScreen()
{
    const QScreen* pScreen = screen();
    if (!pScreen) {
        setMinimumSize(kMinimumSize);
        return;
    }
    // The frame the window system draws around the window needs its share of the screen too.
    const QSize available = pScreen->availableGeometry().size() - (frameGeometry().size() - size());
    setMinimumSize(kMinimumSize.boundedTo(available));
}
