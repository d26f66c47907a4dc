// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QMainWindow>

// The main window: "Quire Binder", at least 900 x 600.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);
};
