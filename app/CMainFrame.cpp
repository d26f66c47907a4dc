// SPDX-License-Identifier: Apache-2.0
#include "CMainFrame.h"

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quire Binder"));
    setMinimumSize(900, 600);
}
