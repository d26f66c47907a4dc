// SPDX-License-Identifier: Apache-2.0
#pragma once

// The program's command identifiers. Each command is one QAction whose objectName is the name below
// and whose data() holds the number.

constexpr int ID_RIBBON_STYLE = 105;

constexpr int ID_VIEW_APPLOOK_WIN_2000 = 205;
constexpr int ID_VIEW_APPLOOK_OFF_XP = 206;
constexpr int ID_VIEW_APPLOOK_WIN_XP = 207;
constexpr int ID_VIEW_APPLOOK_OFF_2003 = 208;
constexpr int ID_VIEW_APPLOOK_VS_2005 = 209;
constexpr int ID_VIEW_APPLOOK_VS_2008 = 210;
constexpr int ID_VIEW_APPLOOK_OFF_2007_BLUE = 215;
constexpr int ID_VIEW_APPLOOK_OFF_2007_BLACK = 216;
constexpr int ID_VIEW_APPLOOK_OFF_2007_SILVER = 217;
constexpr int ID_VIEW_APPLOOK_OFF_2007_AQUA = 218;
constexpr int ID_VIEW_APPLOOK_WINDOWS_7 = 219;

constexpr int ID_FILE_REMOVE = 32771;
constexpr int ID_FILE_REMOVE_ALL = 32772;
constexpr int ID_FILE_MOVE_UP = 32773;
constexpr int ID_FILE_MOVE_DOWN = 32774;
constexpr int ID_FILE_CONVERT_MERGE = 32775;
constexpr int ID_FILE_CONVERT_SPLIT = 32776;
constexpr int ID_FILE_VIEW_SELECTION = 32777;
constexpr int ID_BUTTON2 = 32778;
// Orders the rows by file name as people count: "2.pdf" before "10.pdf", letters without case.
constexpr int ID_FILE_SORT_BY_NAME = 32779;
// Undo and Redo of the file list's changes; enabled from the view's undo stack.
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;

constexpr int ID_OPTIONS_OUTPUT_PATH = 32780;
constexpr int ID_OPTIONS_OUTPUT_PATH_BUTTON = 32781;
constexpr int ID_OPTIONS_AUTO_BACKUP = 32783;
constexpr int ID_OPTIONS_AUTO_OPEN = 32784;
constexpr int ID_OPTIONS_DOC_PROPERTIES = 32785;
// Split writes its parts without their source's password protection; off at every start.
constexpr int ID_OPTIONS_REMOVE_PROTECTION = 32786;

// The ribbon's Split panel: how a split cuts its rows, how it names the parts and where it puts them.
// Each control shows an action, which decides whether the control is enabled.
constexpr int ID_SPLIT_MODE = 32800;
constexpr int ID_SPLIT_EVERY = 32801;
constexpr int ID_SPLIT_LEVEL = 32802;
constexpr int ID_SPLIT_NAME_TEMPLATE = 32803;
constexpr int ID_SPLIT_FOLDER = 32804;
constexpr int ID_SPLIT_FOLDER_BUTTON = 32805;
// Merge: each row's bookmarks under one bookmark of its own.
constexpr int ID_OPTIONS_NEST_BOOKMARKS = 32806;
// Shows or hides the preview pane beside the list.
constexpr int ID_VIEW_PREVIEW = 32807;

// The status bar's button that opens the folder of the last job's result.
constexpr int ID_OPEN_RESULT_FOLDER = 32791;

constexpr int ID_HELP_ONLINE_HELP = 32860;
constexpr int ID_HELP_SUPPORT_EMAIL = 32861;
constexpr int ID_HELP_CHECK_UPDATE = 32862;
constexpr int ID_HELP_HOMEPAGE = 32863;

// Save Job List... and Open Job List... of the application menu: the list and the job options as a
// .quirejob file.
constexpr int ID_FILE_SAVE_JOB_LIST = 32792;
constexpr int ID_FILE_OPEN_JOB_LIST = 32793;

constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
// The recent-file entries 1 to 16 are ID_FILE_MRU_FILE1 + 0 to ID_FILE_MRU_FILE1 + 15.
constexpr int ID_FILE_MRU_FILE1 = 57616;
constexpr int ID_FILE_MRU_FILE16 = 57631;
constexpr int nRecentFileCount = 16;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
